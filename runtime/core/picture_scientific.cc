// Scientific pictures (@e): sign, mantissa with one integer digit, places,
// then "E", the exponent's sign and three exponent digits.
#include <string>

#include "runtime/core/picture_builder.h"

namespace rt {

namespace {

using Kind = PositionKind;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool PictureBuilder::CompileScientific(std::string_view s, Picture* p) {
  size_t i = 0;
  const int width = ReadNumber(s, &i, 3);
  if (width < 7 || width > Picture::kMaxPositions) return false;
  char group = 0, decimal = 0;
  ReadIndicators(s, &i, &group, &decimal);
  int places = 0;
  if (decimal != 0) places = std::max(0, ReadNumber(s, &i, 3));
  if (i != s.size()) return false;
  const bool point = decimal == '.' || decimal == '`';
  const int int_positions = width - 1 - point - places - 5;
  if (int_positions < 1) return false;

  const char group_char = group == 0 ? ',' : (group == '_' ? ' ' : (group == '`' ? ',' : group));
  p->places_ = static_cast<std::uint8_t>(places);
  p->implied_decimal_ = decimal == 'v' || decimal == 'V';
  p->decimal_char_ = point ? (decimal == '`' ? ',' : '.') : 0;
  p->group_char_ = group != 0 ? group_char : 0;

  Push(p, Kind::kSign, '-');
  for (int k = int_positions - 1; k >= 0; --k) {
    if (p->group_char_ != 0 && k % 4 == 3) {
      Push(p, Kind::kGroupSeparator, group_char);
    } else {
      Push(p, k == 0 ? Kind::kDigit : Kind::kSuppressibleDigit, k == 0 ? '0' : ' ');
    }
  }
  if (point) Push(p, Kind::kDecimalPoint, p->decimal_char_);
  for (int k = 0; k < places; ++k) Push(p, Kind::kDigit, '0');
  Push(p, Kind::kLiteral, 'E');
  Push(p, Kind::kExponentSign, '+');
  for (int k = 0; k < 3; ++k) Push(p, Kind::kExponentDigit, '0');
  return true;
}

std::string PictureBuilder::FormatScientific(const Picture& p, const Decimal& d) {
  const int width = p.width();
  if (!d.IsValid()) return std::string(width, '#');
  if (p.blank_when_zero() && d.IsZero()) return std::string(width, ' ');
  // The mantissa keeps one integer digit: value = m * 10^exp, 1 <= |m| < 10.
  int exp = 0;
  Decimal m = d.Abs();
  if (!d.IsZero()) {
    const Decimal n = m.Normalized();
    exp = static_cast<int>(n.CoefficientDigits().size()) - 1 - n.Scale();
    m = n.ScaledByPowerOfTen(-exp).Round(p.places());
    if (m >= Decimal(10)) {
      ++exp;
      m = m.ScaledByPowerOfTen(-1).Round(p.places());
    }
  }
  if (exp > 999 || exp < -999) return std::string(width, '#');
  const std::string digits = m.ToString(p.places());  // "d" or "d.ddd"
  const std::string places = p.places() > 0 ? digits.substr(2) : std::string();
  const std::string e = std::to_string(exp < 0 ? -exp : exp);
  const std::string e3 = std::string(3 - e.size(), '0') + e;

  std::string out;
  out.reserve(width);
  int place = 0, exp_digit = 0;
  for (const PicturePosition& pos : p.positions()) {
    switch (pos.kind) {
      case Kind::kSign: out += ' '; break;
      case Kind::kDigit:  // the mantissa's integer digit, then the places
        out += place == 0 ? digits[0] : (place - 1 < static_cast<int>(places.size())
                                             ? places[place - 1] : '0');
        ++place;
        break;
      case Kind::kSuppressibleDigit:
      case Kind::kGroupSeparator: out += ' '; break;
      case Kind::kExponentSign: out += exp < 0 ? '-' : '+'; break;
      case Kind::kExponentDigit: out += e3[exp_digit++]; break;
      default: out += pos.ch; break;
    }
  }
  if (d.IsNegative()) {
    // The minus stands right before the mantissa's digit.
    const size_t first = out.find_first_not_of(' ');
    if (first != std::string::npos && first > 0) out[first - 1] = '-';
  }
  return out;
}

bool PictureBuilder::DeformatScientific(const Picture& p, std::string_view text,
                                        PictureValue* value) {
  std::string mantissa;
  bool negative = false, point = false, in_exp = false, exp_negative = false;
  long exp = 0;
  int digits = 0;
  for (char c : text) {
    if (in_exp) {
      if (IsDigit(c)) {
        if (exp < 100000) exp = exp * 10 + (c - '0');
      } else if (c == '-') {
        exp_negative = true;
      }
    } else if (IsDigit(c)) {
      if (mantissa.size() < 4096) mantissa += c;
      ++digits;
    } else if (c == '-' || c == '(') {
      negative = true;
    } else if (!point && (c == '.' || (p.decimal_char_ != 0 && c == p.decimal_char_))) {
      point = true;
      mantissa += '.';
    } else if (c == 'E' || c == 'e') {
      in_exp = true;
    }
  }
  if (digits == 0) {
    *value = PictureValue(Decimal());
    return true;
  }
  std::optional<Decimal> m = Decimal::Parse(mantissa);
  Decimal v = m ? m->ScaledByPowerOfTen(static_cast<int>(exp_negative ? -exp : exp))
                : Decimal::Invalid();
  if (!v.IsValid()) {
    *value = PictureValue(Decimal());
    return false;
  }
  *value = PictureValue(negative ? -v : v);
  return true;
}

}  // namespace rt
