// The grade rule over any record buffer that holds the grade-book fields by
// their QVLIBRETA labels: the QVLIBRETA record buffer itself (the
// recalculation of "Salir") or a row of the grade-book list, whose layout
// uses the same labels (a grade cell being edited).
//
//   GradeRowFields row(Access_QVLIBRETA->Block());
//   row.Apply(work);   // reads the grades, writes QVL:ETAPA11, QVL:FINAL, QVL:ETADO
//
// Field look-ups are done once, at construction; a label missing from the
// buffer reads as no grade (and, for a result, is not written).
#pragma once

#include <array>
#include <string>

#include "app/graderules/grade_rules.h"
#include "runtime/core/file_control.h"

namespace app::followup {

class GradeRowFields {
 public:
  explicit GradeRowFields(rt::FileControlBlock& buffer);

  // ApplyGradeRules on the buffer's current values; the results are stored
  // back into the buffer.
  void Apply(GradeRuleWork& work);
  void Apply();
  // Why the buffer's values give their status, in one line of Spanish
  // (GradeExplanationText); the buffer is not changed.
  std::string Explanation();

  rt::FileControlBlock& buffer() { return buffer_; }

 private:
  // Reads the buffer into the copies a GradeBookRow binds.
  struct Values;
  void Read(Values& v);

  rt::FileControlBlock& buffer_;
  // kGradeFields order (app/gradebook): 15 decimals, ETADO, AC, AM.
  std::array<int, 18> fields_{};
};

}  // namespace app::followup
