// The report manager of a sheet procedure: opens the subject and the walked
// file, the progress window (its position kept in "QVAPP.INI" under the
// procedure's name), and walks the walked file in the sheet's order within
// the subject the record buffer holds when the report starts; the pages go
// to the print preview.
#pragma once

#include <cstdint>

#include "app/procedure/procedure_window.h"
#include "framework/report/report_manager.h"

namespace ui {
class Window;
}

namespace app::sheets {

class SheetProcedure;

class ThisWindow : public ProcedureWindow<fw::ReportManager> {
 public:
  explicit ThisWindow(SheetProcedure& procedure);
  using fw::ReportManager::Init;
  fw::Level Init() override;
  fw::Level Kill() override;

 private:
  SheetProcedure& p_;
};

}  // namespace app::sheets
