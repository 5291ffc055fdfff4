// The grade cells' own steps: which actions run the grade rule, and which
// typed texts a grade cell keeps.
#include <gtest/gtest.h>

#include "app/dictionary/file_decls.h"
#include "app/followup/grade_edit_step.h"
#include "app/followup/grade_row_fields.h"
#include "runtime/core/file_control.h"
#include "runtime/core/file_field.h"

namespace app::followup {
namespace {

std::string Text(rt::FileControlBlock& f, const char* label) {
  std::string s = rt::getValueText(rt::FieldRef{&f, f.decl().findField(label), 0}).value_or("?");
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
void Set(rt::FileControlBlock& f, const char* label, const char* v) {
  ASSERT_TRUE(rt::setValueText(rt::FieldRef{&f, f.decl().findField(label), 0}, v));
}

TEST(GradeCellStep, RunsTheRuleOnEveryLeavingActionButNotOnEscOrNone) {
  struct Case {
    uint8_t action;
    bool rule;
  } cases[] = {{EditAction_None, false},     {EditAction_Forward, true}, {EditAction_Backward, true},
               {EditAction_Complete, true},  {EditAction_Cancel, false}, {EditAction_Next, true},
               {EditAction_Previous, true}};
  for (const Case& c : cases) {
    rt::FileControlBlock row(QVLIBRETADecl());
    // A passing row whose stored results are stale: the typed OLE 2 completes it.
    for (const char* f : {"QVL:ETAPA1", "QVL:ETAPA2", "QVL:ETAPA4"}) Set(row, f, "8");
    Set(row, "QVL:ETADO", "STALE");
    GradeRowFields rule(row);
    bool moved = false;
    const uint8_t r = GradeCellStep(c.action, [&] {
      moved = true;
      Set(row, "QVL:ETAPA9", "9");
      return true;
    }, &rule);
    EXPECT_EQ(r, c.action);
    EXPECT_TRUE(moved) << "the typed value always reaches the row";
    if (c.rule) {
      EXPECT_EQ(Text(row, "QVL:ETADO"), "APRUEBA") << int(c.action);
      EXPECT_EQ(Text(row, "QVL:ETAPA11"), "8.50");
      EXPECT_EQ(Text(row, "QVL:FINAL"), "8.00");
    } else {
      EXPECT_EQ(Text(row, "QVL:ETADO"), "STALE") << int(c.action);
    }
  }
}

TEST(GradeCellStep, FollowUpCellsOnlyMoveTheValue) {
  bool moved = false;
  EXPECT_EQ(GradeCellStep(EditAction_Complete, [&] { return moved = true; }, nullptr), EditAction_Complete);
  EXPECT_TRUE(moved);
}

TEST(GradeCellStep, ARefusedValueKeepsTheCellOpenAndRunsNoRule) {
  rt::FileControlBlock row(QVLIBRETADecl());
  Set(row, "QVL:ETADO", "STALE");
  GradeRowFields rule(row);
  for (uint8_t a : {EditAction_Forward, EditAction_Complete, EditAction_Next}) {
    EXPECT_EQ(GradeCellStep(a, [] { return false; }, &rule), EditAction_None);
    EXPECT_EQ(Text(row, "QVL:ETADO"), "STALE");
  }
}

TEST(GradeCellAccepts, KeepsWholeGradesFromZeroToTenAndRefusesTheRest) {
  struct Case {
    const char* text;
    const char* grade;  // nullptr: refused
  } cases[] = {
      {"", "0"},        {"   ", "0"},    {"7", "7"},      {" 10 ", "10"},  {"8,0", "8"},     {"8.00", "8"},
      {"0", "0"},       {"8.5", nullptr}, {"8,5", nullptr}, {"9.75", nullptr}, {"85", nullptr}, {"11", nullptr},
      {"10.01", nullptr}, {"-1", nullptr}, {"A", nullptr},   {"7x", nullptr},   {"1.2.3", nullptr},
  };
  for (const Case& c : cases) {
    std::optional<rt::Decimal> g = GradeCellAccepts(c.text);
    if (!c.grade) {
      EXPECT_FALSE(g.has_value()) << c.text;
    } else {
      ASSERT_TRUE(g.has_value()) << c.text;
      EXPECT_TRUE(*g == *rt::Decimal::Parse(c.grade)) << c.text;
    }
  }
}

}  // namespace
}  // namespace app::followup
