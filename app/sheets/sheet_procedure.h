// The two sheet procedures, called by the "Planilla" buttons of the
// follow-up window: `Imprimir_Planilla_Informe_Progreso` (the grade book of
// the subject in QVLIBRETA's buffer) and `Imprimir_Planilla_Informe_Contenidos`
// (the contents follow-up of the subject in QVSEGUIR's buffer). Each shows
// its progress window while the records print, then the preview; printing
// from the preview sends the pages to the printer. GlobalResponse holds the
// result: 1 completed, 2 cancelled (or nothing to print).
#pragma once

#include <cstdint>
#include <memory>

#include "app/sheets/sheet_printer.h"
#include "framework/report/print_preview_class.h"
#include "framework/window/step_string_class.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace rt {
class View;
}
namespace fw {
class RelationManager;
}

namespace app::sheets {

class ThisReport;

// The thermometer's byte, as the progress bar reads it.
class PercentVar : public ui::UseVar {
 public:
  explicit PercentVar(uint8_t* value) : value_(value) {}
  std::string get() const override { return std::to_string(*value_); }
  bool set(const std::string&) override { return false; }

 private:
  uint8_t* value_;
};

// One run's window, view, report and preview. Run() is the procedure;
// tests make their own to drive the window or replace the preview.
class SheetProcedure {
 public:
  explicit SheetProcedure(Sheet which);
  ~SheetProcedure();
  SheetProcedure(const SheetProcedure&) = delete;
  SheetProcedure& operator=(const SheetProcedure&) = delete;

  // Runs the report and stores its response in GlobalResponse.
  void Run();
  fw::RelationManager* Walked() const;

  const Sheet sheet;
  ui::Window window;
  uint8_t percent = 0;
  fw::StepStringClass step;
  std::unique_ptr<SheetPrinter> printer;
  std::unique_ptr<rt::View> view;
  std::unique_ptr<ThisReport> process;
  fw::PrintPreviewClass ownPreview;
  // The preview the pages go to: ownPreview unless a test sets another;
  // nullptr prints without one.
  fw::PrintPreviewClass* preview = &ownPreview;

 private:
  PercentVar percentVar_{&percent};
};

}  // namespace app::sheets

namespace app {

void Imprimir_Planilla_Informe_Progreso();
void Imprimir_Planilla_Informe_Contenidos();

}  // namespace app
