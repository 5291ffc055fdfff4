#include "runtime/ui/report/report_printer.h"

#include "runtime/ui/report/headless_printer.h"

namespace ui {

namespace {

HeadlessPrinter& builtIn() {
  static HeadlessPrinter printer;
  return printer;
}

ReportPrinter* current = nullptr;

}  // namespace

ReportPrinter* setReportPrinter(ReportPrinter* printer) {
  ReportPrinter* old = current;
  current = printer;
  return old;
}

ReportPrinter& reportPrinter() { return current ? *current : builtIn(); }

}  // namespace ui
