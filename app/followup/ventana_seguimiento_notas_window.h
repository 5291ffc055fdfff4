// The follow-up window as data: no title, 900 x 448 dialog units, Consolas 8
// on RGB 230,230,230. The subject drop-down list and its fields on top, a
// sheet below with the grade book (tab 1) and the contents follow-up (tab 2,
// defined hidden; see FollowUpShowsContentsTab), and the window's buttons.
#pragma once

#include "runtime/ui/window_def.h"

namespace app::followup {

// Controls in creation order.
enum Control : int {
  AUXILIAR_DOCENTE = 1,  // the teacher's name
  STRING2,               // "Docente"
  LIST,                  // drop-down list of the teacher's subjects (BRW1)
  QVM_CICLO,
  QVM_CURSO,
  QVM_DIVISION,
  QVM_ESPECIALIDAD,
  QVM_MATERIA,
  SHEET1,
  TAB1,                  // "Informe de Progreso"
  LIST_2,                // the grade book (BRW2)
  BUTTON10,              // "Planilla" of tab 1
  TAB2,                  // "Contenidos", hidden
  LIST_3,                // the course's students (BRW4)
  LIST_4,                // the selected student's contents follow-up (BRW5)
  BUTTON9,               // "Planilla" of tab 2
  STRING11,
  BUTTON5,               // "Contenidos"
  INSERT_2,              // hidden
  CHANGE_2,              // "&Modificar"
  DELETE_2,              // hidden
  STRING12,
  BUTTON3,               // "Salir"
  INSERT,                // hidden
  CHANGE,                // "&Editar"
  DELETE,                // hidden
};

ui::WindowDef FollowUpWindow();

}  // namespace app::followup
