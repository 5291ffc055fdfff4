#include "runtime/core/windows1252.h"

#include <cstdint>
#include <cstdio>

namespace rt {

namespace {

// The characters of 0x80-0x9F; the undefined bytes hold their own C1 code.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

char32_t windows1252ToCodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? char32_t(kHigh[byte - 0x80]) : char32_t(byte);
}

int windows1252FromCodePoint(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return int(codePoint);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == codePoint) return 0x80 + i;
  return -1;
}

std::string windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out.push_back(c);
    else
      appendUtf8(&out, windows1252ToCodePoint(b));
  }
  return out;
}

bool decodeUtf8(std::string_view text, size_t* at, char32_t* codePoint) {
  const size_t i = *at;
  if (i >= text.size()) return false;
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) {
    *codePoint = b0;
    *at = i + 1;
    return true;
  }
  size_t extra = 0;
  char32_t cp = 0, min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return false;  // a continuation byte or 0xF8-0xFF
  }
  if (text.size() - i <= extra) return false;
  for (size_t k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  *codePoint = cp;
  *at = i + extra + 1;
  return true;
}

void appendUtf8(std::string* out, char32_t cp) {
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

bool utf8ToWindows1252(std::string_view utf8, std::string* out, Utf8Fault* fault) {
  out->clear();
  out->reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const size_t start = at;
    char32_t cp = 0;
    int byte = -1;
    if (!decodeUtf8(utf8, &at, &cp) || (byte = windows1252FromCodePoint(cp)) < 0) {
      if (fault) *fault = Utf8Fault{start, at == start ? char32_t(0) : cp};
      return false;
    }
    out->push_back(static_cast<char>(byte));
  }
  return true;
}

std::string utf8ToWindows1252Lossy(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    char32_t cp = 0;
    if (!decodeUtf8(utf8, &at, &cp)) {
      out.push_back(replacement);
      ++at;
      continue;
    }
    const int byte = windows1252FromCodePoint(cp);
    out.push_back(byte < 0 ? replacement : static_cast<char>(byte));
  }
  return out;
}

bool isValidUtf8(std::string_view text) {
  char32_t cp = 0;
  for (size_t at = 0; at < text.size();)
    if (!decodeUtf8(text, &at, &cp)) return false;
  return true;
}

std::string codePointName(char32_t codePoint) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(codePoint));
  return buf;
}

}  // namespace rt
