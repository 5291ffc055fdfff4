// The Qt print back-end: pages go to a printer chosen in the system's print
// dialog, or into a PDF document (fonts embedded, texts extractable). The
// paper size and orientation are those of the pages. Constructing one also
// lets the window back-end's image controls show page files (the preview).
//
//   ui::qt::QtReportPrinter printer;   // after the QApplication
//   ui::setReportPrinter(&printer);
#pragma once

#include <functional>

#include "runtime/ui/report/report_printer.h"

class QPrinter;

namespace ui::qt {

class QtReportPrinter : public ReportPrinter {
 public:
  // Shows the print dialog for `printer`; true to print. Replaceable so that
  // tests (and unattended runs) can choose the printer themselves.
  std::function<bool(QPrinter& printer)> askPrinter;

  QtReportPrinter();
  bool print(const PrintJob& job) override;
  bool writePdf(const PrintJob& job, const std::string& path) override;
};

}  // namespace ui::qt
