#include "app/contents/cargar_contenido_procedure.h"

#include "app/contents/cargar_contenido_window.h"
#include "app/contents/cargar_this_window.h"
#include "app/dictionary/files.h"
#include "app/dictionary/globals.h"
#include "framework/window/field_var.h"
#include "framework/window/memo_var.h"
#include "runtime/core/file_field.h"

namespace app::contents {

CargarContenidoProcedure::CargarContenidoProcedure() : window(CargarContenidoWindow()) {
  rt::FileControlBlock& ap = QVAPRENDE().instance();
  content_ = std::make_unique<fw::FieldVar>(rt::findFieldRef(ap, "QVAP:CONTENIDO_PRIORIZADO"));
  learning_ = std::make_unique<fw::MemoVar>(&ap, ap.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO"));
  window.bind(CONTENIDO, content_.get());
  window.bind(APRENDIZAJE, learning_.get());
}

CargarContenidoProcedure::~CargarContenidoProcedure() = default;

void CargarContenidoProcedure::Run() {
  {
    CargarThisWindow thisWindow(window);
    GlobalResponse = thisWindow.Run();
  }
  if (window.isOpen()) window.close();
}

}  // namespace app::contents

namespace app {

void Cargar_Contenido() {
  contents::CargarContenidoProcedure procedure;
  procedure.Run();
}

}  // namespace app
