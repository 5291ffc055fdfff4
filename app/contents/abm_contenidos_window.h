// The list of the chosen subject's contents, as data: title "Caption",
// 700 x 360 dialog units, Consolas on RGB 230,230,230; the subject's name
// and course over the list, the record buttons under it.
#pragma once

#include "runtime/ui/window_def.h"

namespace app::contents {

// Controls in creation order.
enum AbmControl : int {
  QVM_MATERIA = 1,
  QVM_CICLO,
  QVM_CURSO,
  QVM_DIVISION,
  LIST,     // BRW1
  BUTTON1,  // "Salir"
  INSERT,   // "&Agregar"
  CHANGE,   // "&Modificar"
  DELETE,   // "&Borrar"
};

ui::WindowDef AbmContenidosWindow();

}  // namespace app::contents
