#include "runtime/ui/report/report_printer.h"

#include "runtime/ui/report/headless_printer.h"

namespace ui {

namespace {

// Without a back-end installed nothing can reach paper: the built-in one
// answers as a cancelled print dialog, so a flush never reports success.
HeadlessPrinter& builtIn() {
  static HeadlessPrinter printer = [] {
    HeadlessPrinter p;
    p.answer = false;
    return p;
  }();
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
