// Text to nodes: a recursive-descent parser over a small hand-written lexer.
#include <algorithm>
#include <cctype>

#include "runtime/core/error_state.h"
#include "runtime/view/expression.h"
#include "runtime/view/expression_functions.h"

namespace rt {

namespace {

// Deeper trees are refused so that evaluation never runs out of stack:
// parentheses, NOT and signs nest at most kMaxNesting deep, and a chain of
// operators builds a tree at most kMaxDepth deep.
constexpr int kMaxNesting = 200;
constexpr int kMaxDepth = 1000;

enum class Tok : uint8_t { kEnd, kNumber, kText, kName, kSymbol, kError };

bool nameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool nameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':'; }

}  // namespace

bool isComparison(ExprOp op) { return op >= ExprOp::kEq && op <= ExprOp::kGe; }

class ExpressionParser {
 public:
  ExpressionParser(Expression& e, std::string_view text, const NameResolver& names)
      : e_(e), s_(text), names_(names) {}

  int32_t Run() {
    Advance();
    int root = Or();
    if (error_ == 0 && tok_ != Tok::kEnd) Fail(Error_InvalidExpression);
    if (error_ != 0) return error_;
    e_.root_ = root;
    return 0;
  }
  size_t errorOffset() const { return error_at_; }

 private:
  // --- Lexer.
  void Advance() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    start_ = pos_;
    word_.clear();
    if (pos_ >= s_.size()) {
      tok_ = Tok::kEnd;
      return;
    }
    const char c = s_[pos_];
    if (c == '\'') {
      ++pos_;
      for (;;) {
        if (pos_ >= s_.size()) {
          tok_ = Tok::kError;
          return;
        }
        if (s_[pos_] == '\'') {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
            word_ += '\'';
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        word_ += s_[pos_++];
      }
      tok_ = Tok::kText;
      return;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && pos_ + 1 < s_.size() &&
                                                         std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
      while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) {
        word_ += s_[pos_++];
      }
      tok_ = Tok::kNumber;
      return;
    }
    if (nameStart(c)) {
      while (pos_ < s_.size() && nameChar(s_[pos_])) word_ += upperChar(s_[pos_++]);
      // An element subscript belongs to the name: PRE:ETAPA[3].
      if (pos_ < s_.size() && s_[pos_] == '[') {
        size_t end = s_.find(']', pos_);
        if (end == std::string_view::npos) {
          tok_ = Tok::kError;
          return;
        }
        word_.append(s_.substr(pos_, end + 1 - pos_));
        pos_ = end + 1;
      }
      tok_ = Tok::kName;
      return;
    }
    static const char* const kTwo[] = {"<>", "<=", ">=", "=<", "=>"};
    for (const char* two : kTwo) {
      if (s_.substr(pos_, 2) == two) {
        word_ = two;
        pos_ += 2;
        tok_ = Tok::kSymbol;
        return;
      }
    }
    if (std::string_view("=<>&+-*/%(),").find(c) != std::string_view::npos) {
      word_ = c;
      ++pos_;
      tok_ = Tok::kSymbol;
      return;
    }
    tok_ = Tok::kError;
  }

  bool Symbol(std::string_view sym) const { return tok_ == Tok::kSymbol && word_ == sym; }
  bool Keyword(std::string_view kw) const { return tok_ == Tok::kName && word_ == kw; }

  int Fail(int32_t code) {
    if (error_ == 0) {
      error_ = code;
      error_at_ = start_;
    }
    return -1;
  }

  int Add(ExprNode n) {
    if (error_ != 0) return -1;
    int depth = 1;
    for (int child : {n.a, n.b}) {
      if (child >= 0) depth = std::max(depth, depths_[child] + 1);
    }
    for (int child : n.args) {
      if (child >= 0) depth = std::max(depth, depths_[child] + 1);
    }
    if (depth > kMaxDepth) return Fail(Error_InvalidExpression);
    e_.nodes_.push_back(std::move(n));
    depths_.push_back(depth);
    return static_cast<int>(e_.nodes_.size()) - 1;
  }

  int Binary(ExprOp op, int a, int b) {
    if (a < 0 || b < 0) return -1;
    ExprNode n;
    n.op = op;
    n.a = a;
    n.b = b;
    return Add(std::move(n));
  }

  int Unary(ExprOp op, int a) {
    if (a < 0) return -1;
    ExprNode n;
    n.op = op;
    n.a = a;
    return Add(std::move(n));
  }

  // --- Grammar, loosest first.
  int Or() {
    int left = And();
    while (error_ == 0 && Keyword("OR")) {
      Advance();
      left = Binary(ExprOp::kOr, left, And());
    }
    return left;
  }

  int And() {
    int left = Not();
    while (error_ == 0 && Keyword("AND")) {
      Advance();
      left = Binary(ExprOp::kAnd, left, Not());
    }
    return left;
  }

  int Not() {
    if (Keyword("NOT")) {
      if (++nesting_ > kMaxNesting) return Fail(Error_InvalidExpression);
      Advance();
      int r = Unary(ExprOp::kNot, Not());
      --nesting_;
      return r;
    }
    return Comparison();
  }

  int Comparison() {
    int left = Concat();
    if (error_ != 0 || tok_ != Tok::kSymbol) return left;
    ExprOp op;
    if (word_ == "=") op = ExprOp::kEq;
    else if (word_ == "<>") op = ExprOp::kNe;
    else if (word_ == "<") op = ExprOp::kLt;
    else if (word_ == ">") op = ExprOp::kGt;
    else if (word_ == "<=" || word_ == "=<") op = ExprOp::kLe;
    else if (word_ == ">=" || word_ == "=>") op = ExprOp::kGe;
    else return left;
    Advance();
    return Binary(op, left, Concat());
  }

  int Concat() {
    int left = Additive();
    while (error_ == 0 && Symbol("&")) {
      Advance();
      left = Binary(ExprOp::kConcat, left, Additive());
    }
    return left;
  }

  int Additive() {
    int left = Term();
    while (error_ == 0 && (Symbol("+") || Symbol("-"))) {
      ExprOp op = word_ == "+" ? ExprOp::kAdd : ExprOp::kSub;
      Advance();
      left = Binary(op, left, Term());
    }
    return left;
  }

  int Term() {
    int left = Unary();
    while (error_ == 0 && (Symbol("*") || Symbol("/") || Symbol("%"))) {
      ExprOp op = word_ == "*" ? ExprOp::kMul : word_ == "/" ? ExprOp::kDiv : ExprOp::kMod;
      Advance();
      left = Binary(op, left, Unary());
    }
    return left;
  }

  int Unary() {
    if (Symbol("-") || Symbol("+")) {
      const bool minus = word_ == "-";
      if (++nesting_ > kMaxNesting) return Fail(Error_InvalidExpression);
      Advance();
      int inner = Unary();
      --nesting_;
      return minus ? Unary(ExprOp::kNeg, inner) : inner;
    }
    return Primary();
  }

  int Primary() {
    if (error_ != 0) return -1;
    switch (tok_) {
      case Tok::kNumber: {
        std::optional<Decimal> d = Decimal::Parse(word_);
        if (!d || !d->IsValid()) return Fail(Error_InvalidExpression);
        ExprNode n;
        n.constant = Value(*d);
        Advance();
        return Add(std::move(n));
      }
      case Tok::kText: {
        ExprNode n;
        n.constant = Value(std::move(word_));
        Advance();
        return Add(std::move(n));
      }
      case Tok::kName: {
        if (word_ == "AND" || word_ == "OR" || word_ == "NOT") return Fail(Error_InvalidExpression);
        std::string name = word_;
        const size_t at = start_;
        Advance();
        if (Symbol("(")) return CallOf(name);
        return NameOf(name, at);
      }
      case Tok::kSymbol:
        if (word_ == "(") {
          if (++nesting_ > kMaxNesting) return Fail(Error_InvalidExpression);
          Advance();
          int inner = Or();
          --nesting_;
          if (error_ != 0) return -1;
          if (!Symbol(")")) return Fail(Error_InvalidExpression);
          Advance();
          return inner;
        }
        return Fail(Error_InvalidExpression);
      default: return Fail(Error_InvalidExpression);
    }
  }

  int NameOf(const std::string& name, size_t at) {
    ExprOperand op;
    op.name = name;
    BindingPtr keep;
    if (!names_.Resolve(name, &op.source, &keep)) {
      start_ = at;
      return Fail(Error_NameNotBound);
    }
    if (keep) {
      op.keep = static_cast<int>(e_.keep_.size());
      e_.keep_.push_back(std::move(keep));
    }
    e_.operands_.push_back(std::move(op));
    ExprNode n;
    n.op = ExprOp::kOperand;
    n.operand = static_cast<int>(e_.operands_.size()) - 1;
    return Add(std::move(n));
  }

  int CallOf(const std::string& name) {
    const FunctionInfo* f = findFunction(name);
    if (!f) return Fail(Error_InvalidExpression);
    if (++nesting_ > kMaxNesting) return Fail(Error_InvalidExpression);
    Advance();  // past "("
    ExprNode n;
    n.op = ExprOp::kCall;
    n.func = f->func;
    if (!Symbol(")")) {
      for (;;) {
        if (Symbol(",") || Symbol(")")) {
          n.args.push_back(-1);  // omitted
        } else {
          int arg = Or();
          if (error_ != 0) return -1;
          n.args.push_back(arg);
        }
        if (Symbol(",")) {
          Advance();
          continue;
        }
        if (Symbol(")")) break;
        return Fail(Error_InvalidExpression);
      }
    }
    Advance();  // past ")"
    --nesting_;
    if (static_cast<int>(n.args.size()) > f->max_args) return Fail(Error_InvalidExpression);
    for (int i = 0; i < f->min_args; ++i) {
      if (i >= static_cast<int>(n.args.size()) || n.args[i] < 0) return Fail(Error_ArgumentOmitted);
    }
    return Add(std::move(n));
  }

  Expression& e_;
  std::string_view s_;
  const NameResolver& names_;
  size_t pos_ = 0;
  size_t start_ = 0;
  Tok tok_ = Tok::kEnd;
  std::string word_;
  int32_t error_ = 0;
  size_t error_at_ = 0;
  int nesting_ = 0;
  std::vector<int> depths_;
};

int32_t Expression::Compile(std::string_view text, const NameResolver& names) {
  std::string copy(text);  // `text` may be our own text_
  *this = Expression();
  text_ = std::move(copy);
  ExpressionParser p(*this, text_, names);
  const int32_t rc = p.Run();
  if (rc != 0) {
    const size_t at = p.errorOffset();
    std::string kept = std::move(text_);
    *this = Expression();
    text_ = std::move(kept);
    error_offset_ = at;
    postError(rc);
  }
  return rc;
}

}  // namespace rt
