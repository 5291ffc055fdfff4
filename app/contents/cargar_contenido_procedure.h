// Cargar_Contenido: the update form of one content (the request comes in
// GlobalRequest, the response goes to GlobalResponse). ABM_Contenidos runs
// it for adding, changing and deleting.
#pragma once

#include <memory>

#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace app::contents {

// The procedure's window and bound variables; Cargar_Contenido() makes one
// and runs it. Tests make their own to drive the window.
class CargarContenidoProcedure {
 public:
  CargarContenidoProcedure();
  ~CargarContenidoProcedure();
  void Run();

  ui::Window window;

 private:
  std::unique_ptr<ui::UseVar> content_;
  std::unique_ptr<ui::UseVar> learning_;
};

}  // namespace app::contents

namespace app {

void Cargar_Contenido();

}  // namespace app
