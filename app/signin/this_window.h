// Main's window manager: opens QVMATERIAS, keeps the window's place in
// "QVAPP.INI" under "Main", looks the teacher up on every field event of
// the identity-number entry and checks the birth date on the second
// "Aceptar".
//
// Identity lookup: QVM:DNI_DOCENTE = the number, fetch by
// QVM:CLAVE_DNI_PROFESOR (the teacher's first subject record). Found (and
// not 0): the window turns to the password state and the date entry takes
// the focus. Not found (and not 0): "No encontrado ....." under the entry.
// Password check: the date typed and QVM:QVP_FECHANAC compared as day
// numbers; equal (and not 0) calls the follow-up window, and when it
// returns the window ends. A wrong date does nothing visible.
#pragma once

#include <cstdint>
#include <functional>

#include "app/procedure/procedure_window.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_manager.h"

namespace ui {
class Window;
}

namespace app::signin {

class ThisWindow : public ProcedureWindow<fw::WindowManager> {
 public:
  // `dni` and `fnac` (a standard date) are the procedure's variables bound
  // to the entries; `followUp` is called after a successful sign-in.
  ThisWindow(ui::Window& window, int32_t& dni, int32_t& fnac, std::function<void()> followUp);

  fw::Level Init() override;
  fw::Level TakeAccepted() override;
  fw::Level TakeFieldEvent() override;
  fw::Level TakeWindowEvent() override;
  // The components' update, then the screen's values into the variables.
  void Update() override;

 private:
  void LookUpTeacher();
  bool PasswordMatches() const;

  int32_t& dni_;
  int32_t& fnac_;
  std::function<void()> followUp_;
  fw::ToolbarClass toolbar_;
};

}  // namespace app::signin
