// qvdata demo DIR [--seed N] [--divisions N]
#include <filesystem>
#include <string>

#include "tools/qvdata/charset.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/demo_school.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

bool ParseCount(const std::string& s, uint32_t max, uint32_t* out) {
  if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long v = std::stoull(s);
  if (v > max) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

int RunDemo(const Args& args, std::ostream& out, std::ostream& err) {
  std::string dir;
  uint32_t seed = 1, divisions = 2;
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--seed" || args[i] == "--divisions") && i + 1 < args.size()) {
      const bool is_seed = args[i] == "--seed";
      if (!ParseCount(args[i + 1], is_seed ? 0xFFFFFFFFu : 26u, is_seed ? &seed : &divisions) ||
          (!is_seed && divisions == 0)) {
        err << "qvdata demo: bad value for " << args[i] << ": " << args[i + 1] << "\n";
        return kExitUsage;
      }
      ++i;
    } else if (!args[i].empty() && args[i][0] != '-' && dir.empty()) {
      dir = args[i];
    } else {
      err << "usage: qvdata demo DIR [--seed N] [--divisions N]\n";
      return kExitUsage;
    }
  }
  if (dir.empty()) {
    err << "usage: qvdata demo DIR [--seed N] [--divisions N]\n";
    return kExitUsage;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  School school(dir);
  for (const char* label : {"QVLIBRETA", "QVAPRENDE", "QVMATERIAS", "QVALUAP", "QVSEGUIR"}) {
    if (school.Exists(label)) {
      err << "qvdata demo: " << school.PathOf(label) << " already exists; a demo school needs an empty directory\n";
      return kExitFailed;
    }
  }
  const DemoSchool demo = MakeDemoSchool(seed, static_cast<int>(divisions));
  std::string error;
  for (const char* label : {"QVLIBRETA", "QVAPRENDE", "QVMATERIAS", "QVALUAP", "QVSEGUIR"}) {
    if (!school.Open(label, true, &error)) {
      school.RemoveCreated();
      err << "qvdata demo: " << error << "\n";
      return kExitFailed;
    }
  }
  const std::vector<Batch> batches = {
      {school.Block("QVALUAP"), &demo.students},
      {school.Block("QVMATERIAS"), &demo.subjects},
      {school.Block("QVAPRENDE"), &demo.contents},
      {school.Block("QVLIBRETA"), &demo.gradebook},
  };
  if (!WriteAll(batches, "writing the demo school", &error)) {
    school.RemoveCreated();
    err << "qvdata demo: " << error << "\n";
    return kExitFailed;
  }
  school.CloseAll();
  out << "demo school in " << dir << ": " << demo.courses << " courses, " << demo.students.size()
      << " students, " << demo.subjects.size() << " subjects, " << demo.gradebook.size() << " grade-book rows, "
      << demo.contents.size() << " contents\n";
  out << "sign in with a teacher's DNI and birth date:\n";
  for (size_t t = 0; t < demo.teachers.size() && t < 4; ++t) {
    const DemoTeacher& teacher = demo.teachers[t];
    out << "  " << teacher.dni << "  " << FormatDate(teacher.birth_date) << "  " << Cp1252ToUtf8(teacher.name);
    if (!teacher.subjects.empty()) out << " (" << Cp1252ToUtf8(teacher.subjects[0]) << ", ...)";
    out << "\n";
  }
  return kExitOk;
}

}  // namespace qvdata
