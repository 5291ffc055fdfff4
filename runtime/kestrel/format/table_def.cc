#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::kByte: return "BYTE";
    case FieldType::kShort: return "SHORT";
    case FieldType::kUShort: return "USHORT";
    case FieldType::kDate: return "DATE";
    case FieldType::kTime: return "TIME";
    case FieldType::kLong: return "LONG";
    case FieldType::kULong: return "ULONG";
    case FieldType::kSReal: return "SREAL";
    case FieldType::kReal: return "REAL";
    case FieldType::kDecimal: return "DECIMAL";
    case FieldType::kPDecimal: return "PDECIMAL";
    case FieldType::kString: return "STRING";
    case FieldType::kCString: return "CSTRING";
    case FieldType::kPString: return "PSTRING";
    case FieldType::kGroup: return "GROUP";
  }
  return "UNKNOWN";
}

uint16_t TableDef::RequiredVersion() const {
  for (const MemoDef& m : memos) {
    if (m.blob()) return 2;
  }
  return 1;
}

}  // namespace kestrel
