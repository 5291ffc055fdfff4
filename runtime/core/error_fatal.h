// Fatal program errors: the message is shown in a box titled "Runtime error"
// (through rt::showMessage) and the program ends with exit code 2.
#pragma once

#include <cstdint>
#include <string_view>

namespace rt {

inline constexpr int kFatalExitCode = 2;
inline constexpr char kFatalCaption[] = "Runtime error";

// Posts `code` on the calling thread and shows its message, preceded by
// `context` and " : " when a context is given; then ends the program. Meant for
// codes 401 to 412 and the internal errors 501 to 515, but takes any code.
[[noreturn]] void fatalError(int32_t code, std::string_view context = {});

// Shows `text` as a fatal error and ends the program.
[[noreturn]] void fatalMessage(std::string_view text);

// How the program is ended after a fatal error. The default flushes the C
// streams and ends the process at once, without running static destructors
// (other threads may still be using them). The window engine installs one
// that, on a thread other than the main window's, asks that thread to end the
// program. If the installed function returns, the process is ended as by the
// default. Passing nullptr restores the default; returns the previous one
// (nullptr for the default).
using ProgramEnd = void (*)(int exitCode);
ProgramEnd setProgramEnd(ProgramEnd end);

}  // namespace rt
