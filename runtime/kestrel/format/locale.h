// The six locale tables stored with every table (1152 bytes), and the locale
// record's value (OEM flag + tables). A table's keys are always encoded with
// its stored tables, never with those of the running program.
//
//   0x000  256  upper-case map            (lower-case letter -> upper-case)
//   0x100  256  sort weights              (used by the collation transform)
//   0x200  256  case map                  (upper-case letter -> lower-case)
//   0x300  256  character classes         (bits below)
//   0x400   64  collation sequence        (first byte non-zero: collation in force)
//   0x440   64  second collation table    (kept, not interpreted here)
//
// The default tables describe Windows-1252, the ANSI code page of Western
// Windows desktops that the data files come from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kLocaleTablesSize = 1152;
inline constexpr size_t kUpperMapOffset = 0x000;
inline constexpr size_t kSortWeightOffset = 0x100;
inline constexpr size_t kCaseMapOffset = 0x200;
inline constexpr size_t kClassOffset = 0x300;
inline constexpr size_t kCollationOffset = 0x400;
inline constexpr size_t kSecondCollationOffset = 0x440;

inline constexpr uint8_t kClassUpper = 0x01;
inline constexpr uint8_t kClassLower = 0x02;
inline constexpr uint8_t kClassDigit = 0x04;
inline constexpr uint8_t kClassSpace = 0x08;
inline constexpr uint8_t kClassPunct = 0x10;

struct LocaleTables {
  std::array<uint8_t, kLocaleTablesSize> bytes{};

  uint8_t upper(uint8_t c) const { return bytes[kUpperMapOffset + c]; }
  uint8_t lower(uint8_t c) const { return bytes[kCaseMapOffset + c]; }
  uint8_t weight(uint8_t c) const { return bytes[kSortWeightOffset + c]; }
  uint8_t charClass(uint8_t c) const { return bytes[kClassOffset + c]; }
  bool isUpper(uint8_t c) const { return (charClass(c) & kClassUpper) != 0; }
  bool collationInForce() const { return bytes[kCollationOffset] != 0; }

  // Folds an upper-case letter to lower case as case-insensitive keys do.
  uint8_t foldCase(uint8_t c) const { return isUpper(c) ? lower(c) : c; }

  bool operator==(const LocaleTables&) const = default;
};

// Windows-1252 tables: ASCII and Latin-1 letter pairs (including S/Z/OE
// with caron or ligature and Y with diaeresis), identity sort weights, no
// collation sequence in force.
const LocaleTables& DefaultLocaleTables();

// Value of the locale record (TN, 0xFB, 0x01).
struct LocaleRecord {
  bool oem = false;
  LocaleTables tables;

  std::string Encode() const;
  // The value must be exactly 1153 bytes with an OEM flag of 0 or 1.
  static Status Decode(std::string_view value, LocaleRecord* out);
};

}  // namespace kestrel
