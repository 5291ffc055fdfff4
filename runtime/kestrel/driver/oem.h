// OEM character set of tables marked OEM: the DOS Western European code page
// (850) on disk, Windows-1252 in the program. Characters without a
// counterpart are paired up among themselves, so a round trip never loses a
// byte.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

uint8_t OemToAnsiChar(uint8_t c);
uint8_t AnsiToOemChar(uint8_t c);

// Converts the text fields (STRING, CSTRING, PSTRING; not their length
// bytes) of a row in place. Fields that do not fit the row are left alone.
void RowOemToAnsi(const TableDef& def, std::string* row);
void RowAnsiToOem(const TableDef& def, std::string* row);

}  // namespace kestrel
