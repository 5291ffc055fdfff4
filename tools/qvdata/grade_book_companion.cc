#include "tools/qvdata/grade_book_companion.h"

#include "runtime/core/file_access.h"
#include "runtime/core/file_records.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"

namespace qvdata {

std::string HistoryWarning(const std::string& program, const app::GradeHistoryProblem& problem) {
  std::string reason = problem.reason;
  reason.erase(reason.find_last_not_of(' ') + 1);
  return program + ": warning: the history of grade changes " + problem.path + " cannot be used: " + reason +
         " (" + std::to_string(problem.code) +
         "); the grades are saved without their history. Check that the file is not damaged or read-only, "
         "or move it away and a new one is made.\n";
}

GradeBookCompanion::GradeBookCompanion(const std::string& dir, std::string program, app::GradeResults results,
                                       std::ostream& warnings)
    : saver_(dir, app::GradeAuthor{.dni = 0, .program = program},
             app::GradeRowSaver::Options{.results = results,
                                         .work = nullptr,
                                         .date = rt::Today(),
                                         .time = rt::Clock(),
                                         .report = [&warnings, program](const app::GradeHistoryProblem& p) {
                                           warnings << HistoryWarning(program, p);
                                         }}) {}

bool GradeBookCompanion::Join(std::vector<rt::FileControlBlock*>* files, std::string* /*error*/) {
  if (saver_.Join(files) && saver_.history().created()) created_ = true;
  return true;  // without the history, the rows go alone (reported)
}

bool GradeBookCompanion::Write(rt::FileControlBlock& file, std::span<const uint8_t> before,
                               const std::function<int32_t()>& write, int32_t* code, std::string* error) {
  *code = 0;
  switch (saver_.Write(file, before, write)) {
    case app::GradeSaveResult::Saved:
    case app::GradeSaveResult::Unchanged:
      return true;
    case app::GradeSaveResult::ChangedElsewhere:
    case app::GradeSaveResult::Failed:
      break;
  }
  if (saver_.HistoryFailed()) {
    *error = "the history of grade changes could not be written: " +
             FileFailure(saver_.history().Block(), saver_.code());
  } else {
    *code = saver_.code();
  }
  return false;
}

void GradeBookCompanion::Finished(bool committed) {
  saver_.Finished(committed);
  app::GradeHistory& history = saver_.history();
  if (!history.IsOpen()) return;
  const bool remove = !committed && created_ && rt::Records(history.Block()) == 0;
  history.Close();
  // Removal takes the file deny-all: another process using it by now keeps it.
  if (remove) rt::Remove(history.Block());
  if (remove) created_ = false;
}

}  // namespace qvdata
