#include "tools/krl/json_value.h"

#include <cstdlib>

namespace krl {

namespace {

// Windows-1252 bytes 0x80..0x9F by code point.
constexpr struct {
  uint16_t cp;
  uint8_t byte;
} k1252High[] = {{0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
                 {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
                 {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
                 {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
                 {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
                 {0x017E, 0x9E}, {0x0178, 0x9F}};

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool Parse(JsonValue* out, std::string* error) {
    Blank();
    if (!Value(out, 0)) {
      *error = error_ + " at offset " + std::to_string(at_);
      return false;
    }
    Blank();
    if (at_ != s_.size()) {
      *error = "unexpected text after the value at offset " + std::to_string(at_);
      return false;
    }
    return true;
  }

 private:
  void Blank() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r' || s_[at_] == '\n')) ++at_;
  }
  bool Fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return Fail("invalid literal");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue* v, int depth) {
    if (depth > 64) return Fail("nesting too deep");
    if (at_ >= s_.size()) return Fail("value expected");
    const char c = s_[at_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v->kind = JsonValue::Kind::kString;
      return String(&v->text);
    }
    if (c == 't' || c == 'f') {
      v->kind = JsonValue::Kind::kBool;
      v->boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      v->kind = JsonValue::Kind::kNull;
      return Literal("null");
    }
    return Number(v);
  }

  bool Number(JsonValue* v) {
    const size_t start = at_;
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    size_t digits = 0;
    while (at_ < s_.size() && (isdigit(static_cast<unsigned char>(s_[at_])) || s_[at_] == '.' || s_[at_] == 'e' ||
                               s_[at_] == 'E' || s_[at_] == '+' || s_[at_] == '-')) {
      digits += isdigit(static_cast<unsigned char>(s_[at_])) ? 1 : 0;
      ++at_;
    }
    if (digits == 0) return Fail("value expected");
    v->kind = JsonValue::Kind::kNumber;
    v->text = std::string(s_.substr(start, at_ - start));
    char* end = nullptr;
    v->number = std::strtod(v->text.c_str(), &end);
    if (end != v->text.c_str() + v->text.size()) return Fail("malformed number");
    return true;
  }

  bool Hex4(uint32_t* cp) {
    if (at_ + 4 > s_.size()) return Fail("short \\u escape");
    *cp = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[at_++];
      *cp <<= 4;
      if (h >= '0' && h <= '9') *cp |= static_cast<uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f') *cp |= static_cast<uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') *cp |= static_cast<uint32_t>(h - 'A' + 10);
      else return Fail("bad \\u escape");
    }
    return true;
  }

  static void Utf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  bool String(std::string* out) {
    ++at_;  // opening quote
    out->clear();
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (at_ >= s_.size()) break;
      const char e = s_[at_++];
      switch (e) {
        case '"': case '\\': case '/': out->push_back(e); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(&cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(at_, 2) == "\\u") {
            at_ += 2;
            uint32_t low = 0;
            if (!Hex4(&low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(cp, out);
          break;
        }
        default: return Fail("bad escape");
      }
    }
    return Fail("unterminated string");
  }

  bool Array(JsonValue* v, int depth) {
    v->kind = JsonValue::Kind::kArray;
    ++at_;
    Blank();
    if (at_ < s_.size() && s_[at_] == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      JsonValue item;
      Blank();
      if (!Value(&item, depth + 1)) return false;
      v->items.push_back(std::move(item));
      Blank();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == ']') {
        ++at_;
        return true;
      }
      return Fail("',' or ']' expected");
    }
  }

  bool Object(JsonValue* v, int depth) {
    v->kind = JsonValue::Kind::kObject;
    ++at_;
    Blank();
    if (at_ < s_.size() && s_[at_] == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      Blank();
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("member name expected");
      std::string name;
      if (!String(&name)) return false;
      Blank();
      if (at_ >= s_.size() || s_[at_] != ':') return Fail("':' expected");
      ++at_;
      Blank();
      JsonValue member;
      if (!Value(&member, depth + 1)) return false;
      v->members.emplace_back(std::move(name), std::move(member));
      Blank();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '}') {
        ++at_;
        return true;
      }
      return Fail("',' or '}' expected");
    }
  }

  std::string_view s_;
  size_t at_ = 0;
  std::string error_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
  for (const auto& [n, v] : members) {
    if (n == name) return &v;
  }
  return nullptr;
}

bool ParseJson(std::string_view text, JsonValue* out, std::string* error) {
  *out = JsonValue();
  return Parser(text).Parse(out, error);
}

bool Utf8To1252(std::string_view s, std::string* out) {
  out->clear();
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    uint32_t cp = 0;
    size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      n = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto d = static_cast<uint8_t>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    i += n;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out->push_back(static_cast<char>(cp));
      continue;
    }
    bool mapped = false;
    for (const auto& m : k1252High) {
      if (m.cp == cp) {
        out->push_back(static_cast<char>(m.byte));
        mapped = true;
        break;
      }
    }
    if (!mapped) return false;
  }
  return true;
}

}  // namespace krl
