#include "app/graderules/grade_explanation.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "grade_row.h"

namespace app {
namespace {

// A grade with the values the rule turns on weighted up: none, just below
// and at the pass mark, fractions around the half point, and values that
// count as no grade (negative, not a number).
rt::Decimal RandomGrade(std::mt19937& rng) {
  static const char* const kEdges[] = {"6.99", "7", "7.00", "7.01", "6.5", "7.25", "7.5", "7.51",
                                       "7.49", "10", "0.01", "9.99", "8.75", "6"};
  const unsigned pick = rng() % 100;
  if (pick < 35) return 0;
  if (pick < 55) return rt::Decimal::Parse(kEdges[rng() % std::size(kEdges)]).value();
  if (pick < 58) return -static_cast<std::int64_t>(rng() % 500 + 1);
  if (pick < 59) return rt::Decimal::Invalid();
  // Any grade with two places, mostly passing so that rows reach the exams.
  const std::int64_t cents = pick < 80 ? 700 + rng() % 301 : rng() % 1001;
  return rt::Decimal(cents).ScaledByPowerOfTen(-2);
}

std::string RandomMark(std::mt19937& rng) {
  static const char* const kMarks[] = {"", "", "AUSENTE", "AUSENTE", "ausente", "AUSENTES", " AUSENTE"};
  return kMarks[rng() % std::size(kMarks)];
}

// The explanation must give exactly what the rule writes, on any row, and
// its steps must end where the rule ends.
TEST(ExplainGradeRules, AgreesWithTheRuleOnRandomRows) {
  std::mt19937 rng(20261210);
  std::map<GradeDecision, int> seen;
  for (int n = 0; n < 200000; ++n) {
    Row row;
    for (int k = 1; k <= 12; ++k) row.etapa[k] = RandomGrade(rng);
    row.diciembre = RandomGrade(rng);
    row.marzo = RandomGrade(rng);
    Row::SetText(row.ac, RandomMark(rng));
    Row::SetText(row.am, RandomMark(rng));

    const GradeExplanation e = ExplainGradeRules(row.View());
    ApplyGradeRules(row.View());
    ASSERT_EQ(Show(e.ole_average), Show(row.etapa[11])) << "row " << n;
    ASSERT_EQ(Show(e.final_grade), Show(row.final_grade)) << "row " << n;
    ASSERT_EQ(Pad(e.status, 20), row.Status()) << "row " << n;
    ASSERT_GE(e.steps.size(), 2u);
    ASSERT_EQ(e.steps.back().status, e.status);
    ASSERT_EQ(e.steps.back().final_grade, e.final_grade);
    for (const GradeStep& s : e.steps) ++seen[s.decision];
  }
  // The random rows reached every decision, so the agreement covers them all.
  for (int d = 0; d <= static_cast<int>(GradeDecision::kMarchPending); ++d) {
    EXPECT_GT(seen[static_cast<GradeDecision>(d)], 0) << GradeDecisionName(static_cast<GradeDecision>(d));
  }
}

struct TextCase {
  const char* name;
  const char* grades;
  const char* ac = "";
  const char* am = "";
  const char* text;
};

// The rule's worked examples, as a teacher reads them.
const TextCase kTexts[] = {
    {.name = "no grades at all", .grades = "",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: no hay notas de evaluación"},
    {.name = "OLE 8 and 9", .grades = "E4=8 E9=9",
     .text = "Prom. OLE = 8,50 (OLE 1 = 8,00, OLE 2 = 9,00); RECUPERA: no hay notas de evaluación"},
    {.name = "one OLE grade only", .grades = "E4=8 E1=9",
     .text = "sin Prom. OLE: falta OLE 2; RECUPERA: falta el Prom. OLE"},
    {.name = "OLE quotient rounded", .grades = "E4=7 E9=7.01 E1=8",
     .text = "Prom. OLE = 7,50 (OLE 1 = 7,00, OLE 2 = 7,01), redondeado al medio punto desde 7,01; "
             "APRUEBA con 8,00: promedio de 1 nota de evaluación (Eval. 1)"},
    {.name = "23/3 rounds to 8", .grades = "E4=7 E9=9 E1=7 E2=8 E3=8",
     .text = "Prom. OLE = 8,00 (OLE 1 = 7,00, OLE 2 = 9,00); APRUEBA con 8,00: promedio de 3 notas de "
             "evaluación (Eval. 1, Eval. 2 y Eval. 3), redondeado al medio punto desde 7,67"},
    {.name = "7 and 8 give 7.5", .grades = "E4=8 E9=8 E1=7 E5=8",
     .text = "Prom. OLE = 8,00 (OLE 1 = 8,00, OLE 2 = 8,00); APRUEBA con 7,50: promedio de 2 notas de "
             "evaluación (Eval. 1 y JIS 1)"},
    {.name = "a 6 among tens", .grades = "E4=10 E9=10 E1=10 E2=6 E3=10 E6=6",
     .text = "Prom. OLE = 10,00 (OLE 1 = 10,00, OLE 2 = 10,00); RECUPERA: Eval. 2 = 6,00 está por debajo de 7"},
    {.name = "OLE below 7", .grades = "E4=6.5 E9=9 E1=8",
     .text = "sin Prom. OLE: OLE 1 = 6,50 está por debajo de 7; RECUPERA: falta el Prom. OLE"},
    {.name = "recovery 6, then December 7", .grades = "E4=8 E9=8 E1=5 E12=6 DIC=7",
     .text = "Prom. OLE = 8,00 (OLE 1 = 8,00, OLE 2 = 8,00); RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; APRUEBA con 7,00 en diciembre"},
    {.name = "December pending", .grades = "E1=5 E12=6",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; DICIEMBRE: sin nota de diciembre todavía"},
    {.name = "absent in December, March 5", .grades = "E1=5 E12=6 MAR=5", .ac = "AUSENTE",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; FEBRERO: ausente en diciembre; "
             "ADEUDA: febrero/marzo = 5,00 está por debajo de 7"},
    {.name = "absent in December, March pending", .grades = "E1=5 E12=6", .ac = "AUSENTE",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; FEBRERO: ausente en diciembre; "
             "FEBRERO: sin nota de febrero/marzo todavía"},
    {.name = "December 4, absent in March", .grades = "E1=5 E12=6 DIC=4", .am = "AUSENTE",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; FEBRERO: diciembre = 4,00 está por debajo de 7; "
             "ADEUDA: ausente en febrero/marzo"},
    {.name = "December 4, March 9.5", .grades = "E1=5 E12=6 DIC=4 MAR=9.5",
     .text = "sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: Eval. 1 = 5,00 está por debajo de 7; "
             "DICIEMBRE: Recupera = 6,00 está por debajo de 7; FEBRERO: diciembre = 4,00 está por debajo de 7; "
             "APRUEBA con 9,50 en febrero/marzo"},
    {.name = "recovery 7 overrides a pass", .grades = "E4=9 E9=9 E1=9 E12=7",
     .text = "Prom. OLE = 9,00 (OLE 1 = 9,00, OLE 2 = 9,00); APRUEBA con 9,00: promedio de 1 nota de "
             "evaluación (Eval. 1); APRUEBA con 7,00: Recupera = 7,00 llega a 7"},
};

TEST(ExplainGradeRules, TextsOfTheRulesExamples) {
  for (const TextCase& c : kTexts) {
    SCOPED_TRACE(c.name);
    Row row;
    row.SetGrades(c.grades);
    Row::SetText(row.ac, c.ac);
    Row::SetText(row.am, c.am);
    EXPECT_EQ(GradeExplanationText(ExplainGradeRules(row.View())), c.text);
  }
}

// The steps carry the numbers behind the text: what was counted, the
// quotient before and the grade after the half-point rounding, and the
// grade that blocked the pass.
TEST(ExplainGradeRules, StepsCarryTheirNumbers) {
  Row row;
  row.SetGrades("E4=7 E9=9 E1=7 E2=8 E3=8 E10=-3");
  GradeExplanation e = ExplainGradeRules(row.View());
  ASSERT_EQ(e.steps.size(), 2u);
  EXPECT_EQ(e.steps[0].decision, GradeDecision::kOleAverage);
  EXPECT_EQ(e.steps[0].counted.size(), 2u);
  EXPECT_EQ(Show(e.steps[0].average), "8");
  const GradeStep& pass = e.steps[1];
  EXPECT_EQ(pass.decision, GradeDecision::kRegularPass);
  ASSERT_EQ(pass.counted.size(), 3u);  // the negative JIS 2 is no grade
  EXPECT_EQ(pass.counted[2].field, "QVL:ETAPA3");
  EXPECT_EQ(pass.quotient.ToString(), "7.67");
  EXPECT_EQ(Show(pass.average), "8");
  EXPECT_EQ(pass.status, "APRUEBA");

  // The first failing evaluation in the rule's order blocks: JIS 1 comes
  // before Eval. 4.
  row.SetGrades("E6=6.5 E5=3");
  e = ExplainGradeRules(row.View());
  ASSERT_EQ(e.steps[1].decision, GradeDecision::kEvaluationBelowPass);
  EXPECT_EQ(e.steps[1].grade->field, "QVL:ETAPA5");
  EXPECT_EQ(e.steps[1].grade->header, "JIS 1");
  EXPECT_EQ(e.steps[1].status, "RECUPERA");
  EXPECT_TRUE(e.steps[1].final_grade.IsZero());
}

}  // namespace
}  // namespace app
