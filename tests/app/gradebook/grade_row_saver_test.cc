#include "app/gradebook/grade_row_saver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "app/gradebook/grade_book_record.h"
#include "grade_book_fixture.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_notice.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace app {
namespace {

using testing::GradeBookFolder;
using testing::ReadHistory;
using testing::SetField;
using testing::SetGrade;

// A field as text: grades with two places.
std::string Text(rt::FileControlBlock& book, std::string_view label) {
  const int field = book.decl().findField(label);
  if (rt::isDecimalType(book.decl().fields[size_t(field)].type)) {
    return rt::getDecimal(book, field).value_or(rt::Decimal::Invalid()).ToString(2);
  }
  std::string s = rt::getText(book, field).value_or("?");
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// The results the rule's own function gives the grades of `image`.
struct RuleResults {
  std::string ole, final_grade, status;
};
RuleResults RuleOf(std::span<const uint8_t> image) {
  GradeBookRecord row(image);
  ApplyGradeRules(row.Row());
  return {row.ole_average().ToString(2), row.final_grade().ToString(2), row.status()};
}
RuleResults Stored(std::span<const uint8_t> image) {
  GradeBookRecord row(image);
  return {row.ole_average().ToString(2), row.final_grade().ToString(2), row.status()};
}
void ExpectSameResults(const RuleResults& a, const RuleResults& b) {
  EXPECT_EQ(a.ole, b.ole);
  EXPECT_EQ(a.final_grade, b.final_grade);
  EXPECT_EQ(a.status, b.status);
}

// A saver of the folder's history that collects its reports.
struct Saver {
  explicit Saver(const GradeBookFolder& folder, GradeResults results = GradeResults::ApplyRule)
      : saver(folder.dir(), {.dni = 7, .program = {}},
              {.results = results, .work = nullptr, .date = 80000, .time = 100,
               .report = [this](const GradeHistoryProblem& p) { reports.push_back(p); }}) {}
  // Record `id` read, changed by `change`, saved.
  GradeSaveResult Save(rt::FileControlBlock& book, uint32_t id,
                       const std::function<void(rt::FileControlBlock&)>& change) {
    EXPECT_EQ(rt::GetById(book, id), 0);
    const std::vector<uint8_t> before = book.record;
    change(book);
    return saver.Save(book, before, [&book] { return rt::Put(book); });
  }
  std::vector<GradeHistoryProblem> reports;
  GradeRowSaver saver;
};

void Pass(rt::FileControlBlock& b) {
  SetGrade(b, "QVL:ETAPA1", "8");
  SetGrade(b, "QVL:ETAPA4", "9");
  SetGrade(b, "QVL:ETAPA9", "8");
}

TEST(GradeRowSaver, SavesTheRulesResultsWithTheHistoryAndSkipsARowAlreadySo) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(2);
  auto book = folder.OpenBook();
  Saver s(folder);
  EXPECT_EQ(s.Save(*book, ids[0], Pass), GradeSaveResult::Saved);
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(Stored(book->record).status, "APRUEBA");
  ExpectSameResults(Stored(book->record), RuleOf(book->record));
  // Three grades and the three results, made by this save.
  const auto entries = ReadHistory(folder.dir(), 1);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].dni, 7);
  EXPECT_EQ(entries.back().field, "QVL:ETADO");
  EXPECT_EQ(entries.back().after, "APRUEBA");

  // Nothing to change: the write is not even asked for.
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  const std::vector<uint8_t> before = book->record;
  bool wrote = false;
  EXPECT_EQ(s.saver.Save(*book, before, [&] { return wrote = true, 0; }), GradeSaveResult::Unchanged);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(ReadHistory(folder.dir(), 1).size(), 6u);
  EXPECT_TRUE(s.reports.empty());
}

TEST(GradeRowSaver, AsStoredKeepsTheResultsTheRowCameWith) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(1);
  auto book = folder.OpenBook();
  Saver s(folder, GradeResults::AsStored);
  EXPECT_EQ(s.Save(*book, ids[0], [](rt::FileControlBlock& b) {
              Pass(b);
              SetGrade(b, "QVL:FINAL", "4");
              SetField(b, "QVL:ETADO", "ADEUDA");
            }),
            GradeSaveResult::Saved);
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(Text(*book, "QVL:ETADO"), "ADEUDA");
  EXPECT_EQ(Stored(book->record).final_grade, "4.00");
  EXPECT_EQ(ReadHistory(folder.dir(), 1).size(), 5u);
}

// Refuses every add to the file it watches, as a full disk would.
class RefuseAdds : public rt::FileCallback {
 public:
  bool FunctionCalled(rt::FileControlBlock&, rt::FileNotice& n) override {
    if (n.kind != rt::FileOpKind::kAdd) return true;
    n.error_code = rt::Error_FileSystemError;
    return false;
  }
  bool FunctionDone(rt::FileControlBlock&, rt::FileNotice&) override { return true; }
};

// What becomes of the history when it cannot be used: made when missing;
// otherwise one report naming it, the grades saved without it, and, once it
// can be written again, a marker per row saved meanwhile ahead of the next
// save's records.
TEST(GradeRowSaver, AHistoryThatCannotBeUsedNeverStopsAGrade) {
  enum class Spoil { Missing, Junk, RefusesRecords };
  for (const Spoil spoil : {Spoil::Missing, Spoil::Junk, Spoil::RefusesRecords}) {
    SCOPED_TRACE(static_cast<int>(spoil));
    GradeBookFolder folder;
    const auto ids = folder.MakeBook(3);
    const std::string path = folder.dir() + "/" + GradeHistory::kFileName;
    if (spoil == Spoil::Junk) std::ofstream(path) << std::string(3000, 'x');
    auto book = folder.OpenBook();
    Saver s(folder);
    RefuseAdds refuse;
    if (spoil == Spoil::RefusesRecords) {
      ASSERT_EQ(s.saver.history().Open(), 0);
      s.saver.history().Block().callback = &refuse;
    }
    for (uint32_t id : {ids[0], ids[1]}) EXPECT_EQ(s.Save(*book, id, Pass), GradeSaveResult::Saved);
    for (uint32_t id : {ids[0], ids[1]}) {
      ASSERT_EQ(rt::GetById(*book, id), 0);
      EXPECT_EQ(Text(*book, "QVL:ETADO"), "APRUEBA");
    }
    if (spoil == Spoil::Missing) {
      EXPECT_TRUE(s.reports.empty());
      EXPECT_EQ(ReadHistory(folder.dir()).size(), 12u);
      continue;
    }
    ASSERT_EQ(s.reports.size(), 1u);
    EXPECT_EQ(s.reports[0].path, path);
    EXPECT_NE(s.reports[0].code, 0);
    EXPECT_EQ(s.saver.unrecorded(), 2u);

    // Writable again: the next save marks the gap, then records its own.
    s.saver.history().Block().callback = nullptr;
    if (spoil == Spoil::Junk) std::filesystem::remove(path);
    EXPECT_EQ(s.Save(*book, ids[2], Pass), GradeSaveResult::Saved);
    EXPECT_EQ(s.saver.unrecorded(), 0u);
    const auto entries = ReadHistory(folder.dir());
    ASSERT_EQ(entries.size(), 2u + 6u);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(entries[i].field, GradeRowSaver::kUnrecordedField);
      EXPECT_EQ(entries[i].student, i + 1);
      EXPECT_EQ(entries[i].status, "APRUEBA");
      EXPECT_EQ(entries[i].dni, 7);
      EXPECT_EQ(entries[i].date, 80000);
    }
    EXPECT_EQ(entries[2].student, 3);
    EXPECT_EQ(s.reports.size(), 1u);
  }
}

// A history the user may not write (a read-only file, seen by a user other
// than root): the row is saved all the same, in a process of that user.
TEST(GradeRowSaver, AReadOnlyHistoryIsReportedAndTheRowSaved) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(1);
  const std::string history = folder.dir() + "/" + GradeHistory::kFileName;
  { GradeHistory made(folder.dir()); ASSERT_EQ(made.Open(), 0); }
  ASSERT_EQ(::chmod(folder.dir().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(folder.BookPath().c_str(), 0666), 0);
  ASSERT_EQ(::chmod(history.c_str(), 0444), 0);
  kestrel::testing::ChildProcess child([&](kestrel::testing::ChildProcess&) {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 10;
    auto book = folder.OpenBook();
    Saver s(folder);
    if (s.Save(*book, ids[0], Pass) != GradeSaveResult::Saved) return 11;
    if (s.reports.size() != 1 || s.reports[0].path != history) return 12;
    return 0;
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Join(), 0);
  auto book = folder.OpenBook();
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(Text(*book, "QVL:ETADO"), "APRUEBA");
  EXPECT_TRUE(ReadHistory(folder.dir()).empty());
}

// "Salir"'s recalculation: another station (a second control block on the
// file) changes the row between the read and the write. The row is read
// again and recalculated with the other station's grade, never overwritten;
// a station that changes it at every read wins, and the row is left alone.
TEST(GradeRowSaver, ARowChangedBetweenReadAndWriteIsReadAgain) {
  GradeBookFolder folder;
  const auto ids = folder.MakeBook(1);
  auto book = folder.OpenBook();
  auto other = folder.OpenBook();
  Saver s(folder);
  // The row as another program left it: grades without their results, so
  // that the recalculation has something to write.
  ASSERT_EQ(rt::GetById(*other, ids[0]), 0);
  Pass(*other);
  ASSERT_EQ(rt::Put(*other), 0);
  auto read = [&] {
    rt::Watch(*book);
    return rt::GetById(*book, ids[0]);
  };
  auto write = [&] { return rt::Put(*book); };
  int changes = 0;
  auto change = [&](const char* grade) {
    ++changes;
    EXPECT_EQ(rt::GetById(*other, ids[0]), 0);
    SetGrade(*other, "QVL:ETAPA2", grade);
    SetField(*other, "QVL:ETADO", "X");  // stale again
    EXPECT_EQ(rt::Put(*other), 0);
  };

  // Once: a 5 in Eval. 2 blocks the pass the first read still saw.
  EXPECT_EQ(s.saver.Recalculate(*book,
                                [&] {
                                  const int32_t rc = read();
                                  if (changes == 0) change("5");
                                  return rc;
                                },
                                write),
            GradeSaveResult::Saved);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(Text(*book, "QVL:ETAPA2"), "5.00");
  EXPECT_EQ(Text(*book, "QVL:ETADO"), "RECUPERA");
  ExpectSameResults(Stored(book->record), RuleOf(book->record));
  EXPECT_EQ(ReadHistory(folder.dir(), 1).back().status, "RECUPERA");

  // Every time: bounded, and the other station's last row stays.
  change("5");
  changes = 0;
  const char* grades[] = {"9", "3"};
  EXPECT_EQ(s.saver.Recalculate(*book,
                                [&] {
                                  const int32_t rc = read();
                                  change(grades[changes % 2]);
                                  return rc;
                                },
                                write),
            GradeSaveResult::ChangedElsewhere);
  EXPECT_EQ(changes, GradeRowSaver::kAttempts);
  ASSERT_EQ(rt::GetById(*book, ids[0]), 0);
  EXPECT_EQ(Text(*book, "QVL:ETAPA2"), std::string(grades[(GradeRowSaver::kAttempts - 1) % 2]) + ".00");
  EXPECT_EQ(Text(*book, "QVL:ETADO"), "X");  // as the other station left it
}

}  // namespace
}  // namespace app
