// The grade book's saves from the list: the grade-book list (BRW2) writes
// its rows through this relation manager, which saves each through
// GradeRowSaver (the row with the rule's results and its grade history in
// one transaction, signed by the teacher).
//
// A row changed by another station since it was read is not overwritten:
// the file manager reports it (message 8, with the other version in the
// buffer) and nothing is written. A history that cannot be opened or
// written is reported once (Msg_GradeHistoryNotWritten) and the rows are
// saved without it meanwhile (GradeRowSaver says how the gap is marked).
//
// It stands beside the dictionary's Relate_QVLIBRETA over the same file
// manager and is not registered as the file's relation manager.
#pragma once

#include <cstdint>
#include <memory>

#include "app/gradebook/grade_row_saver.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/file_control.h"

namespace app::followup {

// The one report of a history that cannot be used, to the user
// (Msg_GradeHistoryNotWritten, naming the file and the reason).
void ReportGradeHistoryProblem(const GradeHistoryProblem& problem);

class GradeBookSave : public fw::RelationManager {
 public:
  // Over the thread's Access_QVLIBRETA; `teacher` signs the history.
  explicit GradeBookSave(const int32_t* teacher);
  ~GradeBookSave() override;

  fw::Level Update(bool fromForm = false) override;

 private:
  const int32_t* teacher_;
  std::unique_ptr<GradeRowSaver> saver_;  // made at the first save, signed by the teacher then
  std::unique_ptr<rt::FileControlBlock> before_;  // reads the image a save replaces
};

}  // namespace app::followup
