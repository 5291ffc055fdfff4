// The one way a grade-book (QVLIBRETA) row is saved, for the grid, "Salir"
// and the qvdata tools: the grade rule gives the row its results, then the
// row is written and its changed grade fields are appended to the history
// of grade changes (GradeHistory), in one transaction.
//
//   GradeRowSaver saver(folder, {.dni = teacher}, {.report = tellTheUser});
//
//   // The grid: the typed row over `before`, the image on disk.
//   saver.Save(book, before, [&] { return write the buffer; });
//
//   // "Salir", a row at a time: read, apply the rule, write; a row another
//   // station changed between the read and the write (89) is read again.
//   saver.Recalculate(book, [&] { watch; return read the row; },
//                     [&] { return write the buffer; });
//
//   // Many rows in one transaction of the caller's (qvdata import, recalc):
//   std::vector<rt::FileControlBlock*> files = {&book};
//   saver.Join(&files);                         // the history, when it opens
//   rt::Logout(seconds, files);
//   ... saver.Write(book, before, [&] { return rt::Put(book); }) per row ...
//   rt::Commit() (or rt::Rollback());  saver.Finished(committed);
//
// The history never stops a grade. A missing history file is made. One that
// cannot be opened or written is reported once per saver (the report names
// the file and the runtime's reason), and the rows are saved without their
// history meanwhile. The saver keeps a note of each row saved so; when the
// history can be written again (the next save tries it), one marker record
// per such row (field kUnrecordedField: the row, its results and the moment
// of that save, no values) goes in ahead of the next row's history, so that
// the history shows where it has a gap. Notes still held when the saver goes
// (the history never came back while it lived) are lost: the report is then
// the only trace.
//
// Order inside the transaction: the history first, then the row, so that a
// history that refuses the records fails before the row was written and the
// save is made again without it (the row's watch, set by the read, is
// untouched by the first try).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/gradebook/grade_history.h"
#include "app/graderules/grade_rules.h"
#include "runtime/core/file_control.h"

namespace app {

// Whether a save gives the row the grade rule's results, or writes the
// results the row holds (qvdata import --as-is, restoring a backup).
enum class GradeResults { ApplyRule, AsStored };

enum class GradeSaveResult {
  Saved,             // written (with its history, or noted as without it)
  Unchanged,         // the row is as on disk already: nothing written
  ChangedElsewhere,  // another station changed the row since it was read (89)
  Failed,            // not written: code() says why
};

// What the one report of a history that cannot be used says.
struct GradeHistoryProblem {
  std::string path;    // the history file
  std::int32_t code = 0;
  std::string reason;  // the runtime's message for `code`
};

class GradeRowSaver {
 public:
  // The history's field of a marker record for a row saved without history.
  static constexpr const char* kUnrecordedField = "SIN HISTORIAL";
  // How often Recalculate reads a row again that another station keeps changing.
  static constexpr int kAttempts = 8;

  // Reads or writes the row in the book's buffer: 0, or the runtime's error
  // code (Error_RecordChangedByAnotherStation for a watched row changed).
  using Step = std::function<std::int32_t()>;

  struct Options {
    GradeResults results = GradeResults::ApplyRule;
    GradeRuleWork* work = nullptr;  // the rule's working variables (nullptr: private)
    // The moment the history records; 0: each save's own.
    std::int32_t date = 0, time = 0;
    // Called once, at the first history that cannot be opened or written.
    std::function<void(const GradeHistoryProblem&)> report;
  };

  // The history of the school folder `folder` ("": the working directory).
  GradeRowSaver(std::string folder, GradeAuthor author);
  GradeRowSaver(std::string folder, GradeAuthor author, Options options);
  ~GradeRowSaver();
  GradeRowSaver(const GradeRowSaver&) = delete;
  GradeRowSaver& operator=(const GradeRowSaver&) = delete;

  // The row in book's buffer over the image `before` it replaces (empty for
  // a new row), in a transaction of its own. `write` writes the buffer (Put,
  // Add, or a file manager's TryUpdate). Needs no transaction active.
  GradeSaveResult Save(rt::FileControlBlock& book, std::span<const std::uint8_t> before, const Step& write);

  // Recalculates one row: `read` brings it into book's buffer (watched, so
  // that `write` answers 89 when another station changed it meanwhile), the
  // rule is applied and the row saved as by Save. On 89 the row is read
  // again and recalculated, up to kAttempts times.
  GradeSaveResult Recalculate(rt::FileControlBlock& book, const Step& read, const Step& write);

  // Rows in a transaction of the caller's. Join, before it begins, adds the
  // history to *files when it can be opened (true), else reports and adds
  // nothing: the rows then go without history. Write applies the rule,
  // appends the history and writes; on Failed the caller rolls back, and
  // when HistoryFailed() it may do the work again (Join then leaves the
  // history out). Finished tells whether the transaction committed.
  bool Join(std::vector<rt::FileControlBlock*>* files);
  GradeSaveResult Write(rt::FileControlBlock& book, std::span<const std::uint8_t> before, const Step& write);
  void Finished(bool committed);

  // The runtime's error code of the last Failed result (or of the read).
  std::int32_t code() const { return code_; }
  // Whether the last Failed result was the history's.
  bool HistoryFailed() const { return history_failed_; }
  // Whether the history problem was reported.
  bool reported() const { return reported_; }
  // Rows saved without history and not yet marked in it.
  std::size_t unrecorded() const { return unrecorded_.size(); }

  GradeHistory& history() { return history_; }

 private:
  // Opens the history unless it is open or left out of the next try;
  // reports the first failure.
  bool HistoryReady();
  void Problem(std::int32_t code);
  // Applies the rule (unless AsStored); whether the row differs from `before`.
  bool Prepare(rt::FileControlBlock& book, std::span<const std::uint8_t> before);
  // The history records of a row, after the markers still owed.
  std::int32_t AppendHistory(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after);
  void NoteUnrecorded(std::span<const std::uint8_t> after);
  GradeSaveResult Attempt(rt::FileControlBlock& book, std::span<const std::uint8_t> before, const Step& write,
                          bool with_history);
  std::int32_t Date() const;
  std::int32_t Time() const;

  GradeHistory history_;
  GradeAuthor author_;
  Options options_;
  std::int32_t code_ = 0;
  bool history_failed_ = false;
  bool skip_history_once_ = false;
  bool reported_ = false;
  bool in_transaction_history_ = false;  // Join added the history
  std::size_t markers_pending_commit_ = 0;
  std::vector<GradeHistoryEntry> unrecorded_;
  std::vector<GradeHistoryEntry> noted_in_transaction_;
};

}  // namespace app
