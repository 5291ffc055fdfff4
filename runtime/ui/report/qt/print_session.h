// The Qt print back-end for a program's whole run, without Qt in the
// program's own code: installs a QtReportPrinter as the process's report
// printer until destroyed (the previous one is put back).
//
//   ui::qt::DesktopSession session(argc, argv);   // the QApplication first
//   ui::qt::PrintSession printing;
#pragma once

#include <memory>

namespace ui {
class ReportPrinter;
}

namespace ui::qt {

class QtReportPrinter;

class PrintSession {
 public:
  PrintSession();
  ~PrintSession();
  PrintSession(const PrintSession&) = delete;
  PrintSession& operator=(const PrintSession&) = delete;

 private:
  std::unique_ptr<QtReportPrinter> printer_;
  ReportPrinter* previous_ = nullptr;
};

}  // namespace ui::qt
