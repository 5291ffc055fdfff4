// qvdata on a sample school: `make demo` runs `qvdata demo` first, so a
// school of about 300 students (2400 grade-book rows) should take well
// under a few seconds; export and a full re-import are measured beside it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/qvdata/commands.h"

namespace {

std::string ScratchDir() {
  char tmpl[] = "/tmp/qvdata_bench.XXXXXX";
  return ::mkdtemp(tmpl);
}

int Run(const qvdata::Args& args, std::string* out = nullptr) {
  std::ostringstream o, e;
  const int rc = qvdata::RunQvdata(args, o, e);
  if (out) *out = o.str();
  return rc;
}

// Arg: divisions per year (2 = 10 courses, about 300 students).
void BM_Demo(benchmark::State& state) {
  const std::string root = ScratchDir();
  int n = 0;
  for (auto _ : state) {
    const std::string dir = root + "/s" + std::to_string(n++);
    if (Run({"demo", dir, "--divisions", std::to_string(state.range(0))}) != 0) state.SkipWithError("demo failed");
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_Demo)->Arg(2)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_ExportImportGradeBook(benchmark::State& state) {
  const std::string root = ScratchDir();
  Run({"demo", root + "/demo"});
  std::string students, subjects, book;
  Run({"export", root + "/demo", "students"}, &students);
  Run({"export", root + "/demo", "subjects"}, &subjects);
  Run({"export", root + "/demo", "gradebook"}, &book);
  auto write = [&](const char* name, const std::string& text) {
    std::ofstream(root + "/" + name) << text;
    return root + "/" + name;
  };
  const std::string s = write("s.csv", students), m = write("m.csv", subjects), g = write("g.csv", book);
  int n = 0;
  for (auto _ : state) {
    const std::string dir = root + "/i" + std::to_string(n++);
    std::string exported;
    if (Run({"import", dir, "--students", s, "--subjects", m, "--gradebook", g}) != 0 ||
        Run({"export", dir, "gradebook"}, &exported) != 0 || exported != book) {
      state.SkipWithError("round trip failed");
    }
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ExportImportGradeBook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
