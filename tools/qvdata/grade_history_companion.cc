#include "tools/qvdata/grade_history_companion.h"

#include "runtime/core/file_access.h"
#include "runtime/core/file_records.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"

namespace qvdata {

GradeHistoryCompanion::GradeHistoryCompanion(const std::string& dir, std::string program)
    : history_(dir), author_{.dni = 0, .program = std::move(program)}, date_(rt::Today()), time_(rt::Clock()) {}

bool GradeHistoryCompanion::Join(std::vector<rt::FileControlBlock*>* files, std::string* error) {
  if (const int32_t rc = history_.Open(); rc != 0) {
    *error = FileFailure(history_.Block(), rc);
    return false;
  }
  files->push_back(&history_.Block());
  return true;
}

bool GradeHistoryCompanion::Written(std::span<const uint8_t> before, std::span<const uint8_t> after,
                                    std::string* error) {
  const int32_t rc = history_.Append(before, after, author_, date_, time_);
  if (rc == 0) return true;
  *error = "the history of grade changes could not be written: " + FileFailure(history_.Block(), rc);
  return false;
}

void GradeHistoryCompanion::Finished(bool committed) {
  if (!history_.IsOpen()) return;
  const bool remove = !committed && history_.created() && rt::Records(history_.Block()) == 0;
  history_.Close();
  // Removal takes the file deny-all: another process using it by now keeps it.
  if (remove) rt::Remove(history_.Block());
}

}  // namespace qvdata
