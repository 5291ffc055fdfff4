// qvdata demo DIR [--seed N] [--divisions N]
#include <filesystem>
#include <memory>
#include <string>

#include "runtime/core/windows1252.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/demo_school.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

struct DemoOptions {
  std::string dir;
  uint32_t seed = 1, divisions = 2;
};

int Demo(const DemoOptions& o, std::ostream& out, std::ostream& err) {
  const std::string& dir = o.dir;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  School school(dir);
  for (const char* label : {"QVLIBRETA", "QVAPRENDE", "QVMATERIAS", "QVALUAP", "QVSEGUIR"}) {
    if (school.Exists(label)) {
      err << "qvdata demo: " << school.PathOf(label) << " already exists; a demo school needs an empty directory\n";
      return kExitFailed;
    }
  }
  const DemoSchool demo = MakeDemoSchool(o.seed, static_cast<int>(o.divisions));
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
      {school.Block("QVSEGUIR"), &demo.followup},
  };
  if (!WriteAll(batches, "writing the demo school", &error)) {
    school.RemoveCreated();
    err << "qvdata demo: " << error << "\n";
    return kExitFailed;
  }
  school.CloseAll();
  out << "demo school in " << dir << ": " << demo.courses << " courses, " << demo.students.size()
      << " students, " << demo.subjects.size() << " subjects, " << demo.gradebook.size() << " grade-book rows, "
      << demo.contents.size() << " contents, " << demo.followup.size() << " follow-up records\n";
  out << "sign in with a teacher's DNI and birth date:\n";
  for (size_t t = 0; t < demo.teachers.size() && t < 4; ++t) {
    const DemoTeacher& teacher = demo.teachers[t];
    out << "  " << teacher.dni << "  " << FormatDate(teacher.birth_date) << "  " << rt::windows1252ToUtf8(teacher.name);
    if (!teacher.subjects.empty()) out << " (" << rt::windows1252ToUtf8(teacher.subjects[0]) << ", ...)";
    out << "\n";
  }
  return kExitOk;
}

}  // namespace

Runner SetupDemo(CLI::App& command) {
  auto o = std::make_shared<DemoOptions>();
  command.add_option("DIR", o->dir, "folder of the new school")->required();
  command.add_option("--seed", o->seed, "seed of the made-up names and grades")->capture_default_str();
  command.add_option("--divisions", o->divisions, "divisions of each year")
      ->check(CLI::Range(1u, 26u))->capture_default_str();
  return [o](std::ostream& out, std::ostream& err) { return Demo(*o, out, err); };
}

}  // namespace qvdata
