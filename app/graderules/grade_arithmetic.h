// The arithmetic and text tests the grade rule is made of, shared by the rule
// and by its explanation so that both count, average and compare alike.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/core/decimal.h"
#include "runtime/core/trim.h"

namespace app::grades {

inline constexpr std::string_view kAprueba = "APRUEBA";
inline constexpr std::string_view kRecupera = "RECUPERA";
inline constexpr std::string_view kDiciembre = "DICIEMBRE";
inline constexpr std::string_view kFebrero = "FEBRERO";
inline constexpr std::string_view kAdeuda = "ADEUDA";
inline constexpr std::string_view kAusente = "AUSENTE";

inline const rt::Decimal& PassMark() {
  static const rt::Decimal pass = 7;
  return pass;
}

// A grade counts when it is above 0; an invalid value compares false.
inline bool Present(const rt::Decimal& grade) { return grade > 0; }
inline bool Failing(const rt::Decimal& grade) { return Present(grade) && grade < PassMark(); }
inline bool Passing(const rt::Decimal& grade) { return grade >= PassMark(); }

// The fields hold 2 places.
inline rt::Decimal Field(const rt::Decimal& v) { return v.Round(2); }

// Whole grades stay, a fraction up to .5 goes to .5, above .5 to the next
// whole grade: 7.25 -> 7.5, 7.50 -> 7.5, 7.51 -> 8.
inline rt::Decimal HalfPointRound(const rt::Decimal& x) {
  static const rt::Decimal half = rt::Decimal(5).ScaledByPowerOfTen(-1);
  const rt::Decimal whole = x.Truncate(0);
  const rt::Decimal fraction = x - whole;
  if (fraction.IsZero()) return x;
  if (fraction > half) return whole + 1;
  return whole + half;
}

// The quotient of the present grades' sum by `count`, kept with 2 places
// (half up at the third), before the half-point rounding. Only present
// grades are summed, so a negative value in a field can neither lower the
// average nor make it negative.
template <std::size_t N>
rt::Decimal Quotient(const std::array<const rt::Decimal*, N>& grades, std::int16_t count) {
  rt::Decimal sum;
  for (const rt::Decimal* g : grades) {
    if (Present(*g)) sum += *g;
  }
  return rt::Decimal::Divide(sum, count, 2);
}

template <std::size_t N>
rt::Decimal Average(const std::array<const rt::Decimal*, N>& grades, std::int16_t count) {
  return Field(HalfPointRound(Quotient(grades, count)));
}

// Equal to `word` once trailing blanks are ignored.
inline bool TextIs(std::span<const char> text, std::string_view word) {
  return rt::trimRight(std::string_view(text.data(), text.size())) == word;
}

inline void SetText(std::span<char> text, std::string_view word) {
  const std::size_t n = std::min(word.size(), text.size());
  std::copy_n(word.data(), n, text.data());
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(n), text.end(), ' ');
}

}  // namespace app::grades
