// JSON of field values (nlohmann-json). Text in the files is Windows-1252;
// JSON is UTF-8. Objects keep their members in the order written, so that
// answers and dumped records read field by field as the table lists them.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

#include "runtime/kestrel/format/table_def.h"

namespace krl {

using Json = nlohmann::ordered_json;

// A JSON string of Windows-1252 text.
Json TextJson(std::string_view cp1252);

// Text of a packed decimal of bytes.size() bytes with `places` decimals:
// "7.50", "-12.00". Nibbles above 9 show as '?'.
std::string DecimalText(std::string_view bytes, int places);

// The JSON value of one field, `bytes` being its whole storage: numbers for
// integers and reals, strings for text (trailing spaces dropped) and
// decimals, "YYYY-MM-DD" or null for dates, arrays for dimensioned fields.
Json FieldJson(const kestrel::FieldDef& field, std::string_view bytes);

// One line of output: compact, and characters the encoder cannot take
// replaced rather than thrown on.
std::string JsonLine(const Json& value);

}  // namespace krl
