// The built-in functions of expressions:
//   UPPER(s) LOWER(s)      case of the Windows Latin-1 character set
//   CLIP(s)                without trailing blanks
//   LEFT(s)                leading blanks moved to the end
//   SUB(s, start, length)  characters from `start` (1-based; negative counts
//                          from the end), at most `length` of them
//   LEN(s)                 length, trailing blanks included
//   INSTRING(sub, s [, step [, start]])
//                          position of `sub` in `s`, searched from `start`
//                          in steps of `step` characters; the result counts
//                          steps (step 1: the character position); 0 if absent
//   ABS(n) INT(n)          absolute value; integer part (toward zero)
//   ROUND(n [, places])    half away from zero, to `places` (default 0)
//   DATE(month, day, year) standard date number (0 when impossible)
//   YEAR(d) MONTH(d) DAY(d) parts of a standard date (0 for no date)
//   TODAY()                today's standard date
//   NUMERIC(s)             1 when the text reads as a number
#pragma once

#include <span>
#include <string_view>

#include "runtime/view/expression_node.h"
#include "runtime/view/value.h"

namespace rt {

struct FunctionInfo {
  const char* name;
  ExprFunc func;
  int min_args;
  int max_args;
};

// By upper-case name; nullptr when unknown.
const FunctionInfo* findFunction(std::string_view name);

// `args[i]` is nullptr for an omitted argument.
Value callFunction(ExprFunc func, std::span<const Value* const> args);

}  // namespace rt
