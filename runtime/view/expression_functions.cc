#include "runtime/view/expression_functions.h"

#include <algorithm>

#include "runtime/core/std_date.h"
#include "runtime/core/trim.h"

namespace rt {

namespace {

constexpr FunctionInfo kFunctions[] = {
    {"UPPER", ExprFunc::kUpper, 1, 1},      {"LOWER", ExprFunc::kLower, 1, 1},
    {"CLIP", ExprFunc::kClip, 1, 1},        {"LEFT", ExprFunc::kLeft, 1, 1},
    {"SUB", ExprFunc::kSub, 3, 3},          {"LEN", ExprFunc::kLen, 1, 1},
    {"INSTRING", ExprFunc::kInString, 2, 4}, {"ABS", ExprFunc::kAbs, 1, 1},
    {"INT", ExprFunc::kInt, 1, 1},          {"ROUND", ExprFunc::kRound, 1, 2},
    {"DATE", ExprFunc::kDate, 3, 3},        {"YEAR", ExprFunc::kYear, 1, 1},
    {"MONTH", ExprFunc::kMonth, 1, 1},      {"DAY", ExprFunc::kDay, 1, 1},
    {"TODAY", ExprFunc::kToday, 0, 0},      {"NUMERIC", ExprFunc::kNumeric, 1, 1},
};

// A number argument as a bounded integer (texts read as numbers).
int64_t integer(const Value* v, int64_t fallback) {
  if (!v) return fallback;
  std::optional<int64_t> i = v->number().Truncate(0).ToInt64();
  if (!i) return fallback;
  return std::clamp<int64_t>(*i, -1'000'000'000, 1'000'000'000);
}

Value datePart(const Value* v, int part) {
  CivilDate c;
  const int64_t d = integer(v, 0);
  if (d < kMinStdDate || d > kMaxStdDate || !SplitStdDate(static_cast<int32_t>(d), &c)) return Value(int64_t{0});
  return Value(int64_t{part == 0 ? c.year : part == 1 ? c.month : c.day});
}

}  // namespace

const FunctionInfo* findFunction(std::string_view name) {
  for (const FunctionInfo& f : kFunctions) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

Value callFunction(ExprFunc func, std::span<const Value* const> args) {
  auto arg = [&](size_t i) -> const Value* { return i < args.size() ? args[i] : nullptr; };
  switch (func) {
    case ExprFunc::kUpper: return Value(upperText(arg(0)->text()));
    case ExprFunc::kLower: return Value(lowerText(arg(0)->text()));
    case ExprFunc::kClip: {
      return Value(std::string(trimRight(arg(0)->text())));
    }
    case ExprFunc::kLeft: {
      std::string s = arg(0)->text();
      const size_t lead = std::min(s.size(), s.find_first_not_of(' '));
      return Value(s.substr(lead) + std::string(lead, ' '));
    }
    case ExprFunc::kSub: {
      const std::string s = arg(0)->text();
      const int64_t n = static_cast<int64_t>(s.size());
      int64_t start = integer(arg(1), 1);
      if (start < 0) start = n + start + 1;
      const int64_t length = integer(arg(2), 0);
      if (start < 1 || start > n || length <= 0) return Value::Text("");
      return Value(s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(std::min(length, n - start + 1))));
    }
    case ExprFunc::kLen: return Value(static_cast<int64_t>(arg(0)->text().size()));
    case ExprFunc::kInString: {
      const std::string sub = arg(0)->text();
      const std::string s = arg(1)->text();
      const int64_t step = integer(arg(2), 1);
      const int64_t start = integer(arg(3), 1);
      if (step < 1 || start < 1 || sub.empty()) return Value(int64_t{0});
      for (int64_t at = start - 1; at + static_cast<int64_t>(sub.size()) <= static_cast<int64_t>(s.size());
           at += step) {
        if (s.compare(static_cast<size_t>(at), sub.size(), sub) == 0) return Value(at / step + 1);
      }
      return Value(int64_t{0});
    }
    case ExprFunc::kAbs: return Value(arg(0)->number().Abs());
    case ExprFunc::kInt: return Value(arg(0)->number().Truncate(0));
    case ExprFunc::kRound:
      return Value(arg(0)->number().Round(static_cast<int>(std::clamp<int64_t>(integer(arg(1), 0), 0, 30))));
    case ExprFunc::kDate: {
      const int64_t m = integer(arg(0), 0), d = integer(arg(1), 0), y = integer(arg(2), 0);
      if (m < 1 || m > 1200 || d < 1 || d > 31 || y < 1 || y > 9999) return Value(int64_t{0});
      const int32_t date = MakeStdDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
      return Value(int64_t{date < 0 ? 0 : date});
    }
    case ExprFunc::kYear: return datePart(arg(0), 0);
    case ExprFunc::kMonth: return datePart(arg(0), 1);
    case ExprFunc::kDay: return datePart(arg(0), 2);
    case ExprFunc::kToday: return Value(int64_t{Today()});
    case ExprFunc::kNumeric:
      return Value::Bool(arg(0)->isNumber() || Decimal::Parse(arg(0)->rawText()).has_value());
  }
  return Value();
}

}  // namespace rt
