// The Qt toolkit for a program that writes reports to PDF without showing
// anything (no display needed): a QGuiApplication on the offscreen platform
// unless QT_QPA_PLATFORM names one, and the Qt print back-end installed as
// the report printer, both until destroyed. When the process already has a
// Qt application (a test, a desktop program) only the printer is installed.
//
//   ui::qt::PdfSession session;
//   ... ui::reportPrinter().writePdf(job, "out.pdf") ...
#pragma once

#include <memory>

namespace ui::qt {

class PdfSession {
 public:
  PdfSession();
  ~PdfSession();
  PdfSession(const PdfSession&) = delete;
  PdfSession& operator=(const PdfSession&) = delete;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace ui::qt
