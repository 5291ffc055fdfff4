#include "app/sheets/this_report.h"

#include "app/sheets/sheet_printer.h"

namespace app::sheets {

fw::Level ThisReport::TakeRecord() {
  fw::Level r = ProcessClass::TakeRecord();
  if (r != fw::Level::Benign) return r;
  // A page that cannot be written ends the report: the rest would be lost.
  return printer_.PrintRecord() == ui::ReportResult::Ok ? fw::Level::Benign : fw::Level::Fatal;
}

}  // namespace app::sheets
