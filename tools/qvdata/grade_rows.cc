#include "tools/qvdata/grade_rows.h"

#include <limits>

#include "runtime/core/error_codes.h"
#include "runtime/core/file_sequence.h"
#include "tools/qvdata/by_label.h"
#include "tools/qvdata/school.h"

namespace qvdata {

bool ForEachGradeBookRow(rt::FileControlBlock& book, int32_t subject, std::optional<int32_t> student,
                         const std::function<void()>& each, std::string* error) {
  const int key = book.decl().findKey("QVL:CLAVE_MATERIA_LEGAJOS");
  book.clearBuffers();
  PutInt(book, "QVL:COD_MATERIA", subject);
  PutInt(book, "QVL:NRO_LEGAJO", student.value_or(std::numeric_limits<int32_t>::min()));
  int32_t rc = rt::SetKeyKey(book, key);
  while (rc == 0 && (rc = rt::Next(book)) == 0) {
    if (IntOf(book, "QVL:COD_MATERIA") != subject) break;
    if (student && IntOf(book, "QVL:NRO_LEGAJO") != *student) break;
    each();
  }
  if (rc == 0 || rc == rt::Error_RecordNotAvailable) return true;
  *error = FileFailure(book, rc);
  return false;
}

}  // namespace qvdata
