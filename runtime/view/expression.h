// Compiled expressions: filter texts and the runtime's EVALUATE.
//
//   Expression e;
//   if (e.Compile("QVL:MATERIA = 12 AND UPPER(QVL:NOMBRE) >= 'M'", resolver) == 0)
//     for (each record) if (e.Test()) ...
//
// Syntax (keywords, function names and labels in any case):
//   texts in single quotes, a quote inside written twice: 'O''Brien'
//   numbers: 12, 7.50, .5 (exact decimals)
//   names: field labels and bound names, "PRE:NAME" or "PRE:NAME[3]"
//   operators, loosest first: OR; AND; NOT; = <> < > <= >= (also =< =>);
//   &; + -; * / %; unary - +; parentheses group
//   functions: see expression_functions.cc
// Texts compare without regard to trailing blanks; numbers, dates (as day
// numbers) and decimals compare exactly as numbers; a number and a text
// that reads as a number compare as numbers.
//
// Errors are runtime error codes, posted to the error state too:
//   1010 the text is not a valid expression (syntax, unknown function,
//        too many arguments)
//   1011 a name that is not bound
//   1013 evaluating an expression that was never compiled successfully
//   1014 a name's binding was unbound or popped since the compile
//   1015 a function's required argument is missing
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/view/bindings.h"
#include "runtime/view/expression_node.h"
#include "runtime/view/value.h"

namespace rt {

class Expression {
 public:
  // 0 or an error code; on error the expression is empty.
  int32_t Compile(std::string_view text, const NameResolver& names);
  bool compiled() const { return root_ >= 0; }
  const std::string& text() const { return text_; }
  // Offset in the text where compiling failed.
  size_t errorOffset() const { return error_offset_; }

  // False after posting 1013 or 1014.
  bool Evaluate(Value* out) const;
  Value Evaluate() const;
  // The value's truth; false on error.
  bool Test() const;

  // --- Structure, for callers that look inside (the view's range seek).
  const std::vector<ExprNode>& nodes() const { return nodes_; }
  const std::vector<ExprOperand>& operands() const { return operands_; }
  int root() const { return root_; }
  // The node's value (no liveness check).
  Value EvaluateNode(int node) const;
  bool TestNode(int node) const { return EvaluateNode(node).truth(); }
  // Whether every binding is still alive (1014 otherwise).
  bool Alive() const;
  // The operands of the top-level AND chain.
  std::vector<int> Conjuncts() const;
  // Whether the node reads any operand for which `reads(operand)` is true.
  template <typename Pred>
  bool Reads(int node, Pred reads) const;

 private:
  friend class ExpressionParser;
  Value Eval(int node) const;
  Value Call(const ExprNode& n) const;
  bool FastCompare(const ExprNode& n, bool* result) const;

  std::string text_;
  std::vector<ExprNode> nodes_;
  std::vector<ExprOperand> operands_;
  std::vector<BindingPtr> keep_;
  int root_ = -1;
  size_t error_offset_ = 0;
};

template <typename Pred>
bool Expression::Reads(int node, Pred reads) const {
  if (node < 0) return false;
  const ExprNode& n = nodes_[node];
  if (n.op == ExprOp::kOperand) return reads(operands_[n.operand]);
  if (Reads(n.a, reads) || Reads(n.b, reads)) return true;
  for (int arg : n.args) {
    if (Reads(arg, reads)) return true;
  }
  return false;
}

// EVALUATE: compiles and evaluates `text` against the thread's bindings.
// The value as text, or "" with the error posted.
std::string Evaluate(std::string_view text);

}  // namespace rt
