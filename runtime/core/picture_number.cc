// Number pictures (@n): layout, format and deformat.
#include <string>

#include "runtime/core/picture_builder.h"

namespace rt {

namespace {

using Kind = PositionKind;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDigitKind(Kind k) { return k == Kind::kDigit || k == Kind::kSuppressibleDigit; }

// "$" or "~text~" at s[*i]; false when a "~" is not closed.
bool ReadCurrency(std::string_view s, size_t* i, std::string* out) {
  if (*i < s.size() && s[*i] == '$') {
    *out = "$";
    ++*i;
  } else if (*i < s.size() && s[*i] == '~') {
    const size_t close = s.find('~', *i + 1);
    if (close == std::string_view::npos || close == *i + 1) return false;
    *out = std::string(s.substr(*i + 1, close - *i - 1));
    *i = close + 1;
  }
  return true;
}

int DigitPositions(const Picture& p) {
  int n = 0;
  for (const PicturePosition& pos : p.positions()) n += IsDigitKind(pos.kind);
  return n;
}

}  // namespace

bool PictureBuilder::CompileNumber(std::string_view s, Picture* p) {
  size_t i = 0;
  std::string lead_currency, trail_currency;
  if (!ReadCurrency(s, &i, &lead_currency)) return false;
  char lead_sign = 0, trail_sign = 0, fill = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '(')) lead_sign = s[i++];
  if (i < s.size() && (s[i] == '0' || s[i] == '_' || s[i] == '*')) fill = s[i++];
  const int width = ReadNumber(s, &i, 3);
  if (width < 1 || width > Picture::kMaxPositions) return false;

  char group = 0, decimal = 0;
  ReadIndicators(s, &i, &group, &decimal);
  int places = 0;
  if (decimal != 0) {
    places = ReadNumber(s, &i, 3);
    if (places < 0) places = 0;
  }
  if (i < s.size() && ((s[i] == '-' && lead_sign == 0) || (s[i] == ')' && lead_sign == '('))) {
    trail_sign = s[i++];
  }
  if (lead_sign == '(' && trail_sign != ')') return false;
  if (lead_currency.empty() && !ReadCurrency(s, &i, &trail_currency)) return false;
  if (i != s.size()) return false;

  const bool implied = decimal == 'v' || decimal == 'V';
  const bool point = decimal != 0 && !implied;
  const int fixed = static_cast<int>(lead_currency.size() + trail_currency.size()) +
                    (lead_sign != 0) + (trail_sign != 0) + places + point;
  if (fixed > width) return false;

  char group_char = ',';
  if (group != 0) {
    group_char = group == '_' ? ' ' : (group == '`' ? ',' : group);
  } else if (fill == '0' || fill == '_') {
    group_char = 0;
  } else if (decimal == '`') {
    group_char = '.';
  }
  const char fill_char = (fill == '0' || fill == '*') ? fill : ' ';

  p->places_ = static_cast<std::uint8_t>(places);
  p->implied_decimal_ = implied;
  p->decimal_char_ = point ? (decimal == '`' ? ',' : '.') : 0;
  p->group_char_ = group_char;

  for (char c : lead_currency) Push(p, Kind::kCurrency, c);
  if (lead_sign != 0) Push(p, Kind::kSign, lead_sign);
  // Integer positions, laid out right to left and then reversed into place.
  const int int_positions = width - fixed;
  std::string kinds;  // 'u' units, 's' suppressible, 'g' group separator
  for (int k = 0; k < int_positions; ++k) {
    if (k == 0) {
      kinds += 'u';
    } else if (group_char != 0 && k % 4 == 3) {
      kinds += 'g';
    } else {
      kinds += 's';
    }
  }
  for (int k = int_positions - 1; k >= 0; --k) {
    if (kinds[k] == 'g') {
      Push(p, Kind::kGroupSeparator, group_char);
    } else if (kinds[k] == 'u' && !implied) {
      Push(p, Kind::kDigit, '0');
    } else {
      Push(p, Kind::kSuppressibleDigit, fill_char);
    }
  }
  if (point) Push(p, Kind::kDecimalPoint, p->decimal_char_);
  for (int k = 0; k < places; ++k) Push(p, Kind::kDigit, '0');
  if (trail_sign != 0) Push(p, Kind::kSign, trail_sign);
  for (char c : trail_currency) Push(p, Kind::kCurrency, c);
  return true;
}

std::string PictureBuilder::FormatNumber(const Picture& p, const Decimal& d) {
  const int width = p.width();
  if (!d.IsValid()) return std::string(width, '#');
  if (p.blank_when_zero() && d.IsZero()) return std::string(width, ' ');

  const Decimal r = d.Round(p.places());
  const bool negative = r.IsNegative();
  std::string text = r.Abs().ToString(p.places());  // "123.45" or "0.45" or "7"
  const size_t dot = text.find('.');
  std::string int_digits = text.substr(0, dot);
  const std::string frac = dot == std::string::npos ? std::string() : text.substr(dot + 1);
  if (int_digits == "0") int_digits.clear();

  const int int_positions = DigitPositions(p) - p.places();
  if (static_cast<int>(int_digits.size()) > int_positions) return std::string(width, '#');

  std::string out;
  out.reserve(width);
  int k = 0;  // digit positions seen
  int lead_sign = -1, int_start = -1, first_sig = -1;
  for (const PicturePosition& pos : p.positions()) {
    char c = pos.ch;
    switch (pos.kind) {
      case Kind::kDigit:
      case Kind::kSuppressibleDigit: {
        if (int_start < 0) int_start = static_cast<int>(out.size());
        if (k < int_positions) {
          const int j = int_positions - 1 - k;  // power of ten of this position
          if (j < static_cast<int>(int_digits.size())) {
            c = int_digits[int_digits.size() - 1 - j];
          } else if (pos.kind == Kind::kDigit) {
            c = '0';
          }
          if (first_sig < 0 &&
              (j < static_cast<int>(int_digits.size()) || pos.kind == Kind::kDigit)) {
            first_sig = static_cast<int>(out.size());
          }
        } else {
          const int f = k - int_positions;
          c = f < static_cast<int>(frac.size()) ? frac[f] : '0';
          if (first_sig < 0) first_sig = static_cast<int>(out.size());
        }
        ++k;
        break;
      }
      case Kind::kGroupSeparator: {
        if (int_start < 0) int_start = static_cast<int>(out.size());
        const char prev = out.empty() ? ' ' : out.back();
        c = IsDigit(prev) ? pos.ch : (prev == '*' ? '*' : ' ');
        break;
      }
      case Kind::kDecimalPoint:
        if (first_sig < 0) first_sig = static_cast<int>(out.size());
        break;
      case Kind::kSign:
        if (int_start < 0) lead_sign = static_cast<int>(out.size());
        c = negative ? pos.ch : ' ';
        break;
      default:
        break;
    }
    out += c;
  }
  if (!negative) return out;

  if (first_sig < 0) first_sig = static_cast<int>(out.size());
  if (int_start < 0) int_start = first_sig;
  if (lead_sign >= 0) {
    // A leading sign moves right, next to the first significant character,
    // across blank positions (not across fill characters).
    if (first_sig - 1 > lead_sign && out[first_sig - 1] == ' ') {
      out[first_sig - 1] = out[lead_sign];
      out[lead_sign] = ' ';
    }
    return out;
  }
  bool has_sign = false;
  for (const PicturePosition& pos : p.positions()) has_sign |= pos.kind == Kind::kSign;
  if (has_sign) return out;
  // No sign position: a minus takes the nearest free position to the left of
  // the number; a number that leaves none shows as overflow rather than as
  // a positive value.
  if (first_sig > int_start && out[first_sig - 1] == ' ') {
    out[first_sig - 1] = '-';
  } else if (first_sig > int_start) {
    out[int_start] = '-';
  } else {
    return std::string(width, '#');
  }
  return out;
}

bool PictureBuilder::DeformatNumber(const Picture& p, std::string_view text,
                                    PictureValue* value) {
  std::string digits;
  bool negative = false;
  int point_at = -1;  // digits before the decimal point
  const char dec = p.decimal_char_;
  for (char c : text) {
    if (IsDigit(c)) {
      if (digits.size() < 4096) digits += c;
    } else if (c == '-' || c == '(') {
      negative = true;
    } else if (point_at < 0 && ((dec != 0 && c == dec) || (c == '.' && p.group_char_ != '.'))) {
      point_at = static_cast<int>(digits.size());
    }
  }
  if (digits.empty()) digits = "0";
  if (point_at < 0 && p.implied_decimal_) {
    // No point typed: the last `places` digits are the decimals.
    if (static_cast<int>(digits.size()) < p.places()) {
      digits.insert(0, p.places() - digits.size(), '0');
    }
    point_at = static_cast<int>(digits.size()) - p.places();
  }
  std::string s = negative ? "-" : "";
  s += digits.substr(0, point_at < 0 ? digits.size() : point_at);
  if (point_at >= 0) {
    s += '.';
    s += digits.substr(point_at);
  }
  std::optional<Decimal> d = Decimal::Parse(s);
  if (!d) {
    *value = PictureValue(Decimal());
    return false;
  }
  *value = PictureValue(*d);
  // Refused when the integer part would not fit the picture's positions.
  const Decimal r = d->Round(p.places()).Abs();
  std::string int_part = r.ToString(0);
  if (int_part == "0") int_part.clear();
  return static_cast<int>(int_part.size()) <= DigitPositions(p) - p.places();
}

}  // namespace rt
