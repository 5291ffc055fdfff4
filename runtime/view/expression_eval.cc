// Evaluating the nodes. Comparisons of text fields and text constants read
// the record buffer in place, so a typical filter term allocates nothing.
#include <array>
#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/view/expression.h"
#include "runtime/view/expression_functions.h"

namespace rt {

namespace {

// A text read in place, folded to one case while comparing.
struct TextView {
  std::string_view s;
  int fold = 0;  // 0 as is, 1 upper, -1 lower
};

char folded(char c, int fold) { return fold > 0 ? upperChar(c) : fold < 0 ? lowerChar(c) : c; }

std::strong_ordering compareViews(const TextView& a, const TextView& b) {
  const size_t n = std::max(a.s.size(), b.s.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(i < a.s.size() ? folded(a.s[i], a.fold) : ' ');
    const auto cb = static_cast<unsigned char>(i < b.s.size() ? folded(b.s[i], b.fold) : ' ');
    if (ca != cb) return ca <=> cb;
  }
  return std::strong_ordering::equal;
}

// The characters of a text field, as getText would give them, in place.
bool fieldText(const FieldRef& ref, std::string_view* out) {
  if (!ref.valid()) return false;
  const FieldDecl& d = ref.decl();
  if (!isTextType(d.type)) return false;
  std::span<const uint8_t> b = fieldBytes(*static_cast<const FileControlBlock*>(ref.file), ref.field, ref.element);
  const char* p = reinterpret_cast<const char*>(b.data());
  switch (d.type) {
    case FieldType::kString: *out = std::string_view(p, b.size()); return true;
    case FieldType::kCString: *out = std::string_view(p, strnlen(p, b.size())); return true;
    case FieldType::kPString: {
      if (b.empty()) return false;
      const size_t n = std::min<size_t>(b[0], b.size() - 1);
      *out = std::string_view(p + 1, n);
      return true;
    }
    default: return false;
  }
}

bool ordered(ExprOp op, std::strong_ordering o) {
  switch (op) {
    case ExprOp::kEq: return o == 0;
    case ExprOp::kNe: return o != 0;
    case ExprOp::kLt: return o < 0;
    case ExprOp::kGt: return o > 0;
    case ExprOp::kLe: return o <= 0;
    case ExprOp::kGe: return o >= 0;
    default: return false;
  }
}

Decimal divide(const Decimal& a, const Decimal& b) {
  if (b.IsZero() || !b.IsValid()) return Decimal();  // division by zero gives 0
  Decimal q = Decimal::Divide(a, b, 16);
  return q.IsValid() ? q.Normalized() : q;
}

}  // namespace

bool Expression::FastCompare(const ExprNode& n, bool* result) const {
  auto view = [&](int node, TextView* out) {
    const ExprNode* x = &nodes_[node];
    out->fold = 0;
    if (x->op == ExprOp::kCall && (x->func == ExprFunc::kUpper || x->func == ExprFunc::kLower) &&
        x->args.size() == 1) {
      out->fold = x->func == ExprFunc::kUpper ? 1 : -1;
      x = &nodes_[x->args[0]];
    }
    if (x->op == ExprOp::kConstant) {
      if (!x->constant.isText()) return false;
      out->s = x->constant.rawText();
      return true;
    }
    if (x->op == ExprOp::kOperand) {
      const BoundSource& src = operands_[x->operand].source;
      if (src.kind == BoundSource::Kind::kField) return fieldText(src.field, &out->s);
      if (src.kind == BoundSource::Kind::kText) {
        out->s = *static_cast<const std::string*>(src.variable);
        return true;
      }
    }
    return false;
  };
  TextView a, b;
  if (!view(n.a, &a) || !view(n.b, &b)) return false;
  *result = ordered(n.op, compareViews(a, b));
  return true;
}

Value Expression::Eval(int node) const {
  const ExprNode& n = nodes_[node];
  switch (n.op) {
    case ExprOp::kConstant: return n.constant;
    case ExprOp::kOperand: return operands_[n.operand].source.read();
    case ExprOp::kOr: return Value::Bool(Eval(n.a).truth() || Eval(n.b).truth());
    case ExprOp::kAnd: return Value::Bool(Eval(n.a).truth() && Eval(n.b).truth());
    case ExprOp::kNot: return Value::Bool(!Eval(n.a).truth());
    case ExprOp::kEq:
    case ExprOp::kNe:
    case ExprOp::kLt:
    case ExprOp::kGt:
    case ExprOp::kLe:
    case ExprOp::kGe: {
      bool r = false;
      if (FastCompare(n, &r)) return Value::Bool(r);
      return Value::Bool(ordered(n.op, compareValues(Eval(n.a), Eval(n.b))));
    }
    case ExprOp::kConcat: return Value(Eval(n.a).text() + Eval(n.b).text());
    case ExprOp::kAdd: return Value(Eval(n.a).number() + Eval(n.b).number());
    case ExprOp::kSub: return Value(Eval(n.a).number() - Eval(n.b).number());
    case ExprOp::kMul: return Value(Eval(n.a).number() * Eval(n.b).number());
    case ExprOp::kDiv: return Value(divide(Eval(n.a).number(), Eval(n.b).number()));
    case ExprOp::kMod: {
      const Decimal a = Eval(n.a).number(), b = Eval(n.b).number();
      if (b.IsZero() || !b.IsValid()) return Value();
      return Value(a - divide(a, b).Truncate(0) * b);
    }
    case ExprOp::kNeg: return Value(-Eval(n.a).number());
    case ExprOp::kCall: return Call(n);
  }
  return Value();
}

Value Expression::Call(const ExprNode& n) const {
  std::array<Value, 4> values;
  std::array<const Value*, 4> args{};
  const size_t count = std::min(n.args.size(), values.size());
  for (size_t i = 0; i < count; ++i) {
    if (n.args[i] >= 0) {
      values[i] = Eval(n.args[i]);
      args[i] = &values[i];
    }
  }
  return callFunction(n.func, std::span<const Value* const>(args.data(), count));
}

bool Expression::Alive() const {
  for (const BindingPtr& b : keep_) {
    if (!b->alive) return false;
  }
  return true;
}

bool Expression::Evaluate(Value* out) const {
  if (root_ < 0) {
    postError(Error_NoEvaluator);
    return false;
  }
  if (!Alive()) {
    postError(Error_UnknownEvaluationContext);
    return false;
  }
  *out = Eval(root_);
  return true;
}

Value Expression::Evaluate() const {
  Value v;
  return Evaluate(&v) ? v : Value();
}

bool Expression::Test() const {
  Value v;
  return Evaluate(&v) && v.truth();
}

Value Expression::EvaluateNode(int node) const { return node < 0 ? Value() : Eval(node); }

std::vector<int> Expression::Conjuncts() const {
  std::vector<int> out;
  if (root_ < 0) return out;
  std::vector<int> stack{root_};
  while (!stack.empty()) {
    const int n = stack.back();
    stack.pop_back();
    if (nodes_[n].op == ExprOp::kAnd) {
      stack.push_back(nodes_[n].b);
      stack.push_back(nodes_[n].a);
    } else {
      out.push_back(n);
    }
  }
  return out;
}

std::string Evaluate(std::string_view text) {
  clearError();
  Expression e;
  if (e.Compile(text, threadBindings()) != 0) return std::string();
  Value v;
  if (!e.Evaluate(&v)) return std::string();
  return v.text();
}

}  // namespace rt
