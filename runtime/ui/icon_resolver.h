// Finds the picture for an icon name from a window definition. Definitions
// name Windows paths such as "C:\ICONOS\SALIR.ico"; they are tried in order:
// the literal path; the same file name, case-insensitively, in the icon
// folder; then a built-in icon for the names the program ships. An icon that
// is not found is no error: the control shows no icon.
#pragma once

#include <string>

namespace ui {

struct IconRef {
  enum Kind { None, File, BuiltIn };
  Kind kind = None;
  std::string path;     // File: the file to load
  std::string builtin;  // BuiltIn: canonical name ("SALIR", "Biblioteca", ...)
};

// The icon folder; default "<working directory>/ICONOS", or QV_ICON_DIR when set.
void setIconFolder(const std::string& folder);
std::string iconFolder();

// A leading "~" (an icon from the program's resources) is ignored.
IconRef resolveIcon(const std::string& name);

// Canonical built-in name for a file name or stem ("salir.ICO" -> "SALIR"); empty if none.
std::string builtinIconName(const std::string& name);

}  // namespace ui
