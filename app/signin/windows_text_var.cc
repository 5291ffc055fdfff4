#include "app/signin/windows_text_var.h"

#include <cstdint>

namespace app::signin {

namespace {

// Code points of Windows-1252 0x80 to 0x9F (0: not assigned).
constexpr char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char ch : text) {
    char32_t c = ch;
    if (ch >= 0x80 && ch < 0xA0) c = kHigh[ch - 0x80] ? kHigh[ch - 0x80] : U'?';
    AppendUtf8(out, c);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = text[i];
    char32_t c = b;
    size_t len = 1;
    if (b >= 0xF0) len = 4, c = b & 0x07;
    else if (b >= 0xE0) len = 3, c = b & 0x0F;
    else if (b >= 0xC0) len = 2, c = b & 0x1F;
    else if (b >= 0x80) c = U'?';  // a stray continuation byte
    if (len > 1) {
      if (i + len > text.size()) {
        out += '?';
        break;
      }
      for (size_t k = 1; k < len; ++k) c = (c << 6) | (uint8_t(text[i + k]) & 0x3F);
    }
    i += len;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += char(c);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kHigh[k] == c) mapped = char(0x80 + k);
    out += mapped;
  }
  return out;
}

bool WindowsTextVar::set(const std::string& value) {
  std::string v = Utf8ToCp1252(value);
  v.resize(width_, ' ');
  *target_ = std::move(v);
  return true;
}

}  // namespace app::signin
