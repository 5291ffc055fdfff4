#include "app/followup/recalculate_subject.h"

#include <string>
#include <vector>

#include "app/dictionary/globals.h"
#include "app/followup/grade_book_save.h"
#include "app/gradebook/grade_row_saver.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"

namespace app::followup {

RecalculationResult RecalculateSubject(int32_t subject, GradeRuleWork& work, const GradeAuthor& author) {
  RecalculationResult result;
  fw::FileManager& libreta = *Access_QVLIBRETA;
  rt::FileControlBlock& b = libreta.Block();
  const int subjectField = b.decl().findField("QVL:COD_MATERIA");
  const int key = b.decl().findKey("QVL:CLAVE_MATERIA");

  // The subject's rows, by position, before anything is written.
  std::vector<std::string> positions;
  rt::clearField(b, subjectField);
  rt::setInteger(b, subjectField, subject);
  if (rt::SetKeyKey(b, key) == 0) {
    while (libreta.Next() == fw::Level::Benign) {
      const int64_t s = rt::getInteger(b, subjectField).value_or(0);
      if (s > subject) break;
      if (s == subject) positions.push_back(libreta.Position());
    }
  }
  result.rows = int64_t(positions.size());
  if (positions.empty()) return result;

  GradeRowSaver saver({}, author, {.work = &work, .report = ReportGradeHistoryProblem});
  bool transactionReported = false;
  for (const std::string& position : positions) {
    bool readFailed = false, writeFailed = false;
    const GradeSaveResult r = saver.Recalculate(
        b,
        [&]() -> int32_t {
          rt::Watch(b);
          if (libreta.TryReget(position) == fw::Level::Benign) return 0;
          readFailed = true;  // deleted by another station since the walk
          return rt::ERRORCODE() ? rt::ERRORCODE() : rt::Error_RecordNotFound;
        },
        [&]() -> int32_t {
          if (libreta.TryUpdate() == fw::Level::Benign) return 0;
          if (libreta.LastError == 7) return rt::Error_RecordChangedByAnotherStation;
          writeFailed = true;
          return rt::ERRORCODE() ? rt::ERRORCODE() : rt::Error_FileSystemError;
        });
    switch (r) {
      case GradeSaveResult::Saved:
        ++result.changed;
        [[fallthrough]];
      case GradeSaveResult::Unchanged:
        ++result.saved;
        break;
      case GradeSaveResult::ChangedElsewhere:  // changed again at every one of the tries
      case GradeSaveResult::Failed:
        ++result.failed;
        if (writeFailed || r == GradeSaveResult::ChangedElsewhere) {
          libreta.Throw();
        } else if (!readFailed && !transactionReported) {
          transactionReported = true;  // once: the next rows most likely fail the same way
          libreta.Throw(24);           // "Transaction cancelled": it could not begin or commit
        }
        break;
    }
  }
  return result;
}

}  // namespace app::followup
