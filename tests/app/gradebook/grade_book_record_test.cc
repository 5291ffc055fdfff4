#include "app/gradebook/grade_book_record.h"

#include <gtest/gtest.h>

#include "grade_book_fixture.h"

namespace app {
namespace {

using testing::SetField;
using testing::SetGrade;

class GradeFieldChangesTest : public ::testing::Test {
 protected:
  GradeFieldChangesTest() : before_(QVLIBRETADecl()), after_(QVLIBRETADecl()) {}
  rt::FileControlBlock before_, after_;
};

TEST_F(GradeFieldChangesTest, OnlyChangedGradeFieldsInColumnOrder) {
  SetGrade(before_, "QVL:ETAPA2", "6");
  SetGrade(before_, "QVL:MARZO", "4.5");
  SetField(before_, "QVL:ETADO", "RECUPERA");
  after_.record = before_.record;
  EXPECT_TRUE(GradeFieldChanges(before_.record, after_.record).empty());

  SetField(after_, "QVL:AC", "AUSENTE");
  SetGrade(after_, "QVL:ETAPA2", "8.25");
  SetField(after_, "QVL:OBSERVACION3", "not a grade");  // not part of the history
  SetField(after_, "QVL:ETADO", "");
  const auto changes = GradeFieldChanges(before_.record, after_.record);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].field, "QVL:ETAPA2");
  EXPECT_EQ(changes[0].before, "6.00");
  EXPECT_EQ(changes[0].after, "8.25");
  EXPECT_EQ(changes[1].field, "QVL:ETADO");
  EXPECT_EQ(changes[1].before, "RECUPERA");
  EXPECT_EQ(changes[1].after, "");
  EXPECT_EQ(changes[2].field, "QVL:AC");
  EXPECT_EQ(changes[2].after, "AUSENTE");
}

TEST_F(GradeFieldChangesTest, NewRowHasNoBeforeAndOnlyItsFilledFields) {
  SetGrade(after_, "QVL:ETAPA4", "9");
  SetGrade(after_, "QVL:FINAL", "0");
  SetField(after_, "QVL:ETADO", "RECUPERA");
  const auto changes = GradeFieldChanges({}, after_.record);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].field, "QVL:ETAPA4");
  EXPECT_EQ(changes[0].before, "");
  EXPECT_EQ(changes[0].after, "9.00");
  EXPECT_EQ(changes[1].field, "QVL:ETADO");
}

TEST(GradeBookRecord, RowBindsTheImagesFieldsForTheRule) {
  rt::FileControlBlock book(QVLIBRETADecl());
  SetGrade(book, "QVL:ETAPA4", "7");
  SetGrade(book, "QVL:ETAPA9", "9");
  SetGrade(book, "QVL:ETAPA1", "5");
  SetGrade(book, "QVL:ETAPA12", "6");
  SetField(book, "QVL:AC", "AUSENTE");
  SetField(book, "QVL:ETADO", "APRUEBA");
  testing::SetNumber(book, "QVL:COD_MATERIA", 12);
  testing::SetNumber(book, "QVL:NRO_LEGAJO", -7);
  SetField(book, "QVL:ALUMNO", "Paz, Ana");
  GradeBookRecord r(book.record);
  EXPECT_EQ(r.subject(), 12);
  EXPECT_EQ(r.student(), -7);
  EXPECT_EQ(r.name(), "Paz, Ana");
  EXPECT_EQ(r.status(), "APRUEBA");  // as stored
  ApplyGradeRules(r.Row());
  EXPECT_EQ(r.status(), "FEBRERO");
  EXPECT_EQ(r.ole_average().ToString(2), "8.00");
  EXPECT_TRUE(r.final_grade().IsZero());
  // The image itself is untouched.
  EXPECT_EQ(GradeBookRecord(book.record).status(), "APRUEBA");
}

}  // namespace
}  // namespace app
