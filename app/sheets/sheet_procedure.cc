#include "app/sheets/sheet_procedure.h"

#include "app/dictionary/globals.h"
#include "app/dictionary/module_views.h"
#include "app/sheets/progress_window.h"
#include "app/sheets/this_report.h"
#include "app/sheets/this_window.h"
#include "runtime/view/view.h"

namespace app::sheets {

SheetProcedure::SheetProcedure(Sheet which) : sheet(which), window(ProgressWindow(WalkOf(which).procedure)) {
  window.bind(Progress_Thermometer, &percentVar_);
}

SheetProcedure::~SheetProcedure() = default;

fw::RelationManager* SheetProcedure::Walked() const {
  return sheet == Sheet::Progress ? Relate_QVLIBRETA : Relate_QVSEGUIR;
}

void SheetProcedure::Run() {
  printer = std::make_unique<SheetPrinter>(sheet);
  view = std::make_unique<rt::View>(Walked()->Me->Block());
  for (const char* label : WalkOf(sheet).projection) view->Project(label);
  RegisterModuleView(view.get());
  process = std::make_unique<ThisReport>(*printer);
  {
    ThisWindow thisWindow(*this);
    GlobalResponse = thisWindow.Run();
  }
  if (window.isOpen()) window.close();
  process.reset();
  UnregisterModuleView(view.get());
  view.reset();
  printer.reset();
}

}  // namespace app::sheets

namespace app {

void Imprimir_Planilla_Informe_Progreso() {
  sheets::SheetProcedure procedure(sheets::Sheet::Progress);
  procedure.Run();
}

void Imprimir_Planilla_Informe_Contenidos() {
  sheets::SheetProcedure procedure(sheets::Sheet::Contents);
  procedure.Run();
}

}  // namespace app
