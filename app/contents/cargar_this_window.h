// The window manager of Cargar_Contenido: the update form of one content of
// QVAPRENDE for the subject in the QVMATERIAS buffer. When the window opens
// the record takes the subject, course, teacher and the order number (the
// contents now in the file, all subjects); Ctrl+H in the content or the
// learning entry restores that entry from the record last completed on
// this thread ("ditto").
#pragma once

#include <cstdint>

#include "app/procedure/procedure_window.h"
#include "framework/window/toolbar.h"
#include "framework/window/toolbar_update_class.h"
#include "framework/window/window_manager.h"

namespace ui {
class Window;
}

namespace app::contents {

class CargarThisWindow : public ProcedureWindow<fw::WindowManager> {
 public:
  explicit CargarThisWindow(ui::Window& window);

  fw::Level Init() override;
  void RestoreField(int32_t control) override;
  uint8_t Run() override;
  using fw::WindowManager::Run;
  fw::Level TakeAccepted() override;
  fw::Level TakeCompleted() override;
  fw::Level TakeWindowEvent() override;
  void Update() override;

 private:
  void FillFromSubject();

  fw::ToolbarClass toolbar_;
  fw::ToolbarUpdateClass updateTarget_;
};

}  // namespace app::contents
