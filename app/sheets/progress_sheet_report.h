// The progress sheet ("Planilla" of the grade book) as data: one line per
// grade-book row with the student's name, the twelve stage grades and the
// final grade, under a page header with the subject, its course and its
// teacher. Positions in millimetres (landscape A4).
//
//   band "header"  page header: QVL:MATERIAS, QVM:CICLO, QVM:CURSO,
//                  QVM:DIVISION, QVM:TURNO, QVM:PROFESOR, the captions
//   band "detail"  6 high: QVL:ALUMNO @s45, QVL:ETAPA1..12 and QVL:FINAL
//                  @n5.2B (two decimals, zero printed as blank)
//   band "footer"  a grey rule
//
// Field items are labelled "?" followed by the field's label; the caller
// binds them (sheet_printer.h).
#pragma once

#include "runtime/ui/report/report_def.h"

namespace app::sheets {

ui::ReportDef ProgressSheetReport();

}  // namespace app::sheets
