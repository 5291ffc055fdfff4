// The runtime's message texts; the codes are named in error_codes.h.
//
// Codes by origin: 2-97 file, key, record and driver errors; 301-391 operating
// system errors (300 plus the condition's number, see error_system.h); 401-412
// fatal program errors; 501-545 internal and window/report engine errors;
// 601-605 dynamic data exchange; 1010-1015 expression evaluator and binding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/core/error_codes.h"

namespace rt {

// A message is cut to kMessageCut characters and held space-padded to
// kMessageWidth; an error file name is cut and padded to kErrorFileWidth.
inline constexpr size_t kMessageWidth = 256;
inline constexpr size_t kMessageCut = 255;
inline constexpr size_t kErrorFileWidth = 80;

// The compiled-in text of `code`, or nullptr when the table has none.
const char* builtInMessage(int32_t code);

// The message of `code`: a replacement text from the environment
// (error_replacements.h) wins, then the compiled-in text, else the text of
// code 81, " : " and the code in decimal. Leading blanks are dropped and the
// result is cut to kMessageCut characters. Writes into `out` (which holds at
// least kMessageCut characters) without allocating; returns the length.
size_t assembleErrorMessage(int32_t code, char* out);

// The same as a string (not padded).
std::string errorMessageOf(int32_t code);

}  // namespace rt
