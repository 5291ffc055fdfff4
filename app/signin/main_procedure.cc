#include "app/signin/main_procedure.h"

#include "app/dictionary/globals.h"
#include "app/followup/ventana_seguimiento_notas.h"
#include "app/signin/signin_window.h"
#include "app/signin/this_window.h"

namespace app {

MainProcedure::MainProcedure()
    : window(signin::SignInWindow()),
      followUp(Ventana_Seguimiento_Notas),
      docenteVar_(&AUXILIAR_DOCENTE, kAuxiliarDocenteChars) {
  window.bind(signin::AUXILIAR_DNI, &dniVar_);
  window.bind(signin::AUXILIAR_DOCENTE, &docenteVar_);
  window.bind(signin::AUXILIAR_FNAC, &fnacVar_);
}

void MainProcedure::Run() {
  AUXILIAR_DNI = 0;
  AUXILIAR_FNAC = 0;
  signin::ThisWindow thisWindow(window, AUXILIAR_DNI, AUXILIAR_FNAC, followUp);
  GlobalResponse = thisWindow.Run();
  if (window.isOpen()) window.close();
}

void Main() {
  MainProcedure procedure;
  procedure.Run();
}

}  // namespace app
