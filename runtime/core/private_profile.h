// Private-profile (INI file) strings: the platform service beneath the
// settings store.
//
// The file is plain text: "[section]" lines, "name=value" lines, and comment
// lines beginning with ";" or "#". Section and entry names match without
// regard to case and surrounding blanks. Writes keep every other line as it
// was (comments, order, blank lines, CRLF endings) and replace the file
// atomically (temporary file, fsync, rename) under an advisory lock, so that
// a crash or a second process writing at the same time never loses or
// truncates the file. A bare file name is taken relative to the working
// directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

// The value of `name` in `section`, or `def` when the file, the section or
// the entry does not exist. Blanks around the value are dropped, and one pair
// of double quotes enclosing the whole value.
std::string getProfileString(std::string_view section, std::string_view name,
                             std::string_view def, const std::string& path);

// Stores `value` as `name` in `section` (creating the file and the section as
// needed); with no value, deletes the entry. Returns false when the file
// could not be written; the old file is then left as it was.
bool writeProfileString(std::string_view section, std::string_view name,
                        std::optional<std::string_view> value, const std::string& path);

}  // namespace rt
