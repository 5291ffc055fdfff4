#include "app/gradebook/grade_history.h"

#include <gtest/gtest.h>

#include <map>

#include "grade_book_fixture.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/std_date.h"
#include "runtime/kestrel/os/fault_injection.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace app {
namespace {

using testing::GradeBookFolder;
using testing::ReadHistory;
using testing::SaveRow;
using testing::SetField;
using testing::SetGrade;
using testing::Teacher;

std::string GradeOf(rt::FileControlBlock& book, std::string_view label) {
  return rt::getDecimal(book, book.decl().findField(label)).value_or(rt::Decimal::Invalid()).ToString(2);
}

TEST(GradeHistory, MadeOnFirstUseAndAbsentFromFoldersThatNeverSavedAGrade) {
  GradeBookFolder folder;
  folder.MakeBook(1);
  GradeHistory history(folder.dir());
  EXPECT_FALSE(history.Exists());
  EXPECT_TRUE(ReadHistory(folder.dir()).empty());
  GradeHistory reader(folder.dir());
  EXPECT_EQ(reader.OpenForReading(), 2);

  ASSERT_EQ(history.Open(), 0);
  EXPECT_TRUE(history.created());
  EXPECT_TRUE(history.Exists());
  GradeHistory second(folder.dir());
  ASSERT_EQ(second.Open(), 0);
  EXPECT_FALSE(second.created());
  // Only the history itself is left: no name it was made under.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder.dir())) files += e.is_regular_file();
  EXPECT_EQ(files, 2);
}

TEST(GradeHistory, OneRecordPerChangedFieldWithTheRulesResultAfterIt) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(2);
  auto book = folder.OpenBook();
  GradeHistory history(folder.dir());
  ASSERT_EQ(history.Open(), 0);
  const int32_t day = rt::MakeStdDate(2026, 11, 3);

  ASSERT_EQ(SaveRow(*book, history, ids[1], [](rt::FileControlBlock& b) {
              SetGrade(b, "QVL:ETAPA4", "8");
              SetGrade(b, "QVL:ETAPA9", "9");
              SetGrade(b, "QVL:ETAPA1", "7");
            }, Teacher(20111222), day, 4500000), 0);
  EXPECT_EQ(history.appended(), 3u);
  ASSERT_EQ(SaveRow(*book, history, ids[1], [](rt::FileControlBlock& b) { SetGrade(b, "QVL:ETAPA1", "5"); },
                    {.dni = 0, .program = "qvdata import"}, day + 1, 100),
            0);
  // A save that changes no grade writes no history.
  ASSERT_EQ(SaveRow(*book, history, ids[1], [](rt::FileControlBlock& b) { SetField(b, "QVL:OBSERVACION1", "x"); },
                    Teacher(1)),
            0);
  EXPECT_EQ(history.appended(), 0u);

  const auto entries = ReadHistory(folder.dir());
  ASSERT_EQ(entries.size(), 4u);
  const char* fields[] = {"QVL:ETAPA1", "QVL:ETAPA4", "QVL:ETAPA9", "QVL:ETAPA1"};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].field, fields[i]);
    EXPECT_EQ(entries[i].subject, 10);
    EXPECT_EQ(entries[i].student, 2);
  }
  EXPECT_EQ(entries[0].before, "0.00");
  EXPECT_EQ(entries[0].after, "7.00");
  // OLE average 8.5 and one evaluation of 7: the rule gives APRUEBA with 7.
  EXPECT_EQ(entries[0].final_grade.ToString(2), "7.00");
  EXPECT_EQ(entries[0].status, "APRUEBA");
  EXPECT_EQ(entries[0].dni, 20111222);
  EXPECT_EQ(entries[0].program, "");
  EXPECT_EQ(entries[0].date, day);
  EXPECT_EQ(entries[0].time, 4500000);
  EXPECT_EQ(entries[3].before, "7.00");
  EXPECT_EQ(entries[3].after, "5.00");
  EXPECT_TRUE(entries[3].final_grade.IsZero());
  EXPECT_EQ(entries[3].status, "RECUPERA");
  EXPECT_EQ(entries[3].dni, 0);
  EXPECT_EQ(entries[3].program, "qvdata import");
  EXPECT_EQ(entries[3].date, day + 1);

  EXPECT_TRUE(ReadHistory(folder.dir(), 1).empty());
  EXPECT_EQ(ReadHistory(folder.dir(), 2).size(), 4u);
}

// Refuses every add to the file it watches, as a full disk or a lost lock would.
class RefuseAdds : public rt::FileCallback {
 public:
  bool FunctionCalled(rt::FileControlBlock&, rt::FileNotice& n) override {
    if (n.kind != rt::FileOpKind::kAdd) return true;
    n.error_code = 90;
    return false;
  }
  bool FunctionDone(rt::FileControlBlock&, rt::FileNotice&) override { return true; }
};

TEST(GradeHistory, AFailedHistoryWriteFailsTheRowsSave) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(1);
  {
    auto book = folder.OpenBook();
    GradeHistory history(folder.dir());
    ASSERT_EQ(history.Open(), 0);
    RefuseAdds refuse;
    history.Block().callback = &refuse;
    EXPECT_EQ(SaveRow(*book, history, ids[0], [](rt::FileControlBlock& b) { SetGrade(b, "QVL:ETAPA1", "9"); },
                      Teacher(5)),
              90);
    EXPECT_FALSE(rt::transactionActive());
    history.Block().callback = nullptr;
  }
  auto book = folder.OpenBook();
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(GradeOf(*book, "QVL:ETAPA1"), "0.00");
  EXPECT_TRUE(ReadHistory(folder.dir()).empty());
}

// A commit that fails at any one of its writes leaves the row and its
// history both saved or both not.
TEST(GradeHistory, ACommitFailingAtAnyWriteLeavesBothOrNeither) {
  bool saved = false;
  int failures = 0;
  for (int64_t write = 0; !saved && write < 200; ++write) {
    SCOPED_TRACE(write);
    GradeBookFolder folder;
    const auto ids = folder.MakeBook(3);
    int32_t rc;
    {
      auto book = folder.OpenBook();
      GradeHistory history(folder.dir());
      ASSERT_EQ(history.Open(), 0);
      kestrel::fault::Arm({.fail_write = write});
      rc = SaveRow(*book, history, ids[2], [](rt::FileControlBlock& b) {
        SetGrade(b, "QVL:ETAPA1", "9");
        SetGrade(b, "QVL:ETAPA2", "8");
      }, Teacher(5));
      kestrel::fault::Disarm();
      if (rt::transactionActive()) rt::Rollback();
    }
    auto book = folder.OpenBook();
    ASSERT_EQ(rt::GetById(*book, ids[2]), 0);
    const bool row_saved = GradeOf(*book, "QVL:ETAPA1") == "9.00";
    const size_t history = ReadHistory(folder.dir()).size();
    EXPECT_EQ(history, row_saved ? 2u : 0u);
    if (rc == 0) {
      EXPECT_TRUE(row_saved);
      saved = write > 0;
    } else {
      ++failures;
    }
    if (rc == 0 && write == 0) FAIL() << "the first write of the commit was not failed";
  }
  EXPECT_TRUE(saved);
  EXPECT_GT(failures, 2);
}

// Two processes save at the same time, one row each and one row both: every
// save keeps its history, and the shared row's history is one unbroken
// chain in the order the saves committed.
TEST(GradeHistory, TwoProcessesSavingAtOnceKeepBothHistories) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(3);
  constexpr int kSaves = 30;
  auto saver = [&](int who) {
    return [&, who](kestrel::testing::ChildProcess& self) {
      self.Signal();
      if (!self.Await()) return 10;
      auto book = folder.OpenBook();
      GradeHistory history(folder.dir());  // both may make it: neither may lose it
      if (history.Open() != 0) return 11;
      for (int n = 1; n <= kSaves; ++n) {
        const std::string grade = std::to_string(who) + "." + (n < 10 ? "0" : "") + std::to_string(n);
        for (uint32_t id : {ids[static_cast<size_t>(who - 1)], ids[2]}) {
          const int32_t rc = SaveRow(*book, history, id, [&](rt::FileControlBlock& b) {
            SetGrade(b, "QVL:ETAPA1", grade.c_str());
          }, Teacher(who));
          if (rc != 0) return 20;
        }
      }
      return 0;
    };
  };
  kestrel::testing::ChildProcess a(saver(1)), b(saver(2));
  ASSERT_TRUE(a.started() && b.started());
  ASSERT_TRUE(a.Await() && b.Await());
  a.Signal();
  b.Signal();
  ASSERT_EQ(a.Join(), 0);
  ASSERT_EQ(b.Join(), 0);

  EXPECT_EQ(ReadHistory(folder.dir(), 1).size(), size_t{kSaves});
  EXPECT_EQ(ReadHistory(folder.dir(), 2).size(), size_t{kSaves});
  const auto shared = ReadHistory(folder.dir(), 3);
  ASSERT_EQ(shared.size(), size_t{2 * kSaves});
  std::map<int32_t, int> by_process;
  std::string last = "0.00";
  for (const GradeHistoryEntry& e : shared) {
    EXPECT_EQ(e.before, last);
    last = e.after;
    ++by_process[e.dni];
  }
  EXPECT_EQ(by_process[1], kSaves);
  EXPECT_EQ(by_process[2], kSaves);
  auto book = folder.OpenBook();
  ASSERT_EQ(rt::GetById(*book, ids[2]), 0);
  EXPECT_EQ(GradeOf(*book, "QVL:ETAPA1"), last);
}

}  // namespace
}  // namespace app
