#include "tools/krl/json.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
#include "runtime/kestrel/format/coding.h"

namespace krl {

using kestrel::FieldType;

namespace {

Json Number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

Json ElementJson(const kestrel::FieldDef& f, std::string_view b) {
  const size_t n = b.size();
  switch (f.type) {
    case FieldType::kByte:
      return n >= 1 ? Json(static_cast<uint8_t>(b[0])) : Json(nullptr);
    case FieldType::kShort:
      return n >= 2 ? Json(static_cast<int16_t>(kestrel::Get16LE(b.data()))) : Json(nullptr);
    case FieldType::kUShort:
      return n >= 2 ? Json(kestrel::Get16LE(b.data())) : Json(nullptr);
    case FieldType::kLong:
    case FieldType::kTime:
      return n >= 4 ? Json(static_cast<int32_t>(kestrel::Get32LE(b.data()))) : Json(nullptr);
    case FieldType::kULong:
      return n >= 4 ? Json(kestrel::Get32LE(b.data())) : Json(nullptr);
    case FieldType::kSReal: {
      if (n < 4) return nullptr;
      float v;
      std::memcpy(&v, b.data(), 4);
      return Number(v);
    }
    case FieldType::kReal: {
      if (n < 8) return nullptr;
      double v;
      std::memcpy(&v, b.data(), 8);
      return Number(v);
    }
    case FieldType::kDate: {
      if (n < 4 || b.substr(0, 4) == std::string_view("\0\0\0\0", 4)) return nullptr;
      char buf[32];
      std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", kestrel::Get16LE(b.data() + 2),
                    static_cast<unsigned>(static_cast<uint8_t>(b[1])), static_cast<unsigned>(static_cast<uint8_t>(b[0])));
      return buf;
    }
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return DecimalText(b, f.places);
    case FieldType::kCString:
      return TextJson(b.substr(0, std::min(b.find('\0'), n)));
    case FieldType::kPString:
      return n == 0 ? Json("")
                    : TextJson(rt::trimRight(b.substr(1, std::min<size_t>(static_cast<uint8_t>(b[0]), n - 1))));
    case FieldType::kString:
    case FieldType::kGroup:
    default:
      return TextJson(rt::trimRight(b));
  }
}

}  // namespace

Json TextJson(std::string_view cp1252) { return rt::windows1252ToUtf8(cp1252); }

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

Json FieldJson(const kestrel::FieldDef& f, std::string_view bytes) {
  if (f.elements <= 1 || bytes.size() % f.elements != 0) return ElementJson(f, bytes);
  const size_t each = bytes.size() / f.elements;
  Json out = Json::array();
  for (size_t i = 0; i < f.elements; ++i) out.push_back(ElementJson(f, bytes.substr(i * each, each)));
  return out;
}

std::string JsonLine(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace krl
