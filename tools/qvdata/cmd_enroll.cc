// qvdata enroll DIR: a grade-book row for every student of a subject's
// course that has none in that subject.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/core/file_sequence.h"
#include "tools/qvdata/by_label.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/enrollment.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

int Enroll(const std::string& dir, std::ostream& out, std::ostream& err) {
  School school(dir);
  std::string error;
  if (!school.Open("QVMATERIAS", false, &error) || !school.Open("QVALUAP", false, &error) ||
      !school.Open("QVLIBRETA", true, &error)) {
    school.RemoveCreated();
    err << "qvdata enroll: " << error << "\n";
    return kExitFailed;
  }
  std::vector<RecordImage> rows;
  if (!MissingGradeBookRows(school, &rows, &error)) {
    school.RemoveCreated();
    err << "qvdata enroll: " << error << "\n";
    return kExitFailed;
  }
  if (!WriteAll({Batch{school.Block("QVLIBRETA"), &rows}}, "enrolling", &error)) {
    school.RemoveCreated();
    err << "qvdata enroll: " << error << "\nnothing added\n";
    return kExitFailed;
  }
  out << "added " << rows.size() << (rows.size() == 1 ? " grade-book row" : " grade-book rows") << "\n";
  return kExitOk;
}

}  // namespace

Runner SetupEnroll(CLI::App& command) {
  auto dir = std::make_shared<std::string>();
  command.add_option("DIR", *dir, "folder of the school")->required();
  return [dir](std::ostream& out, std::ostream& err) { return Enroll(*dir, out, err); };
}

}  // namespace qvdata
