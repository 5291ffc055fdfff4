// What a print back-end does for the report engine: send page files to a
// printer, or write them to a PDF file. Pages reach it as page files
// (page_image.h) in print order. The Qt back-end (qt/qt_report_printer.h)
// asks the user through the system's print dialog; HeadlessPrinter records
// the jobs for tests.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct PrintJob {
  std::string title;               // the job's name in the print queue
  std::vector<std::string> pages;  // page files, in order
};

class ReportPrinter {
 public:
  virtual ~ReportPrinter() = default;
  // Prints the pages after the system's print dialog; false when the user
  // cancelled it or the printer failed.
  virtual bool print(const PrintJob& job) = 0;
  // Writes the pages as one PDF document; false on failure (nothing is left
  // at `path` then).
  virtual bool writePdf(const PrintJob& job, const std::string& path) = 0;
};

// The process-wide print back-end; nullptr restores the built-in one, which
// prints nothing and says so (print and writePdf answer false).
ReportPrinter* setReportPrinter(ReportPrinter* printer);
ReportPrinter& reportPrinter();

}  // namespace ui
