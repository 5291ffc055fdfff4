#include "runtime/core/picture_value.h"

#include <limits>

namespace rt {

namespace {

// Reads the longest prefix that looks like a number; garbage reads as 0.
Decimal ReadLeadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  size_t end = i;
  if (end < s.size() && (s[end] == '-' || s[end] == '+')) ++end;
  bool point = false;
  for (; end < s.size(); ++end) {
    if (s[end] == '.' && !point) {
      point = true;
    } else if (s[end] < '0' || s[end] > '9') {
      break;
    }
  }
  std::optional<Decimal> d = Decimal::Parse(s.substr(i, end - i));
  return d ? *d : Decimal();
}

}  // namespace

Decimal PictureValue::AsNumber() const {
  return is_number_ ? number_ : ReadLeadingNumber(text_);
}

std::string PictureValue::AsText() const { return is_number_ ? number_.ToString() : text_; }

std::int32_t PictureValue::AsInt32() const {
  const Decimal d = AsNumber();
  if (!d.IsValid()) return 0;
  const std::optional<std::int64_t> v = d.ToInt64();
  if (!v) return d.IsNegative() ? std::numeric_limits<std::int32_t>::min()
                                : std::numeric_limits<std::int32_t>::max();
  if (*v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (*v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(*v);
}

bool operator==(const PictureValue& a, const PictureValue& b) {
  if (a.is_number_ != b.is_number_) return false;
  return a.is_number_ ? a.number_ == b.number_ : a.text_ == b.text_;
}

}  // namespace rt
