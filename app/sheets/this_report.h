// The record processor of a sheet: each record read prints through the
// sheet's printer (detail band, and on the contents sheet the group header
// when the student changes).
#pragma once

#include "framework/report/process_class.h"

namespace app::sheets {

class SheetPrinter;

class ThisReport : public fw::ProcessClass {
 public:
  explicit ThisReport(SheetPrinter& printer) : printer_(printer) {}
  fw::Level TakeRecord() override;

 private:
  SheetPrinter& printer_;
};

}  // namespace app::sheets
