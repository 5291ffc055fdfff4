#include "runtime/kestrel/format/locale.h"

#include <cstring>

namespace kestrel {

namespace {

LocaleTables BuildWindows1252() {
  LocaleTables t;
  auto& b = t.bytes;
  for (int c = 0; c < 256; ++c) {
    b[kUpperMapOffset + c] = static_cast<uint8_t>(c);
    b[kSortWeightOffset + c] = static_cast<uint8_t>(c);
    b[kCaseMapOffset + c] = static_cast<uint8_t>(c);
  }
  auto pair = [&](int upper, int lower) {
    b[kUpperMapOffset + lower] = static_cast<uint8_t>(upper);
    b[kCaseMapOffset + upper] = static_cast<uint8_t>(lower);
    b[kClassOffset + upper] |= kClassUpper;
    b[kClassOffset + lower] |= kClassLower;
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
  pair(0x8A, 0x9A);  // S caron
  pair(0x8C, 0x9C);  // OE
  pair(0x8E, 0x9E);  // Z caron
  pair(0x9F, 0xFF);  // Y diaeresis
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) pair(c, c + 32);  // 0xD7 and 0xF7 are the multiplication and division signs
  }
  for (int c : {0x83, 0xAA, 0xB5, 0xBA, 0xDF}) b[kClassOffset + c] |= kClassLower;  // no upper form
  for (int c = '0'; c <= '9'; ++c) b[kClassOffset + c] |= kClassDigit;
  for (int c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0xA0}) b[kClassOffset + c] |= kClassSpace;
  for (int c = 0x21; c < 0x7F; ++c) {
    if (b[kClassOffset + c] == 0) b[kClassOffset + c] = kClassPunct;
  }
  return t;
}

}  // namespace

const LocaleTables& DefaultLocaleTables() {
  static const LocaleTables tables = BuildWindows1252();
  return tables;
}

std::string LocaleRecord::Encode() const {
  std::string v(1, oem ? '\x01' : '\x00');
  v.append(reinterpret_cast<const char*>(tables.bytes.data()), tables.bytes.size());
  return v;
}

Status LocaleRecord::Decode(std::string_view v, LocaleRecord* out) {
  if (v.size() != 1 + kLocaleTablesSize || static_cast<uint8_t>(v[0]) > 1) {
    return Status::Corruption(Check::kRecordValue);
  }
  out->oem = v[0] == 1;
  std::memcpy(out->tables.bytes.data(), v.data() + 1, kLocaleTablesSize);
  return Status::OK();
}

}  // namespace kestrel
