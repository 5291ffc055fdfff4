// The window manager of ABM_Contenidos: the contents of the subject in the
// QVMATERIAS buffer, listed by order number; adding, changing and deleting
// run Cargar_Contenido (update procedure 1). Its position is kept in
// "QVAPP.INI" under "ABM_CONTENIDOS".
#pragma once

#include <cstdint>

#include "app/procedure/procedure_window.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_manager.h"

namespace app::contents {

class AbmContenidosProcedure;

class AbmThisWindow : public ProcedureWindow<fw::WindowManager> {
 public:
  explicit AbmThisWindow(AbmContenidosProcedure& procedure);

  fw::Level Init() override;
  using fw::WindowManager::Run;
  uint8_t Run(uint16_t number, uint8_t request) override;
  fw::Level TakeAccepted() override;

 private:
  AbmContenidosProcedure& p_;
  fw::ToolbarClass toolbar_;
};

}  // namespace app::contents
