// qvdata on a sample school: `make demo` runs `qvdata demo` first, so a
// school of about 300 students (2400 grade-book rows) should take well
// under a few seconds; export and a full re-import, and the recalculation
// of the whole school, are measured beside it.
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

// Arg 1: the grade book imported --as-is (a backup restored exactly: the
// export of the copy is the same); 0: with the grade rule applied to every
// row (the ungraded half of the demo's rows get their status).
void BM_ExportImportGradeBook(benchmark::State& state) {
  const bool as_is = state.range(0) != 0;
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
    qvdata::Args args = {"import", dir, "--students", s, "--subjects", m, "--gradebook", g};
    if (as_is) args.push_back("--as-is");
    if (Run(args) != 0 || Run({"export", dir, "gradebook"}, &exported) != 0 || (as_is && exported != book)) {
      state.SkipWithError("round trip failed");
    }
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ExportImportGradeBook)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// qvdata recalc of a whole demo school of about 300 students (2400 rows,
// 80 subjects). Arg 0: as the demo makes it, so the ungraded half of the
// rows get their status, each with its history; 1: recalculated already,
// so every row is read and none written.
void BM_RecalcSchool(benchmark::State& state) {
  const std::string root = ScratchDir();
  const std::string demo = root + "/demo";
  Run({"demo", demo});
  if (state.range(0)) Run({"recalc", demo});
  int n = 0;
  std::string out;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = root + "/r" + std::to_string(n++);
    std::filesystem::copy(demo, dir);
    state.ResumeTiming();
    if (Run({"recalc", dir}, &out) != 0) state.SkipWithError("recalc failed");
    state.PauseTiming();
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
  // "2400 grade-book rows read, 1200 changed"
  state.counters["rows_read"] = std::stod(out);
  state.counters["rows_changed"] = std::stod(out.substr(out.find(", ") + 2));
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_RecalcSchool)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
