// Why a grade-book row has its "Prom. OLE", final grade and status: the
// decisions of the grade rule, in the order the rule takes them, as data,
// and as one line of plain Spanish for teachers.
//
//   GradeExplanation e = ExplainGradeRules(row);
//   e.status                   // "RECUPERA", as ApplyGradeRules would set it
//   e.steps[1].decision        // GradeDecision::kEvaluationBelowPass
//   GradeExplanationText(e)    // "Prom. OLE = 8,00 ... RECUPERA: Eval. 2 = 6,00 está por debajo de 7"
//
// The explanation reads the row's inputs only; it agrees with
// ApplyGradeRules on every row (the results it reports are the ones the
// rule writes).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/graderules/grade_rules.h"
#include "runtime/core/decimal.h"

namespace app {

// A grade the rule looked at: its field, the list column's header and its
// value in the row.
struct GradeMention {
  std::string_view field;   // "QVL:ETAPA2"
  std::string_view header;  // "Eval. 2"
  rt::Decimal value;
};

enum class GradeDecision : std::uint8_t {
  // The OLE average.
  kOleAverage,      // both OLE grades present and at least 7: their average
  kOleIncomplete,   // fewer than two OLE grades: no average (`missing`)
  kOleBelowPass,    // an OLE grade below 7: no average (`grade`, the first)
  // The regular final grade.
  kRegularPass,          // every present evaluation at least 7 and an OLE average
  kEvaluationBelowPass,  // RECUPERA: an evaluation below 7 (`grade`, the first)
  kNoOleAverage,         // RECUPERA: the evaluations pass but there is no OLE average
  kNoEvaluations,        // RECUPERA: no evaluation grade at all
  // Recovery grade.
  kRecoveryPass,  // at least 7: it becomes the final grade
  kRecoveryFail,  // above 0, below 7: DICIEMBRE
  // December examination, taken only from DICIEMBRE.
  kDecemberPass,     // at least 7: it becomes the final grade
  kDecemberFail,     // above 0, below 7: FEBRERO
  kDecemberAbsent,   // QVL:AC is "AUSENTE": FEBRERO
  kDecemberPending,  // no grade and not absent: stays DICIEMBRE
  // February/March examination, taken only from FEBRERO.
  kMarchPass,
  kMarchFail,     // ADEUDA
  kMarchAbsent,   // QVL:AM is "AUSENTE": ADEUDA
  kMarchPending,  // stays FEBRERO
};

struct GradeStep {
  GradeDecision decision;
  // The grade the decision rests on: the blocking grade, the recovery or
  // examination grade.
  std::optional<GradeMention> grade;
  // kOleIncomplete: the OLE grades that are missing.
  std::vector<GradeMention> missing;
  // Averages: the grades counted, the quotient kept with 2 places and the
  // result after the half-point rounding.
  std::vector<GradeMention> counted;
  rt::Decimal quotient;
  rt::Decimal average;
  // The final grade and status once this step is taken.
  rt::Decimal final_grade;
  std::string status;
};

struct GradeExplanation {
  std::vector<GradeStep> steps;
  // What the rule gives: QVL:ETAPA11, QVL:FINAL, QVL:ETADO (without padding).
  rt::Decimal ole_average;
  rt::Decimal final_grade;
  std::string status;
};

// The rule's decisions for `row` (only its inputs are read).
GradeExplanation ExplainGradeRules(const GradeBookRow& row);

// One step, or the whole explanation, in plain Spanish with decimal commas:
// "RECUPERA: Eval. 2 = 6,00 está por debajo de 7". Steps are joined by "; ".
std::string GradeStepText(const GradeStep& step);
std::string GradeExplanationText(const GradeExplanation& explanation);

// A grade as the texts show it: two places and a decimal comma ("6,00").
std::string GradeText(const rt::Decimal& value);

// Stable names of the decisions for machine-readable output ("OLE_AVERAGE").
std::string_view GradeDecisionName(GradeDecision decision);

}  // namespace app
