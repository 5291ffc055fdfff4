// Main, the first procedure of the program: the teacher signs in, the
// follow-up window runs, and when Main returns the program ends.
#pragma once

#include <cstdint>
#include <functional>

#include "app/signin/windows_text_var.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace app {

// The procedure's window and variables; Main() makes one and runs it.
// Tests make their own to drive the window.
class MainProcedure {
 public:
  MainProcedure();
  // Opens the window, runs ThisWindow, stores its response in
  // GlobalResponse and closes the window.
  void Run();

  ui::Window window;
  int32_t AUXILIAR_DNI = 0;
  int32_t AUXILIAR_FNAC = 0;  // standard date
  // Called after a successful sign-in; Ventana_Seguimiento_Notas by default.
  std::function<void()> followUp;

 private:
  ui::Int32Var dniVar_{&AUXILIAR_DNI};
  ui::Int32Var fnacVar_{&AUXILIAR_FNAC};
  signin::WindowsTextVar docenteVar_;
};

void Main();

}  // namespace app
