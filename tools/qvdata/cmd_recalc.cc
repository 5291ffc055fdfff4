// qvdata recalc DIR [--subject N]
//
// Gives every grade-book row of one subject, or of the whole school, the
// grade rule's results, as "Salir" does for the subject on screen: through
// app::GradeRowSaver, so a row whose results change is written with its
// history (signed "qvdata recalc") and a row the rule leaves as it is is not
// written at all. A second run changes nothing.
//
// Each subject is one transaction, and its rows are read inside it: the
// transaction holds the grade book's writer lock from its start, so no
// other station can change a row between its read and its write. A
// subject that cannot be written is reported and left as it was; the others
// go on.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gradebook/grade_row_saver.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_messages.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"
#include "tools/qvdata/by_label.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/grade_book_companion.h"
#include "tools/qvdata/grade_rows.h"
#include "tools/qvdata/progress.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

constexpr const char* kProgram = "qvdata recalc";
constexpr int32_t kLogoutSeconds = 10;

struct RecalcOptions {
  std::string dir;
  std::optional<int32_t> subject;
};

// The record ids of the rows to recalculate, by subject.
bool RowsBySubject(rt::FileControlBlock& book, std::optional<int32_t> subject,
                   std::map<int32_t, std::vector<uint32_t>>* rows, std::string* error) {
  if (subject) {
    return ForEachGradeBookRow(book, *subject, std::nullopt, [&] { (*rows)[*subject].push_back(rt::Pointer(book)); },
                               error);
  }
  int32_t rc = rt::SetFile(book);
  while (rc == 0 && (rc = rt::Next(book)) == 0) {
    (*rows)[static_cast<int32_t>(IntOf(book, "QVL:COD_MATERIA"))].push_back(rt::Pointer(book));
  }
  if (rc == rt::Error_RecordNotAvailable) return true;
  *error = FileFailure(book, rc);
  return false;
}

struct Tally {
  size_t read = 0, changed = 0;
};

// One subject's rows in one transaction. False with *error when they could
// not be written (nothing of the subject was); *tally counts what was.
bool RecalculateRows(rt::FileControlBlock& book, app::GradeRowSaver& saver, const std::vector<uint32_t>& ids,
                     Tally* tally, std::string* error) {
  // A history that refuses its records is reported and left out of the
  // second pass.
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<rt::FileControlBlock*> files = {&book};
    saver.Join(&files);
    if (const int32_t rc = rt::Logout(kLogoutSeconds, files); rc != 0) {
      saver.Finished(false);
      *error = "cannot begin the transaction: " + rt::errorMessageOf(rc) + " (" + std::to_string(rc) + ")";
      return false;
    }
    Tally t;
    bool failed = false;
    for (uint32_t id : ids) {
      if (rt::GetById(book, id) != 0) continue;  // deleted by another station since the walk
      ++t.read;
      const std::vector<uint8_t> before = book.record;
      const app::GradeSaveResult r = saver.Write(book, before, [&book] { return rt::Put(book); });
      if (r == app::GradeSaveResult::Saved) ++t.changed;
      if (r == app::GradeSaveResult::Failed || r == app::GradeSaveResult::ChangedElsewhere) {
        failed = true;
        if (!saver.HistoryFailed()) *error = FileFailure(book, saver.code());
        break;
      }
    }
    if (failed) {
      rt::Rollback();
      saver.Finished(false);
      if (saver.HistoryFailed()) continue;
      return false;
    }
    if (const int32_t rc = rt::Commit(); rc != 0) {
      if (rt::transactionActive()) rt::Rollback();
      saver.Finished(false);
      *error = "commit failed: " + rt::errorMessageOf(rc) + " (" + std::to_string(rc) + ")";
      return false;
    }
    saver.Finished(true);
    tally->read += t.read;
    tally->changed += t.changed;
    return true;
  }
  *error = "the history of grade changes could not be written";
  return false;
}

int Recalc(const RecalcOptions& o, std::ostream& out, std::ostream& err) {
  School school(o.dir);
  std::string error;
  if (!school.Open("QVLIBRETA", false, &error)) {
    err << kProgram << ": " << error << "\n";
    return kExitFailed;
  }
  rt::FileControlBlock& book = *school.Block("QVLIBRETA");
  std::map<int32_t, std::vector<uint32_t>> rows;
  if (!RowsBySubject(book, o.subject, &rows, &error)) {
    err << kProgram << ": " << error << "\n";
    return kExitFailed;
  }
  if (o.subject && rows.empty()) {
    err << kProgram << ": no grade-book row of subject " << *o.subject << " in " << school.PathOf("QVLIBRETA")
        << "\n";
    return kExitFailed;
  }
  size_t total = 0;
  for (const auto& [subject, ids] : rows) total += ids.size();

  app::GradeRowSaver saver(
      o.dir, app::GradeAuthor{.dni = 0, .program = kProgram},
      app::GradeRowSaver::Options{.results = app::GradeResults::ApplyRule,
                                  .work = nullptr,
                                  .date = rt::Today(),
                                  .time = rt::Clock(),
                                  .report = [&err](const app::GradeHistoryProblem& p) {
                                    err << HistoryWarning(kProgram, p);
                                  }});
  Tally tally;
  size_t failed_subjects = 0, done = 0;
  {
    Progress progress("recalculating", total);
    for (const auto& [subject, ids] : rows) {
      if (!RecalculateRows(book, saver, ids, &tally, &error)) {
        ++failed_subjects;
        err << kProgram << ": subject " << subject << " left as it was: " << error << "\n";
      }
      done += ids.size();
      progress.Step(done);
    }
  }
  out << tally.read << (tally.read == 1 ? " grade-book row" : " grade-book rows") << " read, " << tally.changed
      << " changed";
  if (o.subject) out << " (subject " << *o.subject << ")";
  out << "\n";
  return failed_subjects == 0 ? kExitOk : kExitFailed;
}

}  // namespace

Runner SetupRecalc(CLI::App& command) {
  auto o = std::make_shared<RecalcOptions>();
  command.add_option("DIR", o->dir, "folder of the school")->required();
  command.add_option_function<int32_t>(
      "--subject", [o](int32_t subject) { o->subject = subject; },
      "only this subject's rows (QVL:COD_MATERIA); default: the whole school");
  return [o](std::ostream& out, std::ostream& err) { return Recalc(*o, out, err); };
}

}  // namespace qvdata
