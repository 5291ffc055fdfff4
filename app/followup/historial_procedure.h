// Historial_Notas: the recorded changes of one grade-book row (one subject,
// one student), oldest first, in a small list window with "Cerrar". The
// follow-up window runs it from the grade book's popup menu ("Historial")
// on the highlighted row.
//
// Each list row is one changed field of one save: date and time, the grade
// book's column header ("Eval. 2"), old and new value ("-" for none), the
// final grade and status the rule gave after the change, and who saved it.
// A school without a history file shows an empty list; a history that
// cannot be read says so in the status bar.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/ui/row_source.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace app::followup {

class HistorialProcedure {
 public:
  // `student` names the row on top ("1001  PEREZ, ANA"), already shown text.
  HistorialProcedure(int32_t subject, int32_t student, std::string student_text);
  // Reads the row's history, then runs the window (over `owner`, which is
  // disabled meanwhile) until "Cerrar" or the window closes.
  void Run(ui::Window* owner = nullptr);

  ui::Window window;
  // The list's rows, as shown (HistorialColumn order).
  ui::TableRowSource Rows;
  // The status bar's text: why the list is empty, when it is.
  std::string Note;

 private:
  void Read();

  int32_t subject_, student_;
  std::string student_text_;
  ui::StringVar student_var_{&student_text_};
};

}  // namespace app::followup
