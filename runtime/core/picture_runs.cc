#include "runtime/core/picture_runs.h"

namespace rt {
namespace picture_internal {

namespace {

using Kind = PositionKind;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigitRun(Kind k) {
  return k == Kind::kMonthDigit || k == Kind::kDayDigit || k == Kind::kYearDigit ||
         k == Kind::kHourDigit || k == Kind::kMinuteDigit || k == Kind::kSecondDigit;
}

// The first three letters of two names agree, ignoring ASCII case.
bool SameAbbreviation(std::string_view typed, std::string_view name) {
  if (typed.size() < 3 || name.size() < 3) return false;
  for (int i = 0; i < 3; ++i) {
    if (Lower(typed[i]) != Lower(name[i])) return false;
  }
  return true;
}

int MatchMonth(std::string_view typed, const TimeLocale& locale) {
  for (const TimeLocale* loc : {&locale, &DefaultTimeLocale()}) {
    for (int m = 0; m < 12; ++m) {
      if (SameAbbreviation(typed, loc->short_months[m]) ||
          SameAbbreviation(typed, loc->months[m])) {
        return m + 1;
      }
    }
  }
  return -1;
}

}  // namespace

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         static_cast<unsigned char>(c) >= 0x80;
}

RunValues ReadRuns(const std::vector<PicturePosition>& positions, std::string_view text,
                   const TimeLocale& locale) {
  RunValues v;
  size_t t = 0;
  const size_t n = positions.size();
  for (size_t pi = 0; pi < n;) {
    const Kind kind = positions[pi].kind;
    size_t len = 1;
    while (pi + len < n && positions[pi + len].kind == kind) ++len;

    if (IsDigitRun(kind)) {
      const bool digits_follow = pi + len < n && IsDigitRun(positions[pi + len].kind);
      // A year typed with four digits fits a two-digit run that ends at a
      // separator or at the end of the picture.
      const size_t max = (kind == Kind::kYearDigit && !digits_follow && len < 4) ? 4 : len;
      while (t < text.size() && !IsDigit(text[t]) && !IsNameByte(text[t])) ++t;
      int value = 0;
      size_t got = 0;
      while (t < text.size() && IsDigit(text[t]) && got < max) {
        value = value * 10 + (text[t++] - '0');
        ++got;
      }
      if (got > 0) {
        v.any_digit = true;
        switch (kind) {
          case Kind::kMonthDigit: v.month = value; break;
          case Kind::kDayDigit: v.day = value; break;
          case Kind::kYearDigit: v.year = value; break;
          case Kind::kHourDigit: v.hour = value; break;
          case Kind::kMinuteDigit: v.minute = value; break;
          default: v.second = value; break;
        }
      }
      pi += len;
      continue;
    }
    if (kind == Kind::kMonthName || kind == Kind::kWeekdayName || kind == Kind::kAmPm) {
      while (t < text.size() && !IsDigit(text[t]) && !IsNameByte(text[t])) ++t;
      const size_t start = t;
      while (t < text.size() && IsNameByte(text[t])) ++t;
      if (kind == Kind::kMonthName && t > start) {
        const int m = MatchMonth(text.substr(start, t - start), locale);
        if (m > 0) v.month = m;
      }
      pi += len;
      continue;
    }
    // Separators and literals, one position at a time.
    if (t < text.size()) {
      const char c = text[t];
      const char ch = positions[pi].ch;
      if (IsNameByte(ch) ? Lower(c) == Lower(ch) : (!IsDigit(c) && !IsNameByte(c))) ++t;
    }
    ++pi;
  }
  return v;
}

}  // namespace picture_internal
}  // namespace rt
