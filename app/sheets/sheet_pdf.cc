#include "app/sheets/sheet_pdf.h"

#include <filesystem>
#include <vector>

#include "app/dictionary/globals.h"
#include "framework/report/process_class.h"
#include "runtime/core/file_field.h"
#include "runtime/core/trim.h"
#include "runtime/ui/report/report_printer.h"
#include "runtime/view/view.h"

namespace app::sheets {

namespace {

std::string TextOf(const rt::FileControlBlock& b, const char* label) {
  return std::string(rt::trimRight(rt::getText(b, b.decl().findField(label)).value_or("")));
}

// "Planilla - Matemática - 1 A - Básico - Mañana": the subject as a reader
// of the file's properties knows it.
std::string TitleFor(const rt::FileControlBlock& m) {
  std::string title = "Planilla - " + TextOf(m, "QVM:MATERIA");
  const int64_t year = rt::getInteger(m, m.decl().findField("QVM:CURSO")).value_or(0);
  std::string course = year != 0 ? std::to_string(year) : std::string();
  std::string division = TextOf(m, "QVM:DIVISION");
  if (!division.empty()) course += (course.empty() ? "" : " ") + division;
  for (const std::string& part : {course, TextOf(m, "QVM:CICLO"), TextOf(m, "QVM:TURNO")})
    if (!part.empty()) title += " - " + part;
  return ui::recordTextToUtf8(title);
}

// Opens a relation manager for the length of a scope.
class OpenFile {
 public:
  explicit OpenFile(fw::RelationManager* r) : r_(r), ok_(r->Open() == fw::Level::Benign) {}
  ~OpenFile() {
    if (ok_) r_->Close();
  }
  bool ok() const { return ok_; }

 private:
  fw::RelationManager* r_;
  bool ok_;
};

}  // namespace

SheetPdfResult WriteSheetPdf(Sheet sheet, int32_t subject, const std::string& path) {
  SheetPdfResult result;
  const SheetWalk& walk = WalkOf(sheet);
  fw::RelationManager* walked = sheet == Sheet::Progress ? Relate_QVLIBRETA : Relate_QVSEGUIR;
  OpenFile subjects(Relate_QVMATERIAS);
  if (!subjects.ok()) {
    result.problem = "cannot open " + Access_QVMATERIAS->Block().name;
    return result;
  }
  rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  rt::setInteger(m, m.decl().findField("QVM:NRO_REGISTRO"), subject);
  if (Access_QVMATERIAS->TryFetch(m.decl().findKey("QVM:CLAVE_PRINCIPAL")) != fw::Level::Benign) {
    result.problem = "no subject " + std::to_string(subject) + " in " + m.name;
    return result;
  }
  result.title = TitleFor(m);
  OpenFile records(walked);
  if (!records.ok()) {
    result.problem = "cannot open " + walked->Me->Block().name;
    return result;
  }
  rt::FileControlBlock& block = walked->Me->Block();
  rt::setInteger(block, block.decl().findField(walk.rangeField), subject);

  SheetPrinter printer(sheet);
  ui::Report& report = printer.report();
  rt::View view(block);
  for (const char* label : walk.projection) view.Project(label);
  fw::ProcessClass process;
  process.Init(&view, walked);
  process.AddSortOrder(block.decl().findKey(walk.key));
  process.AddRange(rt::findFieldRef(block, walk.rangeField));
  process.Reset();
  std::vector<std::string> pages;
  bool printed = true;
  while (process.Next(1) == fw::Level::Benign) {
    if (!report.isOpen()) {
      if (report.open() != ui::ReportResult::Ok) {
        printed = false;
        break;
      }
      report.setPreview(&pages);
    }
    if (printer.PrintRecord() != ui::ReportResult::Ok) {
      printed = false;
      break;
    }
    ++result.records;
  }
  process.Kill();
  if (!printed) {
    result.problem = "the sheet's pages could not be written to the temporary folder";
  } else if (result.records == 0) {
    result.problem = "subject " + std::to_string(subject) + " (" + result.title.substr(11) + ") has no " +
                     (sheet == Sheet::Progress ? "grade-book rows" : "follow-up records") + " in " + block.name;
  } else if (report.endPage() != ui::ReportResult::Ok) {
    result.problem = "the sheet's last page could not be written to the temporary folder";
  } else {
    result.pages = int(pages.size());
    // Written beside the target and renamed over it: a failed write leaves
    // an earlier file of that name as it was.
    const std::string part = path + ".part";
    std::error_code ec;
    if (ui::reportPrinter().writePdf(ui::PrintJob{result.title, pages}, part) &&
        (std::filesystem::rename(part, path, ec), !ec)) {
      result.ok = true;
    } else {
      std::filesystem::remove(part, ec);
      result.problem = "cannot write " + path;
    }
  }
  report.close();
  return result;
}

}  // namespace app::sheets
