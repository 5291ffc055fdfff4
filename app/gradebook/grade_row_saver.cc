#include "app/gradebook/grade_row_saver.h"

#include <algorithm>

#include "app/gradebook/grade_book_record.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_messages.h"
#include "runtime/core/file_transaction.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"

namespace app {

namespace {
// Seconds a transaction waits for the files' locks, as the relation
// managers wait.
constexpr std::int32_t kLogoutSeconds = 2;

bool SameImage(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
}  // namespace

GradeRowSaver::GradeRowSaver(std::string folder, GradeAuthor author)
    : GradeRowSaver(std::move(folder), std::move(author), Options{}) {}

GradeRowSaver::GradeRowSaver(std::string folder, GradeAuthor author, Options options)
    : history_(std::move(folder)), author_(std::move(author)), options_(std::move(options)) {}

GradeRowSaver::~GradeRowSaver() = default;

std::int32_t GradeRowSaver::Date() const { return options_.date ? options_.date : rt::Today(); }
std::int32_t GradeRowSaver::Time() const { return options_.time ? options_.time : rt::Clock(); }

void GradeRowSaver::Problem(std::int32_t code) {
  if (reported_) return;
  reported_ = true;
  if (options_.report) options_.report({history_.path(), code, rt::errorMessageOf(code)});
}

bool GradeRowSaver::HistoryReady() {
  if (skip_history_once_) {
    skip_history_once_ = false;
    return false;
  }
  if (history_.IsOpen()) return true;
  if (const std::int32_t rc = history_.Open(); rc != 0) {
    Problem(rc);
    return false;
  }
  return true;
}

bool GradeRowSaver::Prepare(rt::FileControlBlock& book, std::span<const std::uint8_t> before) {
  if (options_.results == GradeResults::ApplyRule) ApplyGradeRulesToRecord(book.record, options_.work);
  return before.empty() || !SameImage(before, book.record);
}

std::int32_t GradeRowSaver::AppendHistory(std::span<const std::uint8_t> before,
                                          std::span<const std::uint8_t> after) {
  // The markers owed go first, in the order of their saves; they count as
  // written once the transaction commits.
  for (std::size_t i = markers_pending_commit_; i < unrecorded_.size(); ++i) {
    if (const std::int32_t rc = history_.Add(unrecorded_[i]); rc != 0) return rc;
    ++markers_pending_commit_;
  }
  return history_.Append(before, after, author_, Date(), Time());
}

void GradeRowSaver::NoteUnrecorded(std::span<const std::uint8_t> after) {
  GradeBookRecord row(after);
  ApplyGradeRules(row.Row());  // the results the history would have carried
  noted_in_transaction_.push_back({.subject = row.subject(), .student = row.student(), .field = kUnrecordedField,
                                   .before = {}, .after = {}, .final_grade = row.final_grade(),
                                   .status = row.status(), .dni = author_.dni, .program = author_.program,
                                   .date = Date(), .time = Time()});
}

void GradeRowSaver::Finished(bool committed) {
  if (committed) {
    unrecorded_.erase(unrecorded_.begin(), unrecorded_.begin() + static_cast<std::ptrdiff_t>(markers_pending_commit_));
    unrecorded_.insert(unrecorded_.end(), noted_in_transaction_.begin(), noted_in_transaction_.end());
  }
  markers_pending_commit_ = 0;
  noted_in_transaction_.clear();
  in_transaction_history_ = false;
  // A history that refused its records is opened afresh at the next save.
  if (history_failed_ && !rt::transactionActive()) history_.Close();
}

bool GradeRowSaver::Join(std::vector<rt::FileControlBlock*>* files) {
  history_failed_ = false;
  in_transaction_history_ = HistoryReady();
  if (in_transaction_history_) files->push_back(&history_.Block());
  return in_transaction_history_;
}

GradeSaveResult GradeRowSaver::Write(rt::FileControlBlock& book, std::span<const std::uint8_t> before,
                                     const Step& write) {
  history_failed_ = false;
  if (!Prepare(book, before)) return GradeSaveResult::Unchanged;
  if (in_transaction_history_) {
    if (const std::int32_t rc = AppendHistory(before, book.record); rc != 0) {
      code_ = rc;
      history_failed_ = true;
      skip_history_once_ = true;
      Problem(rc);
      return GradeSaveResult::Failed;
    }
  }
  if (const std::int32_t rc = write(); rc != 0) {
    code_ = rc;
    return rc == rt::Error_RecordChangedByAnotherStation ? GradeSaveResult::ChangedElsewhere
                                                         : GradeSaveResult::Failed;
  }
  if (!in_transaction_history_) NoteUnrecorded(book.record);
  return GradeSaveResult::Saved;
}

GradeSaveResult GradeRowSaver::Attempt(rt::FileControlBlock& book, std::span<const std::uint8_t> before,
                                       const Step& write, bool with_history) {
  std::vector<rt::FileControlBlock*> files = {&book};
  in_transaction_history_ = with_history;
  if (with_history) files.push_back(&history_.Block());
  if (const std::int32_t rc = rt::Logout(kLogoutSeconds, files); rc != 0) {
    code_ = rc;
    Finished(false);
    return GradeSaveResult::Failed;
  }
  const GradeSaveResult r = Write(book, before, write);
  if (r != GradeSaveResult::Saved) {
    rt::Rollback();
    Finished(false);
    return r;
  }
  if (const std::int32_t rc = rt::Commit(); rc != 0) {
    code_ = rc;
    if (rt::transactionActive()) rt::Rollback();
    Finished(false);
    return GradeSaveResult::Failed;
  }
  Finished(true);
  return GradeSaveResult::Saved;
}

GradeSaveResult GradeRowSaver::Save(rt::FileControlBlock& book, std::span<const std::uint8_t> before,
                                    const Step& write) {
  // The rule first: a row it leaves as on disk costs no transaction.
  const std::vector<std::uint8_t> was(before.begin(), before.end());
  if (!Prepare(book, was)) return GradeSaveResult::Unchanged;
  const std::vector<std::uint8_t> row = book.record;
  GradeSaveResult r = Attempt(book, was, write, HistoryReady());
  if (r == GradeSaveResult::Failed && history_failed_) {
    book.record = row;
    r = Attempt(book, was, write, HistoryReady());  // without the history, this once
  }
  return r;
}

GradeSaveResult GradeRowSaver::Recalculate(rt::FileControlBlock& book, const Step& read, const Step& write) {
  GradeSaveResult r = GradeSaveResult::ChangedElsewhere;
  for (int attempt = 0; attempt < kAttempts && r == GradeSaveResult::ChangedElsewhere; ++attempt) {
    if (const std::int32_t rc = read(); rc != 0) {
      code_ = rc;
      history_failed_ = false;
      return GradeSaveResult::Failed;
    }
    const std::vector<std::uint8_t> before = book.record;
    r = Save(book, before, write);
  }
  return r;
}

}  // namespace app
