#include "app/sheets/sheet_printer.h"

#include "app/dictionary/files.h"
#include "app/sheets/contents_sheet_report.h"
#include "app/sheets/progress_sheet_report.h"
#include "framework/window/field_var.h"
#include "framework/window/memo_var.h"
#include "runtime/core/file_field.h"

namespace app::sheets {

namespace {

rt::FileControlBlock* BlockOf(std::string_view label) {
  if (label.starts_with("QVL:")) return &QVLIBRETA().instance();
  if (label.starts_with("QVG:")) return &QVSEGUIR().instance();
  if (label.starts_with("QVM:")) return &QVMATERIAS().instance();
  return nullptr;
}

// The record field or memo `label` names; nullptr when there is none.
std::unique_ptr<ui::UseVar> VarFor(std::string_view label) {
  rt::FileControlBlock* block = BlockOf(label);
  if (!block) return nullptr;
  rt::FieldRef ref = rt::findFieldRef(*block, label);
  if (ref.valid()) return std::make_unique<fw::FieldVar>(ref);
  int memo = block->decl().findMemo(label);
  if (memo >= 0) return std::make_unique<fw::MemoVar>(block, memo);
  return nullptr;
}

}  // namespace

const SheetWalk& WalkOf(Sheet sheet) {
  static const SheetWalk progress{
      "Imprimir_Planilla_Informe_Progreso",
      "QVLIBRETA",
      "QVL:CLAVE_CODMATERIA_ALUALFA",
      "QVL:COD_MATERIA",
      "QVL:ALUMNO",
      {"QVL:ALUMNO", "QVL:COD_MATERIA", "QVL:ETAPA1", "QVL:ETAPA10", "QVL:ETAPA11", "QVL:ETAPA12", "QVL:ETAPA2",
       "QVL:ETAPA3", "QVL:ETAPA4", "QVL:ETAPA5", "QVL:ETAPA6", "QVL:ETAPA7", "QVL:ETAPA8", "QVL:ETAPA9",
       "QVL:FINAL", "QVL:MATERIAS"}};
  static const SheetWalk contents{
      "Imprimir_Planilla_Informe_Contenidos",
      "QVSEGUIR",
      "QVG:CLAVE_CODMATERIA_ALUALFA",
      "QVG:COD_MATERIA",
      "QVG:ALUMNO",
      {"QVG:ALUMNO", "QVG:APRENDIZAJE_TRABAJO", "QVG:COD_MATERIA", "QVG:CONTENIDO_PRIORIZADO", "QVG:LOGRADO",
       "QVG:MATERIAS", "QVG:PENDIENTE", "QVG:VALORACION_FINAL"}};
  return sheet == Sheet::Progress ? progress : contents;
}

SheetPrinter::SheetPrinter(Sheet sheet)
    : sheet_(sheet),
      report_(std::make_unique<ui::Report>(sheet == Sheet::Progress ? ProgressSheetReport() : ContentsSheetReport())) {
  for (const ui::ReportBand& band : report_->def().bands)
    for (const ui::ReportItem& item : band.items) {
      if (item.kind != ui::RItem_Field || item.label.size() < 2) continue;
      std::unique_ptr<ui::UseVar> var = VarFor(std::string_view(item.label).substr(1));
      if (!var) continue;
      report_->bind(item.label, var.get());
      vars_.push_back(std::move(var));
    }
  detail_ = report_->band("detail");
  group_ = report_->band("group");
  if (group_ != 0) student_ = VarFor(WalkOf(sheet).stepField);
}

SheetPrinter::~SheetPrinter() = default;

ui::ReportResult SheetPrinter::PrintRecord() {
  if (group_ != 0 && student_) {
    std::string student = student_->get();
    if (!started_ || student != lastStudent_) {
      ui::ReportResult r = report_->print(group_);
      if (r != ui::ReportResult::Ok) return r;
      lastStudent_ = std::move(student);
      started_ = true;
    }
  }
  return report_->print(detail_);
}

}  // namespace app::sheets
