// qvdata sheet DIR --subject N (--progress | --contents) --pdf OUT.pdf
//
// The progress sheet (grade book) or the contents sheet (follow-up) of one
// subject, as the program prints it (the same report definition and
// engine), written to a PDF file without a display: for batch printing and
// for sending to families. A subject that does not exist or has nothing to
// print is reported and no file is written.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/globals.h"
#include "app/sheets/sheet_pdf.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/report/qt/pdf_session.h"
#include "tools/qvdata/commands.h"

namespace qvdata {

namespace {

struct SheetOptions {
  std::string dir;
  int32_t subject = 0;
  bool progress = false;
  bool contents = false;
  std::string pdf;
};

// Works in `dir` (where the program finds its files) for the length of a
// scope.
class WorkIn {
 public:
  explicit WorkIn(const std::string& dir) {
    ok_ = ::getcwd(old_, sizeof old_) != nullptr && ::chdir(dir.c_str()) == 0;
    if (!ok_) error_ = std::strerror(errno);
  }
  ~WorkIn() {
    if (ok_) (void)!::chdir(old_);
  }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  char old_[4096];
  bool ok_ = false;
  std::string error_;
};

int Sheet(const SheetOptions& o, std::ostream& out, std::ostream& err) {
  const app::sheets::Sheet sheet = o.progress ? app::sheets::Sheet::Progress : app::sheets::Sheet::Contents;
  const std::string walked = o.progress ? "QVLIBRETA.KRL" : "QVSEGUIR.KRL";
  for (const std::string& file : {std::string("QVMaterias.KRL"), walked}) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(o.dir) / file, ec)) {
      err << "qvdata sheet: " << (std::filesystem::path(o.dir) / file).string() << " not found\n";
      return kExitFailed;
    }
  }
  std::error_code ec;
  const std::string pdf = std::filesystem::absolute(o.pdf, ec).string();
  kestrel::RegisterKestrelDriver();
  ui::qt::PdfSession session;
  app::sheets::SheetPdfResult result;
  {
    WorkIn work(o.dir);
    if (!work.ok()) {
      err << "qvdata sheet: cannot work in " << o.dir << ": " << work.error() << "\n";
      return kExitFailed;
    }
    app::GlobalErrors.Init(fw::ThreadErrorStatus);
    app::AddAppMessages(app::GlobalErrors);
    app::ThreadObjects thread;
    app::DctInit();
    result = app::sheets::WriteSheetPdf(sheet, o.subject, pdf);
  }
  if (!result.ok) {
    err << "qvdata sheet: " << result.problem << "\n";
    return kExitFailed;
  }
  out << o.pdf << ": " << result.title << ", " << result.records << (result.records == 1 ? " record, " : " records, ")
      << result.pages << (result.pages == 1 ? " page" : " pages") << "\n";
  return kExitOk;
}

}  // namespace

Runner SetupSheet(CLI::App& command) {
  auto o = std::make_shared<SheetOptions>();
  command.add_option("DIR", o->dir, "folder of the school")->required();
  command.add_option("--subject", o->subject, "the subject's code (QVM:NRO_REGISTRO)")->required();
  auto* progress = command.add_flag("--progress", o->progress, "the progress sheet: grades of every student");
  auto* contents = command.add_flag("--contents", o->contents, "the contents sheet: each student's follow-up");
  progress->excludes(contents);
  command.add_option("--pdf", o->pdf, "the PDF file to write")->required();
  return [o](std::ostream& out, std::ostream& err) {
    if (!o->progress && !o->contents) {
      err << "qvdata sheet: say which sheet: --progress or --contents\nRun with --help for more information.\n";
      return kExitUsage;
    }
    return Sheet(*o, out, err);
  };
}

}  // namespace qvdata
