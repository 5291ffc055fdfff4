#include "runtime/core/file_decl.h"

#include <cctype>

namespace rt {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// "PRE:NAME" matches "pre:name"; a query without a prefix matches the name
// after the stored label's prefix.
bool labelMatches(std::string_view stored, std::string_view query) {
  if (query.empty()) return false;
  if (equalNoCase(stored, query)) return true;
  if (query.find(':') != std::string_view::npos) return false;
  size_t colon = stored.rfind(':');
  return colon != std::string_view::npos && equalNoCase(stored.substr(colon + 1), query);
}

template <typename List>
int findLabel(const List& list, std::string_view label) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (labelMatches(list[i].label, label)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

const char* fieldTypeName(FieldType type) {
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
  return "?";
}

bool isIntegerType(FieldType type) {
  switch (type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kLong:
    case FieldType::kULong:
      return true;
    default:
      return false;
  }
}

bool isTextType(FieldType type) {
  return type == FieldType::kString || type == FieldType::kCString || type == FieldType::kPString;
}

bool isDecimalType(FieldType type) {
  return type == FieldType::kDecimal || type == FieldType::kPDecimal;
}

int FileDecl::findField(std::string_view label) const { return findLabel(fields, label); }
int FileDecl::findMemo(std::string_view label) const { return findLabel(memos, label); }
int FileDecl::findKey(std::string_view label) const { return findLabel(keys, label); }

}  // namespace rt
