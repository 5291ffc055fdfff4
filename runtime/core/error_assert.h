// Assertions: a failed one shows "Assertion failed" with the line, the source
// file and the message (through rt::showMessage), and the program goes on.
//
//   rt::Assert(entry != nullptr, "Identifier not found.");
//
// The position is the caller's, taken by default arguments. (The builtins
// rather than std::source_location: clang 14 on libstdc++ 12 lacks the latter.)
#pragma once

#include <string_view>

namespace rt {

inline constexpr char kAssertionCaption[] = "Assertion failed";

// Reports a failed assertion. The text is
//   Assertion failed on line: <line> in file <file>|Message: <message>
// (without the message part when the message is empty; "|" breaks the line).
void assertionFailed(std::string_view message = {}, const char* file = __builtin_FILE(),
                     unsigned line = __builtin_LINE());

// Reports a failed assertion when `condition` is false.
inline void Assert(bool condition, std::string_view message = {},
                   const char* file = __builtin_FILE(), unsigned line = __builtin_LINE()) {
  if (!condition) assertionFailed(message, file, line);
}

}  // namespace rt
