// The declaration of a data file: what the program states about a file
// before it is ever opened. Fields (with groups, arrays and overlays), memos
// and blobs, keys with their components, the driver and its switches.
//
// A declaration is immutable once built (file_decl_builder.h) and shared by
// every thread's instance of the file (file_instance.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Field type codes, as the record-file format numbers them.
enum class FieldType : uint8_t {
  kByte = 0x01,
  kShort = 0x02,    // 16-bit signed
  kUShort = 0x03,
  kDate = 0x04,     // 4 bytes: day, month, 16-bit little-endian year
  kTime = 0x05,
  kLong = 0x06,     // 32-bit signed
  kULong = 0x07,
  kSReal = 0x08,    // 4-byte float
  kReal = 0x09,     // 8-byte float
  kDecimal = 0x0A,  // packed decimal
  kPDecimal = 0x0B,
  kString = 0x12,   // fixed length, space-padded
  kCString = 0x13,  // zero-terminated
  kPString = 0x14,  // length byte first
  kGroup = 0x16,
};

const char* fieldTypeName(FieldType type);  // "LONG", "STRING", ...; "?" when unknown
bool isIntegerType(FieldType type);         // BYTE, SHORT, USHORT, LONG, ULONG
bool isTextType(FieldType type);            // STRING, CSTRING, PSTRING
bool isDecimalType(FieldType type);         // DECIMAL, PDECIMAL

struct FieldDecl {
  std::string label;             // "QVL:ETAPA1"
  FieldType type = FieldType::kLong;
  uint16_t offset = 0;           // in the record
  uint16_t size = 0;             // bytes of the whole field (all elements)
  uint16_t elements = 1;         // product of the array dimensions
  bool overlay = false;          // lies over an earlier field's storage
  uint16_t position = 0;         // own place in the field list, from 0
  uint8_t places = 0;            // DECIMAL/PDECIMAL: places (the decimal attribute)
  std::optional<std::string> picture;  // text fields: display picture, if declared
  // A group's members follow it in the field list; `group` is the list
  // position of the enclosing group, or -1.
  int16_t group = -1;

  uint16_t elementSize() const { return elements ? size / elements : size; }
  // Characters of one text element (text fields only).
  uint16_t chars() const { return elementSize(); }
};

// Memo and blob attribute bits.
inline constexpr uint16_t kMemoBinary = 0x02;
inline constexpr uint16_t kMemoBlob = 0x04;

struct MemoDecl {
  std::string label;          // "QVG:OBSPPI"
  std::string external_name;  // the name stored with the file; may be empty
  uint16_t size = 0;          // declared size (blobs: informational)
  uint16_t attributes = 0;

  bool binary() const { return (attributes & kMemoBinary) != 0; }
  bool blob() const { return (attributes & kMemoBlob) != 0; }
};

// Key attribute bits.
inline constexpr uint8_t kKeyDuplicates = 0x01;
inline constexpr uint8_t kKeyExcludeBlank = 0x02;  // all-blank entries left out
inline constexpr uint8_t kKeyNoCase = 0x04;
inline constexpr uint8_t kKeyDeclarationOnly = 0x08;
inline constexpr uint8_t kKeyPrimary = 0x10;
inline constexpr uint8_t kKeyIndex = 0x20;    // declared index, maintained lazily
inline constexpr uint8_t kKeyDynamic = 0x40;  // run-time index, components given at build

struct KeyComponentDecl {
  uint16_t field = 0;       // position in the field list, from 0
  bool descending = false;
};

struct KeyDecl {
  std::string label;          // "QVG:CLAVE_PRIMARIA"
  std::string external_name;
  uint8_t attributes = 0;
  std::vector<KeyComponentDecl> components;

  bool duplicates() const { return (attributes & kKeyDuplicates) != 0; }
  bool excludeBlank() const { return (attributes & kKeyExcludeBlank) != 0; }
  bool noCase() const { return (attributes & kKeyNoCase) != 0; }
  bool primary() const { return (attributes & kKeyPrimary) != 0; }
  bool dynamic() const { return (attributes & kKeyDynamic) != 0; }
};

// File attribute bits.
inline constexpr uint32_t kFileCreate = 0x01;     // the driver may create the file
inline constexpr uint32_t kFileOem = 0x02;        // strings stored in the OEM character set
inline constexpr uint32_t kFileThreaded = 0x04;   // one instance per thread
inline constexpr uint32_t kFileProgress = 0x08;   // builds post progress events

struct FileDecl {
  std::string label;          // "QVLIBRETA": the file's label in the program
  std::string prefix;         // "QVL": the fields' prefix
  std::string name;           // full name: "QVLIBRETA.KRL", optionally "\!" and a table
  std::string driver = "KESTREL";
  std::string driver_string;  // switches given with the driver name ("/TCF=x.tcf")
  uint32_t attributes = kFileCreate | kFileThreaded;
  uint16_t record_length = 0;
  std::vector<FieldDecl> fields;  // declaration order; group members follow their group
  std::vector<MemoDecl> memos;
  std::vector<KeyDecl> keys;

  bool create() const { return (attributes & kFileCreate) != 0; }
  bool oem() const { return (attributes & kFileOem) != 0; }
  bool threaded() const { return (attributes & kFileThreaded) != 0; }

  // Look-ups by label, without regard to case. A label may be given with
  // or without the file's prefix ("QVL:ETAPA1" or "ETAPA1"). -1 when absent.
  int findField(std::string_view label) const;
  int findMemo(std::string_view label) const;
  int findKey(std::string_view label) const;
};

using FileDeclPtr = std::shared_ptr<const FileDecl>;

}  // namespace rt
