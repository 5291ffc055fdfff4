// Text between Windows-1252, the 8-bit character set the record files hold
// their text in, and Unicode: UTF-8 strings (JSON, CSV, the program's own
// captions, PDF titles) and single code points (the display's characters).
//
// 0x00-0x7F are ASCII and 0xA0-0xFF equal ISO-8859-1; 0x80-0x9F hold the
// signs and letters Windows-1252 adds (the euro sign, typographic quotes and
// dashes, Š/š, Œ/œ, Ž/ž, Ÿ ...). The five bytes the character set leaves
// undefined, 0x81, 0x8D, 0x8F, 0x90 and 0x9D, stand for the C1 control code
// points of the same number (U+0081, U+008D, U+008F, U+0090, U+009D), as the
// WHATWG encoding standard's "windows-1252" decoder maps them. So every byte
// has exactly one character and every character of the set exactly one byte:
// text read from a file and written back comes out byte for byte as it was,
// whatever the file held, and no two bytes show as the same character.
// A character outside the set has no byte; the conversions below either
// refuse it (and say where) or put a replacement in its place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

// The character of a byte; every byte has one.
char32_t windows1252ToCodePoint(unsigned char byte);

// The byte of a character, -1 when the set does not hold it.
int windows1252FromCodePoint(char32_t codePoint);

// Windows-1252 text as UTF-8; never fails.
std::string windows1252ToUtf8(std::string_view text);

// Where a UTF-8 text could not become Windows-1252: the byte offset of the
// sequence and its character, or codePoint 0 for a malformed sequence.
struct Utf8Fault {
  size_t offset = 0;
  char32_t codePoint = 0;
};

// UTF-8 to Windows-1252. False, with *fault set when given, for malformed
// UTF-8 (cut-short, overlong and surrogate forms, stray continuation bytes)
// or a character the set lacks; *out then holds the text converted so far.
bool utf8ToWindows1252(std::string_view utf8, std::string* out, Utf8Fault* fault = nullptr);

// UTF-8 to Windows-1252, every character the set lacks and every byte of a
// malformed sequence written as `replacement`.
std::string utf8ToWindows1252Lossy(std::string_view utf8, char replacement = '?');

// True when `text` is well-formed UTF-8 (the shortest form of each code
// point, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// Decodes the well-formed UTF-8 sequence at text[*at] into *codePoint and
// moves *at past it; false, leaving both alone, when it is malformed.
bool decodeUtf8(std::string_view text, size_t* at, char32_t* codePoint);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void appendUtf8(std::string* out, char32_t codePoint);

// "U+00E9": a code point's name, for messages.
std::string codePointName(char32_t codePoint);

}  // namespace rt
