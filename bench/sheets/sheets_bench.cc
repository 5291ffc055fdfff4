// `qvdata sheet` for a subject of 40 students, as a family or a batch job
// runs it: the whole process (start, Qt offscreen, the walk, the pages, the
// PDF) beside poppler's pdftotext reading the PDF back, both run as
// processes in the same run. Goal: the progress sheet in under 0.3 s.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/qvdata/commands.h"
#include "bench/offscreen_platform.h"

extern char** environ;

namespace {

// A school with one subject (8) of 40 students with grades.
const std::string& School() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/sheets_bench.XXXXXX";
    std::string d = ::mkdtemp(tmpl);
    std::ofstream(d + "/materias.csv") << "NRO_REGISTRO,MATERIA,PROFESOR,COD_PROFESOR,COD_CURSO,CICLO,CURSO,DIVISION,TURNO\n"
                                          "8,GEOGRAFIA,\"PAZ, Julio\",6,302,SUPERIOR,4,A,MAÑANA\n";
    std::ostringstream students, book;
    students << "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n";
    book << "COD_MATERIA,NRO_LEGAJO,ALUMNO,MATERIAS";
    for (int k = 1; k <= 12; ++k) book << ",ETAPA" << k;
    book << ",FINAL\n";
    for (int i = 1; i <= 40; ++i) {
      const std::string name = "ALUMNO " + std::to_string(100 + i) + ", Nombre";
      students << 800 + i << ",\"" << name << "\"," << 41000000 + i << ",M,,302\n";
      book << "8," << 800 + i << ",\"" << name << "\",GEOGRAFIA";
      for (int k = 1; k <= 12; ++k) book << "," << (i + k) % 10 + 1 << ".50";
      book << ",8.25\n";
    }
    std::ofstream(d + "/alumnos.csv") << students.str();
    std::ofstream(d + "/libreta.csv") << book.str();
    std::ostringstream out, err;
    qvdata::RunQvdata({"import", d, "--subjects", d + "/materias.csv", "--students", d + "/alumnos.csv",
                       "--gradebook", d + "/libreta.csv"},
                      out, err);
    return d;
  }();
  return dir;
}

// Runs a program to its end with its output thrown away; its exit status.
int Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> SheetCommand(const char* which, const std::string& pdf) {
  return {QVDATA_PROGRAM, "sheet", School(), "--subject", "8", which, "--pdf", pdf};
}

void BM_QvdataSheetProcess(benchmark::State& state) {
  const std::string pdf = School() + "/sheet.pdf";
  UseOffscreenPlatform();
  for (auto _ : state)
    if (Spawn(SheetCommand("--progress", pdf)) != 0) state.SkipWithError("qvdata sheet failed");
  state.SetLabel("40 students, 2 pages");
}
BENCHMARK(BM_QvdataSheetProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PdftotextReadBack(benchmark::State& state) {
  const std::string pdf = School() + "/read.pdf";
  if (Spawn(SheetCommand("--progress", pdf)) != 0) {
    state.SkipWithError("qvdata sheet failed");
    return;
  }
  for (auto _ : state)
    if (Spawn({"pdftotext", "-layout", pdf, School() + "/read.txt"}) != 0) state.SkipWithError("pdftotext failed");
}
BENCHMARK(BM_PdftotextReadBack)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
