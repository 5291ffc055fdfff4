// ABM_Contenidos: the list of the chosen subject's contents (the subject in
// the QVMATERIAS buffer, as the follow-up window leaves it) with add,
// change and delete through Cargar_Contenido. GlobalResponse holds the
// result. The follow-up window synchronises QVSEGUIR afterwards.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/contents/contents_browse.h"
#include "framework/window/record_queue.h"
#include "framework/window/step_locator_class.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace app::contents {

// The procedure's window, list and bound variables; ABM_Contenidos() makes
// one and runs it. Tests make their own to drive the window.
class AbmContenidosProcedure {
 public:
  AbmContenidosProcedure();
  ~AbmContenidosProcedure();
  void Run();

  ui::Window window;
  fw::RecordQueue queue;
  rt::View view;
  ContentsBrowse brw;
  fw::StepLocatorClass locator;
  // The update form; Cargar_Contenido when empty.
  std::function<void()> form;

 private:
  std::vector<std::unique_ptr<ui::UseVar>> vars_;
};

}  // namespace app::contents

namespace app {

void ABM_Contenidos();

}  // namespace app
