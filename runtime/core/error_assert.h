// Assertions: a failed one shows "Assertion failed" with the line, the source
// file and the message (through rt::showMessage), and the program goes on.
//
//   rt::Assert(entry != nullptr, "Identifier not found.");
//
// The position is the caller's, taken by default arguments.
#pragma once

#include <source_location>
#include <string_view>

namespace rt {

inline constexpr char kAssertionCaption[] = "Assertion failed";

// Reports a failed assertion. The text is
//   Assertion failed on line: <line> in file <file>|Message: <message>
// (without the message part when the message is empty; "|" breaks the line).
void assertionFailed(std::string_view message = {},
                     std::source_location where = std::source_location::current());

// Reports a failed assertion when `condition` is false.
inline void Assert(bool condition, std::string_view message = {},
                   std::source_location where = std::source_location::current()) {
  if (!condition) assertionFailed(message, where);
}

}  // namespace rt
