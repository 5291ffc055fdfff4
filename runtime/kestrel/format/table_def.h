// A table's declaration as the definition stream describes it: fields in
// declaration order (group members follow their group), memos and blobs,
// keys with their components.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

enum class FieldType : uint8_t {
  kByte = 0x01,
  kShort = 0x02,
  kUShort = 0x03,
  kDate = 0x04,
  kTime = 0x05,
  kLong = 0x06,
  kULong = 0x07,
  kSReal = 0x08,
  kReal = 0x09,
  kDecimal = 0x0A,
  kPDecimal = 0x0B,
  kString = 0x12,
  kCString = 0x13,
  kPString = 0x14,
  kGroup = 0x16,
};

const char* FieldTypeName(FieldType type);  // "LONG", "STRING", ... ; "TYPE nn" for others
inline bool IsDecimal(FieldType t) { return t == FieldType::kDecimal || t == FieldType::kPDecimal; }
inline bool IsText(FieldType t) {
  return t == FieldType::kString || t == FieldType::kCString || t == FieldType::kPString;
}

struct FieldDef {
  FieldType type = FieldType::kLong;
  uint16_t offset = 0;
  std::string name;              // the label, e.g. "QVL:ETAPA1"
  uint16_t elements = 1;         // product of the array dimensions
  uint16_t size = 0;             // bytes of the whole field (all elements)
  uint16_t overlay = 0;          // 1 when the field lies over an earlier field's storage
  uint16_t position = 0;         // own place in the field list, from 0
  // DECIMAL and PDECIMAL: the declared places, and the bytes of one element.
  uint8_t places = 0;
  uint8_t element_size = 0;
  // STRING, CSTRING and PSTRING: characters of one element, and the picture.
  uint16_t chars = 0;
  std::optional<std::string> picture;

  bool operator==(const FieldDef&) const = default;
};

inline constexpr uint16_t kMemoBinary = 0x02;
inline constexpr uint16_t kMemoBlob = 0x04;

struct MemoDef {
  std::string external_name;
  std::string label;
  uint16_t size = 0;
  uint16_t attributes = 0;

  bool binary() const { return (attributes & kMemoBinary) != 0; }
  bool blob() const { return (attributes & kMemoBlob) != 0; }
  bool operator==(const MemoDef&) const = default;
};

inline constexpr uint8_t kKeyDuplicates = 0x01;
inline constexpr uint8_t kKeyExcludeBlank = 0x02;
inline constexpr uint8_t kKeyNoCase = 0x04;
inline constexpr uint8_t kKeyDeclarationOnly = 0x08;
inline constexpr uint8_t kKeyPrimary = 0x10;
inline constexpr uint8_t kKeyIndex = 0x20;
inline constexpr uint8_t kKeyDynamic = 0x40;

struct KeyComponent {
  uint16_t field = 0;      // 0-based position in the field list
  uint16_t direction = 0;  // 0 ascending, 1 descending

  bool descending() const { return direction != 0; }
  bool operator==(const KeyComponent&) const = default;
};

struct KeyDef {
  std::string external_name;
  std::string label;
  uint8_t attributes = 0;
  std::vector<KeyComponent> components;

  bool duplicates() const { return (attributes & kKeyDuplicates) != 0; }
  bool excludeBlank() const { return (attributes & kKeyExcludeBlank) != 0; }
  bool noCase() const { return (attributes & kKeyNoCase) != 0; }
  bool dynamic() const { return (attributes & kKeyDynamic) != 0; }
  bool operator==(const KeyDef&) const = default;
};

struct TableDef {
  uint16_t version = 1;  // set from the memos when written: 2 when a blob exists
  uint16_t record_length = 0;
  std::vector<FieldDef> fields;
  std::vector<MemoDef> memos;
  std::vector<KeyDef> keys;

  uint16_t RequiredVersion() const;
  bool operator==(const TableDef&) const = default;
};

}  // namespace kestrel
