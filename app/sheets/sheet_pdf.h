// A sheet of one subject written straight to a PDF file, without windows:
// the sheet's walk (order and range) read through a record processor and
// printed through the sheet's printer, then the pages written by the print
// back-end (which must be able to write PDF: the Qt one). For batch
// printing and for sending to families.
//
// Needs the thread's dictionary (DctInit) and the school's files in the
// working directory. The header's subject fields come from the subject's
// QVMATERIAS record. The document is titled "Planilla - " and the subject
// with its course; the PDF records when it was made.
#pragma once

#include <cstdint>
#include <string>

#include "app/sheets/sheet_printer.h"

namespace app::sheets {

struct SheetPdfResult {
  bool ok = false;
  std::string problem;  // why nothing was written
  int32_t records = 0;
  int pages = 0;
  std::string title;    // the document's title
};

// Nothing is left at `path` unless the result is ok.
SheetPdfResult WriteSheetPdf(Sheet sheet, int32_t subject, const std::string& path);

}  // namespace app::sheets
