// The update form of one prioritized content, as data: title
// "Actualización Aprendizajes ...", 420 x 115 dialog units, Consolas on
// RGB 230,230,230.
#pragma once

#include "runtime/ui/window_def.h"

namespace app::contents {

// Controls in creation order.
enum CargarControl : int {
  CONTENIDO_PROMPT = 1,   // "Contenido Priorizado:"
  CONTENIDO,              // QVAP:CONTENIDO_PRIORIZADO, @s255
  APRENDIZAJE,            // memo QVAP:APRENDIZAJE_TRABAJO, up to 1000 characters
  APRENDIZAJE_PROMPT,     // "Aprendizaje:"
  LINE1,
  OK,                     // "Aceptar"
  CANCEL,                 // "Cancelar"
};

ui::WindowDef CargarContenidoWindow();

}  // namespace app::contents
