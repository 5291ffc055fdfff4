#include "tools/krl/json.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/kestrel/format/coding.h"

namespace krl {

using kestrel::FieldType;

namespace {

// Code points of Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr uint16_t kHigh1252[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string TrimRight(std::string_view s) {
  const size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string Number(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::string ElementJson(const kestrel::FieldDef& f, std::string_view b) {
  const size_t n = b.size();
  switch (f.type) {
    case FieldType::kByte:
      return n >= 1 ? std::to_string(static_cast<uint8_t>(b[0])) : "null";
    case FieldType::kShort:
      return n >= 2 ? std::to_string(static_cast<int16_t>(kestrel::Get16LE(b.data()))) : "null";
    case FieldType::kUShort:
      return n >= 2 ? std::to_string(kestrel::Get16LE(b.data())) : "null";
    case FieldType::kLong:
    case FieldType::kTime:
      return n >= 4 ? std::to_string(static_cast<int32_t>(kestrel::Get32LE(b.data()))) : "null";
    case FieldType::kULong:
      return n >= 4 ? std::to_string(kestrel::Get32LE(b.data())) : "null";
    case FieldType::kSReal: {
      if (n < 4) return "null";
      float v;
      std::memcpy(&v, b.data(), 4);
      return Number(v);
    }
    case FieldType::kReal: {
      if (n < 8) return "null";
      double v;
      std::memcpy(&v, b.data(), 8);
      return Number(v);
    }
    case FieldType::kDate: {
      if (n < 4 || b.substr(0, 4) == std::string_view("\0\0\0\0", 4)) return "null";
      char buf[32];
      std::snprintf(buf, sizeof buf, "\"%04u-%02u-%02u\"", kestrel::Get16LE(b.data() + 2),
                    static_cast<unsigned>(static_cast<uint8_t>(b[1])), static_cast<unsigned>(static_cast<uint8_t>(b[0])));
      return buf;
    }
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return "\"" + DecimalText(b, f.places) + "\"";
    case FieldType::kCString:
      return JsonString(b.substr(0, std::min(b.find('\0'), n)));
    case FieldType::kPString:
      return n == 0 ? "\"\"" : JsonString(TrimRight(b.substr(1, std::min<size_t>(static_cast<uint8_t>(b[0]), n - 1))));
    case FieldType::kString:
    case FieldType::kGroup:
    default:
      return JsonString(TrimRight(b));
  }
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0xA0) {
      AppendUtf8(&out, kHigh1252[c - 0x80] ? kHigh1252[c - 0x80] : c);
    } else {
      AppendUtf8(&out, c);
    }
  }
  out.push_back('"');
  return out;
}

std::string DecimalText(std::string_view b, int places) {
  if (b.empty()) return "0";
  std::string digits;
  for (size_t i = 0; i < b.size(); ++i) {
    const auto v = static_cast<uint8_t>(b[i]);
    if (i > 0) digits.push_back(static_cast<char>((v >> 4) > 9 ? '?' : '0' + (v >> 4)));
    digits.push_back(static_cast<char>((v & 15) > 9 ? '?' : '0' + (v & 15)));
  }
  const bool negative = (static_cast<uint8_t>(b[0]) >> 4) != 0;
  if (places < 0) places = 0;
  if (static_cast<size_t>(places) >= digits.size()) digits.insert(0, places - digits.size() + 1, '0');
  std::string whole = digits.substr(0, digits.size() - places);
  const std::string fraction = digits.substr(digits.size() - places);
  const size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? "0" : whole.substr(nz);
  std::string text = whole;
  if (places > 0) text += "." + fraction;
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  return negative && !zero ? "-" + text : text;
}

std::string FieldJson(const kestrel::FieldDef& f, std::string_view bytes) {
  if (f.elements <= 1 || bytes.size() % f.elements != 0) return ElementJson(f, bytes);
  const size_t each = bytes.size() / f.elements;
  std::string out = "[";
  for (size_t i = 0; i < f.elements; ++i) {
    if (i) out += ",";
    out += ElementJson(f, bytes.substr(i * each, each));
  }
  return out + "]";
}

}  // namespace krl
