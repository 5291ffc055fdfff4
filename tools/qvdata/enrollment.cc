#include "tools/qvdata/enrollment.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "runtime/core/error_codes.h"
#include "runtime/core/file_sequence.h"
#include "tools/qvdata/by_label.h"

namespace qvdata {

namespace {

struct Student {
  int64_t legajo;
  std::string name, sex;
};

// Reads `f` in the order of key `key`, calling `each` with the record in the buffer.
template <typename F>
bool Walk(rt::FileControlBlock& f, const char* key, F each, std::string* error) {
  int32_t rc = rt::SetKey(f, f.decl().findKey(key));
  while (rc == 0 && (rc = rt::Next(f)) == 0) each();
  if (rc == rt::Error_RecordNotAvailable) return true;
  *error = FileFailure(f, rc);
  return false;
}

}  // namespace

bool MissingGradeBookRows(School& school, std::vector<RecordImage>* rows, std::string* error) {
  rt::FileControlBlock& subjects = *school.Block("QVMATERIAS");
  rt::FileControlBlock& students = *school.Block("QVALUAP");
  rt::FileControlBlock& book = *school.Block("QVLIBRETA");

  std::map<int64_t, std::vector<Student>> by_course;
  if (!Walk(students, "QVA:CLAVE_CURSO_LEGAJO", [&] {
        const int64_t legajo = IntOf(students, "QVA:LEGAJO");
        if (legajo == 0) return;
        by_course[IntOf(students, "QVA:COD_CURSO")].push_back(
            {legajo, TextOf(students, "QVA:APELLIDO_NOMBRE"), TextOf(students, "QVA:SEXO")});
      }, error)) {
    return false;
  }
  std::set<std::pair<int64_t, int64_t>> present;  // (subject, student)
  int64_t last_number = 0;
  if (!Walk(book, "QVL:CLAVE_MATERIA_LEGAJOS", [&] {
        present.emplace(IntOf(book, "QVL:COD_MATERIA"), IntOf(book, "QVL:NRO_LEGAJO"));
        last_number = std::max(last_number, IntOf(book, "QVL:NRO_REGISTRO"));
      }, error)) {
    return false;
  }
  rt::FileControlBlock row(book.declPtr());
  bool ok = Walk(subjects, "QVM:CLAVE_CURSO_ORDEN_CODIGO", [&] {
    const int64_t subject = IntOf(subjects, "QVM:NRO_REGISTRO");
    if (subject == 0) return;
    auto course = by_course.find(IntOf(subjects, "QVM:COD_CURSO"));
    if (course == by_course.end()) return;
    for (const Student& s : course->second) {
      if (!present.emplace(subject, s.legajo).second) continue;
      row.clearBuffers();
      PutInt(row, "QVL:NRO_REGISTRO", ++last_number);
      PutInt(row, "QVL:NRO_LEGAJO", s.legajo);
      PutInt(row, "QVL:NRO_ORDEN", IntOf(subjects, "QVM:NRO_ORDEN"));
      PutText(row, "QVL:SEXO", s.sex);
      PutText(row, "QVL:ALUMNO", s.name);
      PutInt(row, "QVL:COD_MATERIA", subject);
      PutText(row, "QVL:MATERIAS", TextOf(subjects, "QVM:MATERIA"));
      PutInt(row, "QVL:COD_CURSO", IntOf(subjects, "QVM:COD_CURSO"));
      PutInt(row, "QVL:PROMEDIAEN", IntOf(subjects, "QVM:PROMEDIAEN"));
      rows->push_back(RecordImage{row.record, row.memos});
    }
  }, error);
  return ok;
}

}  // namespace qvdata
