#include "app/graderules/grade_rules.h"

#include <array>

#include "app/graderules/grade_arithmetic.h"

namespace app {
using namespace grades;

void ApplyGradeRules(const GradeBookRow& row, GradeRuleWork& work) {
  row.QVL_ETAPA11 = 0;
  row.QVL_FINAL = 0;
  SetText(row.QVL_ETADO, "");
  work.FLAG_OLE = work.FLAG_EVAL = work.CNT_OLE = work.CNT_EVAL = 0;

  // OLE average: both OLE grades present and passed.
  const std::array<const rt::Decimal*, 2> ole = {&row.QVL_ETAPA4, &row.QVL_ETAPA9};
  for (const rt::Decimal* g : ole) {
    if (Present(*g)) ++work.CNT_OLE;
    if (Failing(*g)) work.FLAG_OLE = 1;
  }
  if (work.FLAG_OLE == 0 && work.CNT_OLE == 2) {
    work.PROMEDIO = Average(ole, work.CNT_OLE);
    row.QVL_ETAPA11 = work.PROMEDIO;
    work.FLAG_OLE = 3;
  } else {
    work.FLAG_OLE = 1;
    work.PROMEDIO = 0;
  }

  // Final grade: every present evaluation passed and the OLE average exists.
  // The OLE average is a condition of passing, not part of the grade.
  const std::array<const rt::Decimal*, 8> evaluations = {
      &row.QVL_ETAPA1, &row.QVL_ETAPA2, &row.QVL_ETAPA3, &row.QVL_ETAPA5,
      &row.QVL_ETAPA6, &row.QVL_ETAPA7, &row.QVL_ETAPA8, &row.QVL_ETAPA10};
  for (const rt::Decimal* g : evaluations) {
    if (Present(*g)) ++work.CNT_EVAL;
    if (Failing(*g)) work.FLAG_EVAL = 1;
  }
  if (work.FLAG_EVAL == 0 && work.CNT_EVAL > 0 && row.QVL_ETAPA11 > 0) {
    work.PROMEDIO = Average(evaluations, work.CNT_EVAL);
    row.QVL_FINAL = work.PROMEDIO;
    SetText(row.QVL_ETADO, kAprueba);
    work.FLAG_EVAL = 3;
  } else {
    work.FLAG_EVAL = 1;
    work.PROMEDIO = 0;
    SetText(row.QVL_ETADO, kRecupera);
  }

  // Recovery grade: once typed it decides, even over a regular pass.
  if (row.QVL_ETAPA12 >= PassMark()) {
    row.QVL_FINAL = Field(row.QVL_ETAPA12);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (Failing(row.QVL_ETAPA12)) {
    row.QVL_FINAL = 0;
    SetText(row.QVL_ETADO, kDiciembre);
  }

  // December examination.
  if (TextIs(row.QVL_ETADO, kDiciembre) && row.QVL_DICIEMBRE >= PassMark()) {
    row.QVL_FINAL = Field(row.QVL_DICIEMBRE);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (TextIs(row.QVL_ETADO, kDiciembre) &&
      (TextIs(row.QVL_AC, kAusente) || Failing(row.QVL_DICIEMBRE))) {
    SetText(row.QVL_ETADO, kFebrero);
  }

  // February/March examination.
  if (TextIs(row.QVL_ETADO, kFebrero) && row.QVL_MARZO >= PassMark()) {
    row.QVL_FINAL = Field(row.QVL_MARZO);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (TextIs(row.QVL_ETADO, kFebrero) &&
      (TextIs(row.QVL_AM, kAusente) || Failing(row.QVL_MARZO))) {
    SetText(row.QVL_ETADO, kAdeuda);
  }
}

void ApplyGradeRules(const GradeBookRow& row) {
  GradeRuleWork work;
  ApplyGradeRules(row, work);
}

}  // namespace app
