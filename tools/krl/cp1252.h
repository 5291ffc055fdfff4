// Text between the record files' 8-bit character set (Windows-1252) and the
// UTF-8 of JSON.
#pragma once

#include <string>
#include <string_view>

namespace krl {

// Every byte has a form: the five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same number.
std::string Cp1252ToUtf8(std::string_view text);

// The reverse; false when a character has no Windows-1252 byte or the
// UTF-8 is malformed.
bool Utf8ToCp1252(std::string_view utf8, std::string* out);

}  // namespace krl
