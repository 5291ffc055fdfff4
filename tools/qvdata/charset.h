// Text between the UTF-8 of CSV and JSON files and the 8-bit character set
// of the record files (Windows-1252).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvdata {

struct ConversionError {
  size_t offset = 0;       // byte offset in the input where conversion failed
  uint32_t code_point = 0; // the character that has no 8-bit form; 0 for bad UTF-8
};

// UTF-8 to Windows-1252. False, with *error set, for malformed UTF-8 (also
// overlong forms and surrogates) or a character Windows-1252 lacks.
bool Utf8ToCp1252(std::string_view in, std::string* out, ConversionError* error);

// Windows-1252 to UTF-8. The five undefined bytes (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 controls of the same number, so nothing is lost.
std::string Cp1252ToUtf8(std::string_view in);

// "U+00E9" style name of a code point, for messages.
std::string CodePointName(uint32_t code_point);

}  // namespace qvdata
