// The contents sheet ("Planilla" of the contents follow-up) as data: for
// each student a group header with the name, then one line per follow-up
// record with the content, its learning (wrapped), and the achieved,
// pending and valuation marks. Positions in millimetres (landscape A4).
//
//   band "header"  page header: QVG:MATERIAS, QVM:CICLO, QVM:CURSO,
//                  QVM:DIVISION, QVM:TURNO, the captions
//   band "group"   6 high, printed on each change of QVG:ALUMNO; kept on
//                  the page of the student's first line
//   band "detail"  12 high: QVG:CONTENIDO_PRIORIZADO, memo
//                  QVG:APRENDIZAJE_TRABAJO, QVG:LOGRADO, QVG:PENDIENTE,
//                  QVG:VALORACION_FINAL
//   band "footer"  a grey rule
#pragma once

#include "runtime/ui/report/report_def.h"

namespace app::sheets {

ui::ReportDef ContentsSheetReport();

}  // namespace app::sheets
