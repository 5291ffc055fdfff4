// Field and memo values as the tool reads and writes them: UTF-8 text,
// numbers with a point for decimals (a comma in files separated by `;`),
// dates as DD/MM/YYYY (also read as YYYY-MM-DD, written so on request).
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/file_control.h"

namespace qvdata {

struct CellStyle {
  bool decimal_comma = false;  // "7,50"; a point is then refused
  bool iso_dates = false;      // written as YYYY-MM-DD
};

// Sets field `field` of the buffer from a cell. An empty cell gives zero,
// blank or no date. False, with *reason, when the cell does not fit the
// field; the buffer is then unchanged.
bool SetFieldFromCell(rt::FileControlBlock& file, int field, std::string_view cell, std::string* reason,
                      CellStyle style = {});
bool SetMemoFromCell(rt::FileControlBlock& file, int memo, std::string_view cell, std::string* reason);

// The cell of a field or memo (trailing blanks of text dropped).
std::string CellOfField(const rt::FileControlBlock& file, int field, CellStyle style = {});
std::string CellOfMemo(const rt::FileControlBlock& file, int memo);

// The value as JSON: numbers bare, text as a string, dates as "YYYY-MM-DD"
// or null.
std::string JsonOfField(const rt::FileControlBlock& file, int field);
std::string JsonString(std::string_view utf8);

// "DD/MM/YYYY" (one or two digits for day and month) or "YYYY-MM-DD" to a
// standard date; -1 when it is not a valid date. Two-digit years are
// refused: "11/08/81" has no one reading.
int32_t ParseDate(std::string_view text);
std::string FormatDate(int32_t std_date);     // "" for no date
std::string FormatIsoDate(int32_t std_date);  // "" for no date

// A refused date that a spreadsheet likely rewrote in its own locale's
// order: a two-digit year ("11/08/81") or month first ("02/25/1987").
bool LooksLikeSpreadsheetDate(std::string_view text);

}  // namespace qvdata
