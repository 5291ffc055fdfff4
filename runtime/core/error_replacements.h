// Replacement texts for runtime error messages, taken from the environment.
//
// The variable QV_ERROR_MESSAGES names a text file with one replacement a line:
//
//   # comment
//   33=No hay registro disponible
//   90=Error del sistema de archivos
//
// - A line is "code=text". The code is a decimal 32-bit integer (a sign is
//   allowed, blanks around it are ignored). The text is everything after the
//   first "=" up to the end of the line, blanks kept; a carriage return before
//   the line end is dropped. "code=" replaces the message by blanks.
// - Empty lines and lines whose first non-blank character is "#" are skipped.
// - Any other line is skipped with a warning on standard error.
// - A later line for the same code wins.
// - A file larger than 1 MiB, or one that cannot be read, supplies nothing
//   (with a warning).
//
// The file is read once, when the first message is looked up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

inline constexpr char kMessageReplacementsVariable[] = "QV_ERROR_MESSAGES";
inline constexpr size_t kMaxMessageReplacementsFile = 1 << 20;

class MessageReplacements {
 public:
  // Parses a file's contents. The numbers (from 1) of skipped lines that are
  // not comments go to `badLines` when it is given.
  static MessageReplacements parse(std::string_view contents,
                                   std::vector<size_t>* badLines = nullptr);

  // The replacement text of `code`, or nullptr.
  const std::string* find(int32_t code) const;
  size_t size() const { return texts_.size(); }

 private:
  std::map<int32_t, std::string> texts_;
};

// The process-wide set; read from the file named by the variable on first use.
std::shared_ptr<const MessageReplacements> messageReplacements();

// Reads the file named by the variable again (for a program or a test that
// changes the variable at run time).
void reloadMessageReplacements();

}  // namespace rt
