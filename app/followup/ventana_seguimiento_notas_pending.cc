// Stands in for the follow-up window until its browse lists and grade
// editing exist: the teacher is told, and the sign-in window closes as it
// would after the real window. Replace this file with the window.
#include "app/dictionary/app_messages.h"
#include "app/dictionary/globals.h"
#include "app/followup/ventana_seguimiento_notas.h"

namespace app {

void Ventana_Seguimiento_Notas() {
  GlobalErrors.ThrowMessage(Msg_WindowNotAvailable, "Seguimiento de notas");
  GlobalResponse = 2;  // cancelled: nothing was done
}

}  // namespace app
