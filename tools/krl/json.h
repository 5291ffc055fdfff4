// JSON output of field values. Text in the files is Windows-1252; JSON is UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "runtime/kestrel/format/table_def.h"

namespace krl {

// A JSON string literal (quotes included) of Windows-1252 text.
std::string JsonString(std::string_view text);

// Text of a packed decimal of bytes.size() bytes with `places` decimals:
// "7.50", "-12.00". Nibbles above 9 show as '?'.
std::string DecimalText(std::string_view bytes, int places);

// The JSON value of one field, `bytes` being its whole storage: numbers for
// integers and reals, strings for text (trailing spaces dropped) and
// decimals, "YYYY-MM-DD" or null for dates, arrays for dimensioned fields.
std::string FieldJson(const kestrel::FieldDef& field, std::string_view bytes);

}  // namespace krl
