#include "runtime/ui/report/qt/pdf_session.h"

#include <QGuiApplication>
#include <cstdlib>

#include "runtime/ui/report/qt/qt_report_printer.h"

namespace ui::qt {

namespace {

std::unique_ptr<QGuiApplication> MakeApplication() {
  if (QCoreApplication::instance()) return nullptr;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (!platform || !*platform) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Qt keeps the argument count and vector for the application's life.
  static int argc = 1;
  static char name[] = "qvnotas-pdf";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

struct PdfSession::Parts {
  std::unique_ptr<QGuiApplication> app = MakeApplication();  // before the printer, which paints with it
  QtReportPrinter printer;
  ReportPrinter* previous = setReportPrinter(&printer);
  ~Parts() { setReportPrinter(previous); }
};

PdfSession::PdfSession() : parts_(std::make_unique<Parts>()) {}

PdfSession::~PdfSession() = default;

}  // namespace ui::qt
