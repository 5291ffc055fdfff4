// The history of one grade-book row as data: title "Historial de notas",
// 420 x 200 dialog units, Consolas 8 on RGB 230,230,230. The student on
// top, the list of changes, "Cerrar", and a status bar for what the list
// cannot say (no changes recorded, a history that could not be read).
#pragma once

#include "runtime/ui/window_def.h"

namespace app::followup {

// Controls in creation order.
enum HistorialControl : int {
  HISTORIAL_ALUMNO = 1,  // legajo and name of the row's student
  HISTORIAL_LIST,        // the changes, oldest first
  HISTORIAL_CERRAR,      // "Cerrar"
};

// The list's columns, in the order of HistorialProcedure's rows.
enum HistorialColumn : int {
  HistCol_Date = 1,  // "Fecha"
  HistCol_Time,      // "Hora"
  HistCol_Field,     // "Campo": the grade book's column header
  HistCol_Before,    // "Anterior"
  HistCol_After,     // "Nuevo"
  HistCol_Final,     // "FINAL" after the change
  HistCol_Status,    // "Estado" after the change
  HistCol_Who,       // "Usuario": "DNI 20123456" or the tool's name
};

ui::WindowDef HistorialWindow();

}  // namespace app::followup
