#include "runtime/ui/report/qt/pdf_session.h"

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/ui/report/qt/qt_report_printer.h"

namespace ui::qt {

namespace {

// Qt keeps its per-user runtime files in XDG_RUNTIME_DIR and, when the
// session has none (cron, sudo, a container, ssh without a login session),
// warns "QStandardPaths: XDG_RUNTIME_DIR not set" on the terminal of a
// program that shows nothing. Such a run gets a private folder of its own
// (made 0700 by mkdtemp, as Qt requires), removed when the session ends.
class PrivateRuntimeDir {
 public:
  explicit PrivateRuntimeDir(bool wanted) {
    const char* set = std::getenv("XDG_RUNTIME_DIR");
    if (!wanted || (set && *set)) return;
    const char* tmp = std::getenv("TMPDIR");
    const std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvnotas-runtime-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) return;  // Qt then falls back to its own folder, and says so
    made_ = buf.data();
    ::setenv("XDG_RUNTIME_DIR", made_.c_str(), 1);
  }
  ~PrivateRuntimeDir() {
    if (made_.empty()) return;
    ::unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    std::filesystem::remove_all(made_, ec);
  }
  PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
  PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

 private:
  std::string made_;
};

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
  PrivateRuntimeDir runtimeDir{QCoreApplication::instance() == nullptr};  // outlives the application
  std::unique_ptr<QGuiApplication> app = MakeApplication();  // before the printer, which paints with it
  QtReportPrinter printer;
  ReportPrinter* previous = setReportPrinter(&printer);
  ~Parts() { setReportPrinter(previous); }
};

PdfSession::PdfSession() : parts_(std::make_unique<Parts>()) {}

PdfSession::~PdfSession() = default;

}  // namespace ui::qt
