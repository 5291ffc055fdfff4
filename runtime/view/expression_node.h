// The compiled form of an expression: a tree of nodes in one array.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/view/bindings.h"
#include "runtime/view/value.h"

namespace rt {

enum class ExprOp : uint8_t {
  kConstant, kOperand,
  kOr, kAnd, kNot,
  kEq, kNe, kLt, kGt, kLe, kGe,
  kConcat, kAdd, kSub, kMul, kDiv, kMod, kNeg,
  kCall,
};

enum class ExprFunc : uint8_t {
  kUpper, kLower, kClip, kLeft, kSub, kLen, kInString, kAbs, kInt, kRound,
  kDate, kYear, kMonth, kDay, kToday, kNumeric,
};

struct ExprNode {
  ExprOp op = ExprOp::kConstant;
  ExprFunc func = ExprFunc::kUpper;  // kCall
  int a = -1, b = -1;                 // operands of unary and binary nodes
  int operand = -1;                   // kOperand: index into operands()
  std::vector<int> args;              // kCall: -1 for an omitted argument
  Value constant;                     // kConstant
};

struct ExprOperand {
  std::string name;  // as written, upper-cased
  BoundSource source;
  int keep = -1;     // index of the binding to check, or -1
};

bool isComparison(ExprOp op);

}  // namespace rt
