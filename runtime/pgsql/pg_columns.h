// The typed columns of a table: one per field of the declaration (groups
// and overlays excepted), named after the field's label without its prefix,
// so that other programs can read the rows with plain SQL. The row image
// column stays the record's exact form; these columns follow it on every
// write.
//
//   QVL:NRO_LEGAJO LONG          nro_legajo integer
//   QVL:ETAPA DECIMAL(4,2)[12]   etapa numeric(7,2)[]
//   QVL:FECHA DATE               fecha integer (the standard date)
//   QVL:NOMBRE STRING(40)        nombre text (UTF-8 of the Windows-1252 text,
//                                trailing blanks dropped)
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/core/file_control.h"

namespace pgsql {

struct TypedColumn {
  int field = -1;     // position in the declaration's field list
  std::string name;   // SQL name (unquoted)
  std::string type;   // SQL type
};

// The typed columns of a declaration, in field order.
std::vector<TypedColumn> TypedColumns(const rt::FileDecl& decl);

// The column's value in the record buffer as SQL text (an array literal for
// array fields); nullopt stores NULL (a value the column cannot hold).
std::optional<std::string> TypedValue(const rt::FileControlBlock& file, const TypedColumn& column);

// Windows-1252 text as UTF-8 (the five unassigned bytes keep their C1 code
// points, a zero byte ends the text).
std::string Utf8FromWindows1252(std::string_view text);

}  // namespace pgsql
