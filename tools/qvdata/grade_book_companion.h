// The grade-book rows a command writes go through app::GradeRowSaver, the
// program's own save of a row: the grade rule gives each row its results
// (unless the command keeps the stored ones), and its changed grade fields
// go to "QVHISTORIA.KRL" in the same transaction, signed with the
// command's name.
//
// A history that cannot be opened or written is reported once on `warnings`
// and the rows are written without it: when it refused its records in the
// middle of a write, the write fails and WriteAll does it again (the saver
// then leaves the history out).
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/gradebook/grade_row_saver.h"
#include "tools/qvdata/school.h"

namespace qvdata {

class GradeBookCompanion : public WriteCompanion {
 public:
  // `program` signs the records ("qvdata import"); they all carry the
  // moment the companion was made, and `program` starts the warning.
  GradeBookCompanion(const std::string& dir, std::string program, app::GradeResults results,
                     std::ostream& warnings);

  bool Join(std::vector<rt::FileControlBlock*>* files, std::string* error) override;
  bool Write(rt::FileControlBlock& file, std::span<const uint8_t> before, const std::function<int32_t()>& write,
             int32_t* code, std::string* error) override;
  // A history this command made and left empty goes again when the write
  // failed, so that a failed command changes nothing in the folder.
  void Finished(bool committed) override;
  // The write failed at the history's records.
  bool WriteAgain() const override { return saver_.HistoryFailed(); }
  app::GradeRowSaver& saver() { return saver_; }

 private:
  app::GradeRowSaver saver_;
  bool created_ = false;  // the history was made by this command
};

// The warning for a history that cannot be used: the file, why, what to do.
std::string HistoryWarning(const std::string& program, const app::GradeHistoryProblem& problem);

}  // namespace qvdata
