// Field values of krl exec requests and answers: JSON <-> record bytes.
#pragma once

#include <string>

#include "runtime/kestrel/format/table_def.h"
#include "tools/krl/json.h"

namespace krl {

// A table layout from a create request ("fields", "keys", "memos"); fields
// are laid out one after another. False with *error naming what is wrong.
bool LayoutFromJson(const Json& request, kestrel::TableDef* def, std::string* error);

// Stores `value` into field `f` of `row`: numbers for integers and reals,
// text for strings (UTF-8), "7.50" or 7.5 for decimals, "YYYY-MM-DD" or
// null for dates.
bool SetFieldFromJson(const kestrel::FieldDef& f, const Json& value, std::string* row, std::string* error);

// A cleared row: blank text, zero numbers.
std::string BlankRow(const kestrel::TableDef& def);

// {"table":..,"id":..,"fields":{..},"memos":{..}}, as krl dump writes records.
Json RecordJson(const std::string& table, uint32_t id, const kestrel::TableDef& def, const std::string& row,
                       const std::vector<std::string>& memos);

}  // namespace krl
