// The history of grade changes as a write companion: every grade-book row a
// command writes appends its changed grade fields to "QVHISTORIA.KRL" in
// the same transaction, signed with the command's name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/gradebook/grade_history.h"
#include "tools/qvdata/school.h"

namespace qvdata {

class GradeHistoryCompanion : public WriteCompanion {
 public:
  // `program` signs the records ("qvdata import"); they all carry the
  // moment the companion was made.
  GradeHistoryCompanion(const std::string& dir, std::string program);

  bool Join(std::vector<rt::FileControlBlock*>* files, std::string* error) override;
  bool Written(std::span<const uint8_t> before, std::span<const uint8_t> after, std::string* error) override;
  // A history this command made and left empty goes again when the write
  // failed, so that a failed command changes nothing in the folder.
  void Finished(bool committed) override;

 private:
  app::GradeHistory history_;
  app::GradeAuthor author_;
  int32_t date_, time_;
};

}  // namespace qvdata
