#include "app/contents/abm_contenidos_procedure.h"

#include "app/contents/abm_contenidos_window.h"
#include "app/contents/abm_this_window.h"
#include "app/dictionary/files.h"
#include "app/dictionary/globals.h"
#include "app/dictionary/module_views.h"
#include "framework/window/field_var.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"

namespace app::contents {

namespace {

// The list's rows: the columns in the order the list shows them.
rt::FileDeclPtr RowLayout() {
  static const rt::FileDeclPtr layout = [] {
    rt::FileDeclBuilder b("BRW1", "Q", "");
    b.String("Q:CONTENIDO_PRIORIZADO", 255).String("Q:APRENDIZAJE_TRABAJO", 255).String("Q:DOCENTE", 60)
        .String("Q:MATERIAS", 60).Short("Q:NRO_ORDEN").Long("Q:COD_DOCENTE").Long("Q:COD_CURSO")
        .Long("Q:COD_MATERIA").Long("Q:NRO_REGISTRO");
    return b.Build();
  }();
  return layout;
}

}  // namespace

AbmContenidosProcedure::AbmContenidosProcedure()
    : window(AbmContenidosWindow()), queue(RowLayout()), view(QVAPRENDE().instance()), brw(queue) {
  for (const char* label : {"QVAP:CONTENIDO_PRIORIZADO", "QVAP:APRENDIZAJE_TRABAJO", "QVAP:DOCENTE", "QVAP:MATERIAS",
                            "QVAP:NRO_ORDEN", "QVAP:COD_DOCENTE", "QVAP:COD_CURSO", "QVAP:COD_MATERIA",
                            "QVAP:NRO_REGISTRO"})
    view.Project(label);
  rt::FileControlBlock& m = QVMATERIAS().instance();
  int control = QVM_MATERIA;
  for (const char* label : {"QVM:MATERIA", "QVM:CICLO", "QVM:CURSO", "QVM:DIVISION"}) {
    vars_.push_back(std::make_unique<fw::FieldVar>(rt::findFieldRef(m, label)));
    window.bind(control++, vars_.back().get());
  }
}

AbmContenidosProcedure::~AbmContenidosProcedure() = default;

void AbmContenidosProcedure::Run() {
  RegisterModuleView(&view);
  {
    AbmThisWindow thisWindow(*this);
    GlobalResponse = thisWindow.Run();
  }
  UnregisterModuleView(&view);
  if (window.isOpen()) window.close();
}

}  // namespace app::contents

namespace app {

void ABM_Contenidos() {
  contents::AbmContenidosProcedure procedure;
  procedure.Run();
}

}  // namespace app
