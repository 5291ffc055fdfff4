// What the two printed sheets read and how each record prints, shared by
// the report procedures (with their progress window and preview) and by
// `qvdata sheet` (straight to PDF): the same report definition, bound to
// the same record buffers, printed band by band by the same engine.
//
//   SheetPrinter printer(Sheet::Contents);   // after the thread's DctInit
//   printer.report().open();
//   ... for each record of the walked file, in the sheet's order:
//   printer.PrintRecord();
//   printer.report().endPage();
//
// Field items are bound by label to the thread's record buffers: QVL: to
// QVLIBRETA, QVG: to QVSEGUIR (fields and memos), QVM: to QVMATERIAS (the
// subject the header shows, as the buffer holds it).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/report/report.h"
#include "runtime/ui/use_var.h"

namespace app::sheets {

enum class Sheet { Progress, Contents };

// The walk of one sheet: the file, its order key, the range field (the
// subject, kept at the value it has when the report starts), the field the
// progress steps by, and what the view projects.
struct SheetWalk {
  const char* procedure;   // procedure and settings name
  const char* file;        // "QVLIBRETA" or "QVSEGUIR"
  const char* key;         // the order
  const char* rangeField;
  const char* stepField;
  std::vector<const char*> projection;
};

const SheetWalk& WalkOf(Sheet sheet);

class SheetPrinter {
 public:
  explicit SheetPrinter(Sheet sheet);
  ~SheetPrinter();
  SheetPrinter(const SheetPrinter&) = delete;
  SheetPrinter& operator=(const SheetPrinter&) = delete;

  ui::Report& report() { return *report_; }
  // Prints the walked file's current record: on the contents sheet a group
  // header first when the student differs from the previous record's.
  ui::ReportResult PrintRecord();

 private:
  Sheet sheet_;
  std::unique_ptr<ui::Report> report_;
  std::vector<std::unique_ptr<ui::UseVar>> vars_;
  int detail_ = 0;
  int group_ = 0;
  std::unique_ptr<ui::UseVar> student_;
  bool started_ = false;
  std::string lastStudent_;
};

}  // namespace app::sheets
