// String (@s), pattern (@p...p) and key-in (@k...k) pictures.
#include <string>

#include "runtime/core/picture_builder.h"

namespace rt {

namespace {

using Kind = PositionKind;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSlot(Kind k) {
  return k == Kind::kDigit || k == Kind::kSuppressibleDigit || k == Kind::kKeyDigit ||
         k == Kind::kKeyLetter || k == Kind::kKeyUpper || k == Kind::kKeyAny ||
         k == Kind::kKeyOptional;
}

// The digits of a value: a number's integer part, or a text's digits.
std::string DigitsOf(const PictureValue& v) {
  if (v.IsNumber()) {
    std::string s = v.AsNumber().Abs().ToString(0);
    return s == "0" ? std::string() : s;
  }
  std::string s;
  for (char c : v.AsText()) {
    if (IsDigit(c)) s += c;
  }
  return s;
}

// Whether a typed character suits a key-in slot; blanks suit every slot.
bool Suits(Kind k, char c) {
  if (c == ' ') return true;
  switch (k) {
    case Kind::kDigit:
    case Kind::kKeyDigit:
    case Kind::kSuppressibleDigit: return IsDigit(c);
    case Kind::kKeyLetter:
    case Kind::kKeyUpper: return IsLetter(c);
    default: return true;
  }
}

}  // namespace

bool PictureBuilder::CompileString(std::string_view s, Picture* p) {
  size_t i = 0;
  const int width = ReadNumber(s, &i, 3);
  if (width < 1 || width > Picture::kMaxPositions || i != s.size()) return false;
  p->positions_.assign(width, PicturePosition{});
  return true;
}

std::string PictureBuilder::FormatString(const Picture& p, const PictureValue& v) {
  std::string s = v.AsText();
  s.resize(p.width(), ' ');
  return s;
}

bool PictureBuilder::CompilePattern(std::string_view s, bool key_in, Picture* p) {
  if (s.size() > static_cast<size_t>(Picture::kMaxPositions) * 2) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '#') {
      Push(p, key_in ? Kind::kKeyDigit : Kind::kDigit, '0');
    } else if (c == '<') {
      Push(p, Kind::kSuppressibleDigit, ' ');
    } else if (!key_in) {
      Push(p, Kind::kLiteral, c);
    } else if (c == '@') {
      Push(p, Kind::kKeyLetter, ' ');
    } else if (c == '^') {
      Push(p, Kind::kKeyUpper, ' ');
    } else if (c == '_') {
      Push(p, Kind::kKeyAny, ' ');
    } else if (c == '?') {
      Push(p, Kind::kKeyOptional, ' ');
    } else if (c == '|') {
      Push(p, Kind::kKeyStop, ' ');
    } else if (c == '\\') {
      if (++i >= s.size()) return false;
      Push(p, Kind::kLiteral, s[i]);
    } else {
      Push(p, Kind::kLiteral, c);
    }
  }
  return true;
}

std::string PictureBuilder::FormatPattern(const Picture& p, const PictureValue& v) {
  const std::string digits = DigitsOf(v);
  int slots = 0;
  for (const PicturePosition& pos : p.positions()) slots += IsSlot(pos.kind);
  if (p.blank_when_zero() && digits.find_first_not_of('0') == std::string::npos) {
    return std::string(p.width(), ' ');
  }
  if (static_cast<int>(digits.size()) > slots) return std::string(p.width(), '#');
  // Digits fill the slots from the right; slots left of them are leading.
  std::string out;
  out.reserve(p.width());
  int k = 0;
  const int lead = slots - static_cast<int>(digits.size());
  for (const PicturePosition& pos : p.positions()) {
    if (!IsSlot(pos.kind)) {
      out += pos.ch;
      continue;
    }
    out += k < lead ? pos.ch : digits[k - lead];
    ++k;
  }
  return out;
}

bool PictureBuilder::DeformatPattern(const Picture& p, std::string_view text,
                                     PictureValue* value) {
  std::string digits;
  for (char c : text) {
    if (IsDigit(c) && digits.size() < 4096) digits += c;
  }
  int slots = 0;
  for (const PicturePosition& pos : p.positions()) slots += IsSlot(pos.kind);
  const bool fits = static_cast<int>(digits.size()) <= slots;
  *value = PictureValue(digits);
  return fits;
}

std::string PictureBuilder::FormatKeyIn(const Picture& p, const PictureValue& v) {
  if (p.blank_when_zero() && v.IsNumber() && v.AsNumber().IsZero()) {
    return std::string(p.width(), ' ');
  }
  const std::string s = v.AsText();
  std::string out;
  out.reserve(p.width());
  size_t k = 0;
  for (const PicturePosition& pos : p.positions()) {
    if (pos.kind == Kind::kKeyStop) continue;
    if (!IsSlot(pos.kind)) {
      out += pos.ch;
      continue;
    }
    char c = k < s.size() ? s[k] : ' ';
    ++k;
    if (pos.kind == Kind::kKeyUpper) c = Upper(c);
    out += c;
  }
  return out;
}

bool PictureBuilder::DeformatKeyIn(const Picture& p, std::string_view text,
                                   PictureValue* value) {
  std::string s;
  bool ok = true;
  size_t t = 0;
  for (const PicturePosition& pos : p.positions()) {
    if (pos.kind == Kind::kKeyStop) continue;
    if (!IsSlot(pos.kind)) {
      // A literal is skipped in the text when it was typed.
      if (t < text.size() && text[t] == pos.ch) ++t;
      continue;
    }
    char c = t < text.size() ? text[t++] : ' ';
    if (!Suits(pos.kind, c)) ok = false;
    if (pos.kind == Kind::kKeyUpper) c = Upper(c);
    s += c;
  }
  if (t < text.size() && text.substr(t).find_first_not_of(' ') != std::string_view::npos) {
    ok = false;  // more typed than the picture holds
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  *value = PictureValue(std::move(s));
  return ok;
}

}  // namespace rt
