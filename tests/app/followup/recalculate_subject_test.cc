// "Salir"'s recalculation against another station: a row changed between
// its read and its write is read again and recalculated, not overwritten,
// skipped or reported.
#include "app/followup/recalculate_subject.h"

#include <gtest/gtest.h>

#include "app/gradebook/grade_history.h"
#include "follow_up_school.h"
#include "runtime/core/decimal.h"
#include "runtime/core/file_notice.h"

namespace app {
namespace {

using testing::BookRow;

class RecalculateSubjectTest : public testing::FollowUpSchool {};

// Stands between the grade book's file manager and its notices: after the
// recalculation has read the watched row, another station (a control block
// of its own) gives it an Eval. 2 of 5 before the recalculation writes it.
class OtherStation : public rt::FileCallback {
 public:
  OtherStation(rt::FileCallback* manager, const std::string& path, int32_t subject, int32_t legajo)
      : manager_(manager), subject_(subject), legajo_(legajo), block_(QVLIBRETADecl()) {
    block_.name = path;
    EXPECT_EQ(rt::Open(block_, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
  }
  ~OtherStation() override { rt::Close(block_); }
  bool FunctionCalled(rt::FileControlBlock& file, rt::FileNotice& n) override {
    return manager_->FunctionCalled(file, n);
  }
  bool FunctionDone(rt::FileControlBlock& file, rt::FileNotice& n) override {
    const bool ok = manager_->FunctionDone(file, n);
    if (changed_ || n.kind != rt::FileOpKind::kRead || n.error_code != 0 ||
        (n.op != rt::Op_REGETfile && n.op != rt::Op_REGETkey) || Field(file, "QVL:NRO_LEGAJO") != legajo_ ||
        Field(file, "QVL:COD_MATERIA") != subject_) {
      return ok;
    }
    changed_ = true;
    rt::SetFile(block_);
    while (rt::Next(block_) == 0) {
      if (Field(block_, "QVL:NRO_LEGAJO") != legajo_ || Field(block_, "QVL:COD_MATERIA") != subject_) continue;
      rt::setDecimal(block_, block_.decl().findField("QVL:ETAPA2"), rt::Decimal::Parse("5").value());
      put_ = rt::Put(block_);
      break;
    }
    return ok;
  }
  bool changed() const { return changed_; }
  int32_t put() const { return put_; }

 private:
  static int64_t Field(rt::FileControlBlock& f, const char* label) {
    return rt::getInteger(f, f.decl().findField(label)).value_or(0);
  }
  rt::FileCallback* manager_;
  int32_t subject_, legajo_;
  rt::FileControlBlock block_;
  bool changed_ = false;
  int32_t put_ = -1;
};

TEST_F(RecalculateSubjectTest, ARowChangedBetweenItsReadAndItsWriteIsReadAgain) {
  const int32_t subject = 1;
  // Every row of the subject stale, so that each is written.
  Book([&](rt::FileControlBlock& f) {
    if (rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) != subject) return false;
    rt::setText(f, f.decl().findField("QVL:ETADO"), "X");
    return true;
  });
  std::filesystem::remove(GradeHistory::kFileName);
  const std::vector<BookRow> rows = BookOf(subject);
  ASSERT_GT(rows.size(), 2u);
  const int32_t legajo = rows[1].legajo;

  ASSERT_EQ(Relate_QVLIBRETA->Open(), fw::Level::Benign);
  rt::FileControlBlock& b = Access_QVLIBRETA->Block();
  OtherStation other(b.callback, dir_ + "/QVLIBRETA.KRL", subject, legajo);
  b.callback = &other;
  GradeRuleWork work;
  const followup::RecalculationResult r = followup::RecalculateSubject(subject, work, {.dni = 77, .program = {}});
  b.callback = Access_QVLIBRETA;
  Relate_QVLIBRETA->Close();

  ASSERT_TRUE(other.changed());
  EXPECT_EQ(other.put(), 0);
  EXPECT_EQ(r.rows, int64_t(rows.size()));
  EXPECT_EQ(r.changed, r.rows);
  EXPECT_EQ(r.failed, 0);
  for (const BookRow& row : BookOf(subject)) {
    if (row.legajo == legajo) {
      EXPECT_EQ(row.etado, "RECUPERA");  // the other station's 5, recalculated
      EXPECT_EQ(row.final_grade.find_first_not_of(" 0.,"), std::string::npos) << row.final_grade;
    } else {
      EXPECT_NE(row.etado, "X") << row.legajo;
    }
  }
  // The row's history holds the recalculation after the other station's
  // change: its last record has the rule's status for the 5.
  GradeHistory history;
  ASSERT_EQ(history.OpenForReading(), 0);
  std::vector<GradeHistoryEntry> entries;
  ASSERT_EQ(history.Read(subject, legajo, &entries), 0);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.back().status, "RECUPERA");
  EXPECT_EQ(entries.back().dni, 77);
}

}  // namespace
}  // namespace app
