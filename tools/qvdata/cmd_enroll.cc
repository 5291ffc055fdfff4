// qvdata enroll DIR: a grade-book row for every student of a subject's
// course that has none in that subject.
#include <algorithm>
#include <map>
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

int RunEnroll(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    err << "usage: qvdata enroll DIR\n";
    return kExitUsage;
  }
  School school(args[0]);
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

}  // namespace qvdata
