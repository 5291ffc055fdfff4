// A small report: a header with the title and page number, a one-line
// detail band with a name and a grade, a footer rule; and a headless printer
// installed for the test.
#pragma once

#include <string>

#include "runtime/ui/report/headless_printer.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/use_var.h"

namespace report_test {

inline ui::ReportDef sheetDef(double detailHeight = 30, double lineHeight = 6) {
  ui::ReportDef d;
  d.title = "Planilla";
  d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
  d.detailX = 4, d.detailY = 30, d.detailWidth = 290, d.detailHeight = detailHeight;
  ui::ReportBand header{ui::Band_Header, "header", 4, 5, 290, 25, {}};
  header.items.push_back({ui::RItem_Text, "", "Grade sheet", 4, 2, 160, 6, {"", 14, true, false}});
  ui::ReportItem page{ui::RItem_PageNo, "?Page", "@n3", 250, 2, 30, 6, {}};
  page.align = ui::Align_Right;
  header.items.push_back(page);
  ui::ReportBand detail{ui::Band_Detail, "detail", 0, 0, 290, lineHeight, {}};
  detail.items.push_back({ui::RItem_Box, "", "", 2, 0, 92, lineHeight, {}, ui::rgb(242, 242, 242), ui::rgb(242, 242, 242)});
  detail.items.push_back({ui::RItem_Field, "?NAME", "@s45", 4, 1, 81, 4, {"", 0, true, false}});
  detail.items.push_back({ui::RItem_Field, "?GRADE", "@n5.2B", 98, 1, 12, 4, {}});
  ui::ReportBand footer{ui::Band_Footer, "footer", 4, 199, 290, 5, {}};
  footer.items.push_back({ui::RItem_Line, "", "", 2, 0, 283, 0, {}, ui::rgb(128, 128, 128)});
  d.bands = {header, detail, footer};
  return d;
}

struct Sheet {
  explicit Sheet(ui::ReportDef def = sheetDef()) : report(std::move(def)) {
    report.bind("?NAME", &nameVar);
    report.bind("?GRADE", &gradeVar);
    old = ui::setReportPrinter(&printer);
  }
  ~Sheet() { ui::setReportPrinter(old); }

  // Prints one detail line.
  ui::ReportResult line(const std::string& n, const std::string& g) {
    name = n;
    grade = g;
    return report.print(2);
  }

  std::string name, grade;
  ui::StringVar nameVar{&name};
  ui::StringVar gradeVar{&grade};
  ui::HeadlessPrinter printer;
  ui::ReportPrinter* old = nullptr;
  ui::Report report;
};

}  // namespace report_test
