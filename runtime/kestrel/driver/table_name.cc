#include "runtime/kestrel/driver/table_name.h"

#include <sys/stat.h>

#include <cctype>

#include "runtime/core/error_codes.h"

namespace kestrel {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

}  // namespace

std::string UpperName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string WithDefaultExtension(std::string path) {
  const size_t slash = LastSeparator(path);
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (path.find('.', base) == std::string::npos && base < path.size()) path += kDefaultExtension;
  return path;
}

std::string DirectoryPart(const std::string& path) {
  const size_t slash = LastSeparator(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int SplitTableName(std::string_view full, TableName* out) {
  *out = TableName();
  // Trailing blanks come from fixed-length name variables.
  while (!full.empty() && full.back() == ' ') full.remove_suffix(1);
  if (full.empty()) return rt::Error_InvalidFilename;
  size_t from = 0;
  size_t sep = std::string_view::npos;
  for (;;) {
    size_t at = full.find(kTableSeparator, from);
    if (at == std::string_view::npos) break;
    // "dir\!name" where dir exists is a path whose next component starts with "!".
    if (at > 0 && IsDirectory(std::string(full.substr(0, at)))) {
      from = at + 1;
      continue;
    }
    sep = at;
    break;
  }
  std::string physical(full.substr(0, sep));
  if (sep != std::string_view::npos) {
    out->table = UpperName(full.substr(sep + 2));
    out->explicit_table = true;
  }
  if (physical.empty() || (out->explicit_table && out->table.empty())) return rt::Error_InvalidFilename;
  if (!out->explicit_table) out->table = "UNNAMED";
  out->physical = WithDefaultExtension(std::move(physical));
  return 0;
}

std::string DisplayName(const TableName& name) {
  if (name.table == "UNNAMED") return name.physical;
  return name.physical + kTableSeparator + name.table;
}

}  // namespace kestrel
