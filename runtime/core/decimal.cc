#include "runtime/core/decimal.h"

#include <algorithm>
#include <limits>

#include "runtime/core/decimal_wide.h"

namespace rt {

using decimal_internal::Pow10;
using decimal_internal::U256;
namespace wide = decimal_internal;

// Builds Decimals from wide intermediate results; private access for the
// helpers below without widening the public interface.
struct DecimalAccess {
  using u128 = Decimal::u128;

  static Decimal Make(u128 coeff, int scale, bool negative) {
    return Decimal(coeff, scale, negative);
  }
  static u128 Coeff(const Decimal& d) { return d.coeff_; }

  // Rounds a wide magnitude half away from zero until it fits 38 digits and
  // kMaxScale places; invalid when the integer part alone is too wide.
  static Decimal Fit(U256 m, int scale, bool negative) {
    const U256 limit = U256::From(Pow10(Decimal::kMaxDigits));
    int last = 0;
    bool dropped = false;
    while (scale > Decimal::kMaxScale || wide::Compare(m, limit) >= 0) {
      if (scale == 0) return Decimal::Invalid();
      last = static_cast<int>(wide::DivSmall(&m, 10));
      --scale;
      dropped = true;
    }
    u128 c = m.Low();
    if (dropped && last >= 5) {
      ++c;
      if (c == Pow10(Decimal::kMaxDigits)) {
        if (scale == 0) return Decimal::Invalid();
        c /= 10;
        --scale;
      }
    }
    return Decimal(c, scale, negative);
  }

  // The magnitude of d scaled to `scale` places (>= d's scale), exactly.
  static U256 Widen(const Decimal& d, int scale) {
    U256 m = U256::From(d.coeff_);
    wide::MulPow10(&m, scale - d.scale_);  // at most 76 digits: always fits
    return m;
  }

  static Decimal AddSigned(const Decimal& a, const Decimal& b, bool negate_b) {
    if (!a.valid_ || !b.valid_) return Decimal::Invalid();
    const int scale = std::max(a.scale_, b.scale_);
    const U256 ma = Widen(a, scale), mb = Widen(b, scale);
    const bool nb = b.negative_ != negate_b;
    if (a.negative_ == nb) return Fit(wide::Add(ma, mb), scale, a.negative_);
    if (wide::Compare(ma, mb) >= 0) return Fit(wide::Sub(ma, mb), scale, a.negative_);
    return Fit(wide::Sub(mb, ma), scale, nb);
  }

  static int CompareMagnitude(const Decimal& a, const Decimal& b) {
    const int scale = std::max(a.scale_, b.scale_);
    return wide::Compare(Widen(a, scale), Widen(b, scale));
  }

  static Decimal Divide(const Decimal& a, const Decimal& b, int places) {
    if (!a.valid_ || !b.valid_ || b.coeff_ == 0) return Decimal::Invalid();
    places = std::clamp(places, 0, Decimal::kMaxScale);
    // Q = floor(|a| / |b| * 10^(places + 1)); the extra digit decides the
    // rounding, which is exact because Q is truncated, not rounded.
    const int k = places + 1 + b.scale_ - a.scale_;
    U256 q, r;
    const U256 den = U256::From(b.coeff_);
    if (k >= 0) {
      wide::DivMod(U256::From(a.coeff_), den, &q, &r);
      U256 bound = U256::From(Pow10(38));
      wide::MulPow10(&bound, 38);
      for (int i = 0; i < k; ++i) {
        if (wide::Compare(q, bound) >= 0) return Decimal::Invalid();
        wide::MulSmall(&q, 10);
        wide::MulSmall(&r, 10);
        std::uint64_t digit = 0;
        while (wide::Compare(r, den) >= 0) {
          r = wide::Sub(r, den);
          ++digit;
        }
        q = wide::Add(q, U256::From(digit));
      }
    } else {
      U256 d = den;
      wide::MulPow10(&d, -k);  // -k <= kMaxScale: fits
      wide::DivMod(U256::From(a.coeff_), d, &q, &r);
    }
    const int extra = static_cast<int>(wide::DivSmall(&q, 10));
    if (extra >= 5) q = wide::Add(q, U256::From(1));
    return Fit(q, places, a.negative_ != b.negative_);
  }
};

namespace {

using u128 = unsigned __int128;

std::string DigitsOf(u128 c) {
  const u128 e19 = Pow10(19);
  if (c < e19) return std::to_string(static_cast<std::uint64_t>(c));
  std::string lo = std::to_string(static_cast<std::uint64_t>(c % e19));
  return std::to_string(static_cast<std::uint64_t>(c / e19)) + std::string(19 - lo.size(), '0') +
         lo;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Decimal::Decimal(std::int64_t v)
    : coeff_(v < 0 ? static_cast<u128>(-(v + 1)) + 1 : static_cast<u128>(v)),
      scale_(0),
      negative_(v < 0),
      valid_(true) {}

Decimal Decimal::Invalid() { return Decimal(0, 0, false, false); }

std::optional<Decimal> Decimal::Parse(std::string_view text) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  U256 m;
  int scale = 0, digits = 0, last = 0;
  bool point = false, dropped = false;
  const U256 limit = U256::From(Pow10(kMaxDigits));
  for (; i < n; ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    ++digits;
    if (dropped) continue;  // further places beyond what fits
    U256 next = m;
    wide::MulSmall(&next, 10);
    next = wide::Add(next, U256::From(static_cast<u128>(c - '0')));
    if (wide::Compare(next, limit) >= 0 || (point && scale == kMaxScale)) {
      if (!point) return std::nullopt;  // integer part too wide
      dropped = true;
      last = c - '0';
      continue;
    }
    m = next;
    if (point) ++scale;
  }
  if (digits == 0) return std::nullopt;
  if (dropped && last >= 5) m = wide::Add(m, U256::From(1));
  Decimal d = DecimalAccess::Fit(m, scale, negative);
  if (!d.valid_) return std::nullopt;
  return d;
}

Decimal Decimal::FromPacked(std::span<const std::uint8_t> bytes, int places) {
  const int n = static_cast<int>(bytes.size());
  if (n == 0 || 2 * n - 1 > kMaxPackedDigits || places < 0 || places > 2 * n - 1) {
    return Invalid();
  }
  u128 c = 0;
  for (int i = 0; i < 2 * n; ++i) {
    if (i == 0) continue;  // sign nibble
    const int nibble = (i % 2 == 0) ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
    if (nibble > 9) return Invalid();
    c = c * 10 + nibble;
  }
  return Decimal(c, places, (bytes[0] >> 4) != 0);
}

bool Decimal::ToPacked(std::span<std::uint8_t> out, int places) const {
  const int n = static_cast<int>(out.size());
  const int max_digits = 2 * n - 1;
  if (!valid_ || n == 0 || max_digits > kMaxPackedDigits || places < 0 ||
      places > max_digits) {
    return false;
  }
  const Decimal r = Round(places);
  if (!r.valid_) return false;
  const int int_digits = r.coeff_ == 0 ? 0 : static_cast<int>(DigitsOf(r.coeff_).size()) - r.scale_;
  if (int_digits + places > max_digits) return false;
  u128 c = r.coeff_ * Pow10(places - r.scale_);
  for (int i = 2 * n - 1; i >= 1; --i) {
    const int digit = static_cast<int>(c % 10);
    c /= 10;
    std::uint8_t& b = out[i / 2];
    b = (i % 2 == 0) ? static_cast<std::uint8_t>((b & 0x0F) | (digit << 4))
                     : static_cast<std::uint8_t>((b & 0xF0) | digit);
  }
  out[0] = static_cast<std::uint8_t>((r.negative_ ? 0xF0 : 0x00) | (out[0] & 0x0F));
  return true;
}

std::string Decimal::CoefficientDigits() const { return DigitsOf(coeff_); }

std::string Decimal::ToString() const {
  if (!valid_) return "";
  std::string digits = DigitsOf(coeff_);
  if (static_cast<int>(digits.size()) <= scale_) {
    digits.insert(0, scale_ + 1 - digits.size(), '0');
  }
  if (scale_ > 0) digits.insert(digits.size() - scale_, 1, '.');
  if (negative_) digits.insert(0, 1, '-');
  return digits;
}

std::string Decimal::ToString(int places) const {
  if (!valid_) return "";
  places = std::clamp(places, 0, kMaxScale);
  Decimal r = Round(places);
  std::string s = r.ToString();
  if (r.scale_ < places) {
    if (r.scale_ == 0) s += '.';
    s.append(places - r.scale_, '0');
  }
  return s;
}

Decimal Decimal::Round(int places) const {
  places = std::max(places, 0);
  if (!valid_ || places >= scale_) return *this;
  const u128 p = Pow10(scale_ - places);
  u128 q = coeff_ / p;
  if ((coeff_ % p) * 2 >= p) ++q;
  return Decimal(q, places, negative_);
}

Decimal Decimal::Truncate(int places) const {
  places = std::max(places, 0);
  if (!valid_ || places >= scale_) return *this;
  return Decimal(coeff_ / Pow10(scale_ - places), places, negative_);
}

Decimal Decimal::Normalized() const {
  Decimal r = *this;
  while (r.valid_ && r.scale_ > 0 && r.coeff_ % 10 == 0) {
    r.coeff_ /= 10;
    --r.scale_;
  }
  return r;
}

Decimal Decimal::Abs() const { return Decimal(coeff_, scale_, false, valid_); }

Decimal Decimal::ScaledByPowerOfTen(int exp) const {
  if (!valid_) return *this;
  const long scale = static_cast<long>(scale_) - exp;
  if (coeff_ == 0) return Decimal();
  if (scale >= 0) {
    if (scale > 2 * kMaxScale + kMaxDigits) return Decimal();  // rounds to 0
    return DecimalAccess::Fit(U256::From(coeff_), static_cast<int>(scale), negative_);
  }
  if (scale < -kMaxDigits) return Invalid();
  U256 m = U256::From(coeff_);
  wide::MulPow10(&m, static_cast<int>(-scale));
  return DecimalAccess::Fit(m, 0, negative_);
}

std::optional<std::int64_t> Decimal::ToInt64() const {
  if (!valid_) return std::nullopt;
  const u128 i = coeff_ / Pow10(scale_);
  const u128 max = static_cast<u128>(std::numeric_limits<std::int64_t>::max());
  if (i > max + (negative_ ? 1 : 0)) return std::nullopt;
  if (!negative_) return static_cast<std::int64_t>(i);
  return i == max + 1 ? std::numeric_limits<std::int64_t>::min()
                      : -static_cast<std::int64_t>(i);
}

Decimal Decimal::Divide(const Decimal& a, const Decimal& b, int places) {
  return DecimalAccess::Divide(a, b, places);
}

Decimal operator+(const Decimal& a, const Decimal& b) {
  return DecimalAccess::AddSigned(a, b, false);
}

Decimal operator-(const Decimal& a, const Decimal& b) {
  return DecimalAccess::AddSigned(a, b, true);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
  if (!a.valid_ || !b.valid_) return Decimal::Invalid();
  return DecimalAccess::Fit(wide::Mul(a.coeff_, b.coeff_), a.scale_ + b.scale_,
                            a.negative_ != b.negative_);
}

Decimal Decimal::operator-() const { return Decimal(coeff_, scale_, !negative_, valid_); }

std::partial_ordering operator<=>(const Decimal& a, const Decimal& b) {
  if (!a.valid_ || !b.valid_) return std::partial_ordering::unordered;
  if (a.negative_ != b.negative_) {
    return a.negative_ ? std::partial_ordering::less : std::partial_ordering::greater;
  }
  int c = DecimalAccess::CompareMagnitude(a, b);
  if (a.negative_) c = -c;
  return c < 0 ? std::partial_ordering::less
               : (c > 0 ? std::partial_ordering::greater : std::partial_ordering::equivalent);
}

bool operator==(const Decimal& a, const Decimal& b) {
  return (a <=> b) == std::partial_ordering::equivalent;
}

}  // namespace rt
