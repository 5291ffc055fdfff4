#include "app/graderules/grade_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "grade_row.h"

namespace app {
namespace {

struct Case {
  const char* name;
  const char* grades;  // E1..E12 by stage number, DIC, MAR
  const char* ac = "";
  const char* am = "";
  const char* ole_avg;
  const char* final_grade;
  const char* status;
};

// E4 and E9 are the OLE grades; E1-E3, E5-E8 and E10 the evaluations; E12
// the recovery grade.
const Case kCases[] = {
    // OLE average
    {.name = "no grades at all", .grades = "", .ole_avg = "0", .final_grade = "0", .status = "RECUPERA"},
    {.name = "OLE 8 and 9", .grades = "E4=8 E9=9 E1=8", .ole_avg = "8.5", .final_grade = "8", .status = "APRUEBA"},
    {.name = "OLE 8 and 8", .grades = "E4=8 E9=8 E1=9", .ole_avg = "8", .final_grade = "9", .status = "APRUEBA"},
    {.name = "OLE 7 and 8", .grades = "E4=7 E9=8 E1=9", .ole_avg = "7.5", .final_grade = "9", .status = "APRUEBA"},
    {.name = "one OLE grade only", .grades = "E4=8 E1=9 E2=9", .ole_avg = "0", .final_grade = "0", .status = "RECUPERA"},
    {.name = "second OLE grade only", .grades = "E9=10 E1=9", .ole_avg = "0", .final_grade = "0", .status = "RECUPERA"},
    {.name = "OLE 6.99 blocks the pass", .grades = "E4=6.99 E9=10 E1=9", .ole_avg = "0", .final_grade = "0", .status = "RECUPERA"},
    {.name = "OLE average without evaluations", .grades = "E4=8 E9=9", .ole_avg = "8.5", .final_grade = "0", .status = "RECUPERA"},
    {.name = "OLE quotient 7.005 rounds to 7.01 then 7.5", .grades = "E4=7 E9=7.01 E1=8", .ole_avg = "7.5", .final_grade = "8", .status = "APRUEBA"},

    // Final grade
    {.name = "23/3 stored as 7.67 rounds to 8", .grades = "E4=7 E9=9 E1=7 E2=8 E3=8", .ole_avg = "8", .final_grade = "8", .status = "APRUEBA"},
    {.name = "7 and 8 average 7.5 stays", .grades = "E4=8 E9=8 E1=7 E2=8", .ole_avg = "8", .final_grade = "7.5", .status = "APRUEBA"},
    {.name = "a 6 among tens", .grades = "E4=10 E9=10 E1=10 E2=10 E3=10 E5=10 E6=6 E7=10 E8=10 E10=10", .ole_avg = "10", .final_grade = "0", .status = "RECUPERA"},
    {.name = "evaluation 7.00 passes", .grades = "E4=8 E9=8 E1=7.00", .ole_avg = "8", .final_grade = "7", .status = "APRUEBA"},
    {.name = "evaluation 6.99 fails", .grades = "E4=8 E9=8 E1=9 E10=6.99", .ole_avg = "8", .final_grade = "0", .status = "RECUPERA"},
    {.name = "7.25 rounds to 7.5", .grades = "E4=8 E9=8 E1=7 E2=7.5", .ole_avg = "8", .final_grade = "7.5", .status = "APRUEBA"},
    {.name = "7.50 stays 7.5", .grades = "E4=8 E9=8 E3=7.50", .ole_avg = "8", .final_grade = "7.5", .status = "APRUEBA"},
    {.name = "7.51 rounds to 8", .grades = "E4=8 E9=8 E5=7.01 E6=8.01", .ole_avg = "8", .final_grade = "8", .status = "APRUEBA"},
    {.name = "quotient 7.505 rounds to 7.51 then 8", .grades = "E4=8 E9=8 E7=7.5 E8=7.51", .ole_avg = "8", .final_grade = "8", .status = "APRUEBA"},
    {.name = "quotient 7.0033 kept as 7.00 stays 7", .grades = "E4=8 E9=8 E1=7 E2=7 E3=7.01", .ole_avg = "8", .final_grade = "7", .status = "APRUEBA"},
    {.name = "OLE grades are not part of the final", .grades = "E4=10 E9=10 E5=7 E10=8", .ole_avg = "10", .final_grade = "7.5", .status = "APRUEBA"},
    {.name = "negative value counts as no grade", .grades = "E4=8 E9=8 E1=-5 E2=8", .ole_avg = "8", .final_grade = "8", .status = "APRUEBA"},
    {.name = "invalid value counts as no grade", .grades = "E4=8 E9=8 E1=bad E2=9", .ole_avg = "8", .final_grade = "9", .status = "APRUEBA"},

    // Recovery grade
    {.name = "recovery 6", .grades = "E4=8 E9=8 E1=5 E12=6", .ole_avg = "8", .final_grade = "0", .status = "DICIEMBRE"},
    {.name = "recovery 7 passes a RECUPERA", .grades = "E1=5 E12=7", .ole_avg = "0", .final_grade = "7", .status = "APRUEBA"},
    {.name = "recovery 7 overrides a pass of 9", .grades = "E4=9 E9=9 E1=9 E2=9 E12=7", .ole_avg = "9", .final_grade = "7", .status = "APRUEBA"},
    {.name = "recovery 5 overrides a pass", .grades = "E4=9 E9=9 E1=9 E12=5", .ole_avg = "9", .final_grade = "0", .status = "DICIEMBRE"},

    // December examination
    {.name = "December 7 passes", .grades = "E1=5 E12=6 DIC=7", .ole_avg = "0", .final_grade = "7", .status = "APRUEBA"},
    {.name = "December 6.99", .grades = "E1=5 E12=6 DIC=6.99", .ole_avg = "0", .final_grade = "0", .status = "FEBRERO"},
    {.name = "December absent", .grades = "E1=5 E12=6", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "0", .status = "FEBRERO"},
    {.name = "December not yet taken", .grades = "E1=5 E12=6", .ole_avg = "0", .final_grade = "0", .status = "DICIEMBRE"},
    {.name = "December absent word must match whole", .grades = "E1=5 E12=6", .ac = "AUSENTES", .ole_avg = "0", .final_grade = "0", .status = "DICIEMBRE"},
    {.name = "December grade wins over absent mark", .grades = "E1=5 E12=6 DIC=8", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "8", .status = "APRUEBA"},
    {.name = "December grade ignored without recovery", .grades = "E1=5 DIC=9", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "0", .status = "RECUPERA"},
    {.name = "exam marks ignored on a pass", .grades = "E4=8 E9=8 E1=8 DIC=5 MAR=5", .ac = "AUSENTE", .am = "AUSENTE", .ole_avg = "8", .final_grade = "8", .status = "APRUEBA"},

    // February/March examination
    {.name = "absent, then March 5", .grades = "E1=5 E12=6 MAR=5", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "0", .status = "ADEUDA"},
    {.name = "absent, March 0, AM blank", .grades = "E1=5 E12=6", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "0", .status = "FEBRERO"},
    {.name = "absent, March 7", .grades = "E1=5 E12=6 MAR=7", .ac = "AUSENTE", .ole_avg = "0", .final_grade = "7", .status = "APRUEBA"},
    {.name = "December 4, absent in March", .grades = "E1=5 E12=6 DIC=4", .am = "AUSENTE", .ole_avg = "0", .final_grade = "0", .status = "ADEUDA"},
    {.name = "December 4, March 9.5", .grades = "E1=5 E12=6 DIC=4 MAR=9.5", .ole_avg = "0", .final_grade = "9.5", .status = "APRUEBA"},
};

TEST(ApplyGradeRules, Table) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Row row;
    row.SetGrades(c.grades);
    Row::SetText(row.ac, c.ac);
    Row::SetText(row.am, c.am);
    ApplyGradeRules(row.View());
    EXPECT_EQ(Show(row.etapa[11]), c.ole_avg);
    EXPECT_EQ(Show(row.final_grade), c.final_grade);
    EXPECT_EQ(row.Status(), Pad(c.status, 20));
  }
}

// Both the list row and the record buffer are graded again on every change,
// so the status must follow the inputs back as well as forward.
TEST(ApplyGradeRules, ReapplyingFollowsChangedInputs) {
  Row row;
  row.SetGrades("E4=8 E9=8 E1=5");
  Row::SetText(row.ac, "AUSENTE");
  const GradeBookRow view = row.View();

  ApplyGradeRules(view);
  EXPECT_EQ(row.Status(), Pad("RECUPERA", 20));
  row.SetGrades("E12=6");
  ApplyGradeRules(view);
  EXPECT_EQ(row.Status(), Pad("FEBRERO", 20));
  row.SetGrades("E12=0");  // recovery grade blanked again
  ApplyGradeRules(view);
  EXPECT_EQ(row.Status(), Pad("RECUPERA", 20));
  row.SetGrades("E1=9");
  ApplyGradeRules(view);
  EXPECT_EQ(row.Status(), Pad("APRUEBA", 20));
  EXPECT_EQ(Show(row.final_grade), "9");
}

TEST(ApplyGradeRules, WorkingVariablesKeepLastApplication) {
  Row row;
  row.SetGrades("E4=8 E9=9 E1=7 E2=8");
  GradeRuleWork work;
  work.CNT_EVAL = 40;  // stale
  ApplyGradeRules(row.View(), work);
  EXPECT_EQ(work.FLAG_OLE, 3);
  EXPECT_EQ(work.CNT_OLE, 2);
  EXPECT_EQ(work.FLAG_EVAL, 3);
  EXPECT_EQ(work.CNT_EVAL, 2);
  EXPECT_EQ(Show(work.PROMEDIO), "7.5");

  row.SetGrades("E9=0");
  ApplyGradeRules(row.View(), work);
  EXPECT_EQ(work.FLAG_OLE, 1);
  EXPECT_EQ(work.CNT_OLE, 1);
  EXPECT_EQ(work.FLAG_EVAL, 1);
  EXPECT_EQ(work.CNT_EVAL, 2);
  EXPECT_TRUE(work.PROMEDIO.IsZero());
}

}  // namespace
}  // namespace app
