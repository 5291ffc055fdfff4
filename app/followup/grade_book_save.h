// The grade book's saves from the list: the grade-book list (BRW2) writes
// its rows through this relation manager, which writes each row and its
// grade history (GradeHistory) in one transaction, signed by the teacher.
//
// A row changed by another station since it was read is not overwritten:
// the file manager reports it (message 8, with the other version in the
// buffer) and nothing is written. A history that cannot be written fails
// the save (Msg_GradeHistoryNotWritten) and the row stays as it was on
// disk; the typed row stays on screen.
//
// It stands beside the dictionary's Relate_QVLIBRETA over the same file
// manager and is not registered as the file's relation manager.
#pragma once

#include <cstdint>
#include <memory>

#include "app/gradebook/grade_history.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/file_control.h"

namespace app::followup {

class GradeBookSave : public fw::RelationManager {
 public:
  // Over the thread's Access_QVLIBRETA; `teacher` signs the history.
  explicit GradeBookSave(const int32_t* teacher);
  ~GradeBookSave() override;

  fw::Level Update(bool fromForm = false) override;

 private:
  const int32_t* teacher_;
  GradeHistory history_;
  std::unique_ptr<rt::FileControlBlock> before_;  // reads the image a save replaces
};

}  // namespace app::followup
