// Exact decimal numbers: the value type of packed-decimal fields, of grade
// arithmetic and of what number pictures show.
//
// A Decimal is sign * coefficient * 10^-scale with a coefficient of at most
// 38 decimal digits, so every packed-decimal field value (up to 31 digits)
// is held exactly. Nothing here goes through binary floating point:
// Decimal::Parse("0.1") + Decimal::Parse("0.2") == Decimal::Parse("0.3").
//
// A result that cannot be represented (an integer part beyond 38 digits, a
// division by zero, a malformed packed field) is the invalid Decimal. It
// propagates through arithmetic like a NaN, compares unordered with every
// value, prints as the empty text and never packs.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rt {

class Decimal {
 public:
  static constexpr int kMaxDigits = 38;        // digits of the coefficient
  static constexpr int kMaxPackedDigits = 31;  // digits of the widest packed field
  static constexpr int kMaxScale = 38;         // places a value can carry

  Decimal() = default;  // 0
  Decimal(std::int64_t v);  // NOLINT: implicit, so that `x >= 7` reads naturally

  static Decimal Invalid();

  // Text: optional blanks, optional sign, digits with at most one ".", optional
  // blanks ("-12.50", " 7", ".5", "3."). Anything else gives nullopt.
  static std::optional<Decimal> Parse(std::string_view text);

  // Packed BCD of bytes.size() bytes with `places` decimals: the high nibble of
  // the first byte is the sign (non-zero: negative), then 2n-1 digit nibbles,
  // most significant first. A nibble above 9 or places outside 0..2n-1 gives
  // the invalid Decimal. The result carries exactly `places` places.
  static Decimal FromPacked(std::span<const std::uint8_t> bytes, int places);

  // Writes the value rounded half away from zero to `places` into `out`
  // (negative sign nibble 0xF; zero is never negative). Returns false, leaving
  // `out` untouched, when the value is invalid, does not fit in 2n-1 digits, or
  // places is outside 0..2n-1.
  bool ToPacked(std::span<std::uint8_t> out, int places) const;

  bool IsValid() const { return valid_; }
  bool IsZero() const { return valid_ && coeff_ == 0; }
  bool IsNegative() const { return valid_ && negative_; }
  int Scale() const { return scale_; }  // places carried, trailing zeros included

  // Exact text with the carried places: "-7.50", "0", "0.05"; "" when invalid.
  std::string ToString() const;
  // Rounded half away from zero to `places` and shown with exactly that many.
  std::string ToString(int places) const;

  Decimal Round(int places) const;     // half away from zero: 2.345 -> 2.35, -2.5 -> -3
  Decimal Truncate(int places) const;  // toward zero: 7.99 -> 7 at 0 places
  Decimal Normalized() const;          // trailing zero places dropped: 7.50 -> 7.5
  Decimal Abs() const;
  // Multiplies by 10^exp exactly (exp may be negative): scientific notation.
  Decimal ScaledByPowerOfTen(int exp) const;

  // The integer part, or nullopt when invalid or outside the 64-bit range.
  std::optional<std::int64_t> ToInt64() const;

  // a / b rounded half away from zero to `places` (0..kMaxScale); invalid on
  // b == 0 or overflow.
  static Decimal Divide(const Decimal& a, const Decimal& b, int places);

  friend Decimal operator+(const Decimal& a, const Decimal& b);
  friend Decimal operator-(const Decimal& a, const Decimal& b);
  friend Decimal operator*(const Decimal& a, const Decimal& b);
  Decimal operator-() const;
  Decimal& operator+=(const Decimal& b) { return *this = *this + b; }
  Decimal& operator-=(const Decimal& b) { return *this = *this - b; }
  Decimal& operator*=(const Decimal& b) { return *this = *this * b; }

  // Numeric comparison: 7 == 7.00. Invalid values are unordered.
  friend std::partial_ordering operator<=>(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b);

  // Raw access for formatting: the coefficient's digits, most significant
  // first, without leading zeros ("0" for zero).
  std::string CoefficientDigits() const;

 private:
  using u128 = unsigned __int128;
  Decimal(u128 coeff, int scale, bool negative, bool valid = true)
      : coeff_(coeff), scale_(static_cast<std::int16_t>(scale)),
        negative_(negative && coeff != 0), valid_(valid) {}
  friend struct DecimalAccess;

  u128 coeff_ = 0;
  std::int16_t scale_ = 0;
  bool negative_ = false;
  bool valid_ = true;
};

}  // namespace rt
