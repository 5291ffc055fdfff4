// A print back-end without a printer: every job is kept with the pages'
// drawings as they were when printed (the engine deletes page files
// afterwards). `answer` is what the print dialog answers.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/report/page_image.h"
#include "runtime/ui/report/report_printer.h"

namespace ui {

class HeadlessPrinter : public ReportPrinter {
 public:
  struct Printed {
    std::string title;
    std::vector<std::string> files;
    std::vector<PageImage> pages;  // an unreadable file gives an empty page
  };

  bool answer = true;              // false: the user cancels the print dialog
  std::vector<Printed> jobs;       // printed jobs, in order
  int dialogs = 0;                 // print dialogs shown

  bool print(const PrintJob& job) override;
  bool writePdf(const PrintJob& job, const std::string& path) override;
};

}  // namespace ui
