#include "runtime/ui/report/headless_printer.h"

namespace ui {

bool HeadlessPrinter::print(const PrintJob& job) {
  ++dialogs;
  if (!answer) return false;
  Printed p;
  p.title = job.title;
  p.files = job.pages;
  for (const std::string& f : job.pages) {
    PageImage page;
    if (!readPageFile(f, &page)) page = PageImage{};
    p.pages.push_back(std::move(page));
  }
  jobs.push_back(std::move(p));
  return true;
}

// No PDF writer without a toolkit.
bool HeadlessPrinter::writePdf(const PrintJob&, const std::string&) { return false; }

}  // namespace ui
