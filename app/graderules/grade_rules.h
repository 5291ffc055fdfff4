// The grade rule set of a grade-book row: the OLE average ("Prom. OLE"),
// the final grade and the status word, from pass mark 7 and half-point
// rounding.
//
// The routine works on a view of the row so that the list row being edited
// and the QVLIBRETA record buffer both bind it. Grades are 2-place decimals;
// 0 means no grade.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/core/decimal.h"

namespace app {

// References to the fields the rule reads and writes. Texts are fixed-length
// and space-padded, as in the record.
struct GradeBookRow {
  const rt::Decimal& QVL_ETAPA1;   // "Eval. 1"
  const rt::Decimal& QVL_ETAPA2;   // "Eval. 2"
  const rt::Decimal& QVL_ETAPA3;   // "Eval. 3"
  const rt::Decimal& QVL_ETAPA4;   // "OLE 1"
  const rt::Decimal& QVL_ETAPA5;   // "JIS 1"
  const rt::Decimal& QVL_ETAPA6;   // "Eval. 4"
  const rt::Decimal& QVL_ETAPA7;   // "Eval. 5"
  const rt::Decimal& QVL_ETAPA8;   // "Eval. 6"
  const rt::Decimal& QVL_ETAPA9;   // "OLE 2"
  const rt::Decimal& QVL_ETAPA10;  // "JIS 2"
  const rt::Decimal& QVL_ETAPA12;  // "Recupera"
  const rt::Decimal& QVL_DICIEMBRE;
  const rt::Decimal& QVL_MARZO;
  std::span<const char, 10> QVL_AC;  // "AUSENTE": absent from the December exam
  std::span<const char, 10> QVL_AM;  // "AUSENTE": absent from the February/March exam

  rt::Decimal& QVL_ETAPA11;  // written: "Prom. OLE"
  rt::Decimal& QVL_FINAL;    // written
  std::span<char, 20> QVL_ETADO;  // written: the status word
};

// The follow-up window's working variables of the rule; they keep the state
// of the last application.
struct GradeRuleWork {
  std::int16_t FLAG_OLE = 0;
  std::int16_t CNT_OLE = 0;
  std::int16_t FLAG_EVAL = 0;
  std::int16_t CNT_EVAL = 0;
  rt::Decimal PROMEDIO;
};

// Recomputes QVL:ETAPA11, QVL:FINAL and QVL:ETADO of `row` from its grades
// and examination results. Cannot fail; a grade that is not a valid number
// counts as no grade.
void ApplyGradeRules(const GradeBookRow& row, GradeRuleWork& work);
void ApplyGradeRules(const GradeBookRow& row);

}  // namespace app
