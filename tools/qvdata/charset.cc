#include "tools/qvdata/charset.h"

#include <cstdio>

namespace qvdata {

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where Windows-1252 has none.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t ByteToCodePoint(uint8_t b) {
  if (b < 0x80 || b >= 0xA0) return b;
  return kHigh[b - 0x80] ? kHigh[b - 0x80] : b;
}

// The byte of a code point, or -1.
int CodePointToByte(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  if (cp >= 0x80 && cp < 0xA0 && kHigh[cp - 0x80] == 0) return static_cast<int>(cp);
  return -1;
}

// Decodes one UTF-8 sequence at in[*at]; false when malformed.
bool DecodeOne(std::string_view in, size_t* at, uint32_t* cp) {
  const auto b0 = static_cast<uint8_t>(in[*at]);
  int extra = 0;
  uint32_t min = 0;
  if (b0 < 0x80) {
    *cp = b0;
    ++*at;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1, *cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, *cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, *cp = b0 & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (*at + extra >= in.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<uint8_t>(in[*at + i]);
    if ((b & 0xC0) != 0x80) return false;
    *cp = (*cp << 6) | (b & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return false;
  *at += extra + 1;
  return true;
}

}  // namespace

bool Utf8ToCp1252(std::string_view in, std::string* out, ConversionError* error) {
  out->clear();
  out->reserve(in.size());
  size_t at = 0;
  while (at < in.size()) {
    const size_t start = at;
    uint32_t cp = 0;
    if (!DecodeOne(in, &at, &cp)) {
      *error = ConversionError{start, 0};
      return false;
    }
    const int b = CodePointToByte(cp);
    if (b < 0) {
      *error = ConversionError{start, cp};
      return false;
    }
    out->push_back(static_cast<char>(b));
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 8);
  for (char c : in) {
    const uint32_t cp = ByteToCodePoint(static_cast<uint8_t>(c));
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string CodePointName(uint32_t code_point) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(code_point));
  return buf;
}

}  // namespace qvdata
