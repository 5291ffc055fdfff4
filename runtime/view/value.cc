#include "runtime/view/value.h"

#include <optional>

namespace rt {

Decimal Value::number() const {
  if (kind_ == Kind::kNumber) return number_;
  std::optional<Decimal> d = Decimal::Parse(text_);
  return d ? *d : Decimal();
}

std::string Value::text() const {
  if (kind_ == Kind::kText) return text_;
  return number_.Normalized().ToString();
}

bool Value::truth() const {
  if (kind_ == Kind::kNumber) return number_.IsValid() && !number_.IsZero();
  return text_.find_first_not_of(' ') != std::string::npos;
}

std::strong_ordering compareText(std::string_view a, std::string_view b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    const auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (ca != cb) return ca <=> cb;
  }
  return std::strong_ordering::equal;
}

namespace {

std::strong_ordering compareNumbers(const Decimal& a, const Decimal& b) {
  if (!a.IsValid() || !b.IsValid()) return a.IsValid() <=> b.IsValid();
  std::partial_ordering o = a <=> b;
  if (o == std::partial_ordering::less) return std::strong_ordering::less;
  if (o == std::partial_ordering::greater) return std::strong_ordering::greater;
  return std::strong_ordering::equal;
}

}  // namespace

std::strong_ordering compareValues(const Value& a, const Value& b) {
  if (a.isNumber() && b.isNumber()) return compareNumbers(a.rawNumber(), b.rawNumber());
  if (a.isText() && b.isText()) return compareText(a.rawText(), b.rawText());
  const Value& text = a.isText() ? a : b;
  if (std::optional<Decimal> d = Decimal::Parse(text.rawText())) {
    return a.isText() ? compareNumbers(*d, b.rawNumber()) : compareNumbers(a.rawNumber(), *d);
  }
  return compareText(a.text(), b.text());
}

char upperChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);  // s, oe, z with caron
  if (u == 0xFF) return static_cast<char>(0x9F);
  return c;
}

char lowerChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 16);
  if (u == 0x9F) return static_cast<char>(0xFF);
  return c;
}

std::string upperText(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upperChar(c);
  return out;
}

std::string lowerText(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerChar(c);
  return out;
}

}  // namespace rt
