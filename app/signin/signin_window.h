// The sign-in window of Main, as data: no title, 450 x 120 dialog units,
// Consolas 8 on RGB 230,230,230. Two states share it: the identity state
// (prompt, number entry, first "Aceptar", "Salir") and the password state
// (teacher's name, date prompt and entry, second "Aceptar" in the first
// one's place, "Salir"); ThisWindow switches between them.
#pragma once

#include "runtime/ui/window_def.h"

namespace app::signin {

// Controls in creation order.
enum Control : int {
  STRING1 = 1,       // "Ingresa tu D.N.I."
  AUXILIAR_DNI,      // the identity number, @n-14
  AUXILIAR_DOCENTE,  // the teacher's name or "No encontrado .....", hidden at open
  LINE1,
  BUTTON4,           // "Aceptar" of the identity state
  STRING2,           // "Clave (Fecha de Nacimiento):", hidden at open
  STRING4,           // "String 4"
  AUXILIAR_FNAC,     // the birth date, @d06, hidden at open
  BUTTON2,           // "Aceptar" of the password state, hidden when the window opens
  BUTTON3,           // "Salir"
};

ui::WindowDef SignInWindow();

}  // namespace app::signin
