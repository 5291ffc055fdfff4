// Names of Kestrel tables: "PHYSICAL[\!TABLE]". The physical name gets the
// extension ".KRL" when it has none; the table name is upper case and
// "UNNAMED" when no separator is given.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

inline constexpr char kTableSeparator[] = "\\!";
inline constexpr char kDefaultExtension[] = ".KRL";

struct TableName {
  std::string physical;  // with the default extension applied
  std::string table;     // upper case
  bool explicit_table = false;  // a separator was given
};

// Splits at the first "\!" whose preceding text is not an existing
// directory. Returns 0, or 45 for an empty name.
int SplitTableName(std::string_view full, TableName* out);

// Adds ".KRL" when the last path component has no extension.
std::string WithDefaultExtension(std::string path);

// The name shown in messages: the physical name, then "\!" and the table
// unless it is "UNNAMED".
std::string DisplayName(const TableName& name);

// ASCII upper case, the way table names are stored.
std::string UpperName(std::string_view s);

// Case-insensitive equality of file and table names.
bool SameName(std::string_view a, std::string_view b);

// The directory part of a path, with its trailing separator ("" for none).
std::string DirectoryPart(const std::string& path);

}  // namespace kestrel
