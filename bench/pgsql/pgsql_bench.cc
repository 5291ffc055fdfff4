// The grade-book workloads on the Kestrel driver and on the PostgreSQL
// driver side by side, both through the runtime's file layer (argument 0:
// Kestrel, 1: PostgreSQL over a Unix socket). Both are durable: Kestrel
// flushes its commits, the server runs with fsync and synchronous commits.
//
//   load      20,000 grade-book rows (4399 bytes, 12 keys) in one transaction
//   get       one row by its primary key
//   subject   one subject's 30 rows in (subject, student name) order
//   grade     read a row, change one grade, commit
//   delete    read a row and delete it
//   browse    a browse page: one subject's 30 rows of a 100,000-row grade
//             book through a view with the range filter QVL:COD_MATERIA = n
//
// Counters: round_trips (per iteration) and server_cpu_us (the server
// process's CPU per iteration, read from /proc; the benchmark's own CPU
// column is the client's). Without PGHOST in the environment the benchmark
// starts a throw-away cluster with scripts/pg-cluster.sh and stops it at
// exit. QV_PG_BENCH_BROWSE_ROWS changes the browse file's size.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/pgsql/pg_connection.h"
#include "runtime/pgsql/pgsql_driver.h"
#include "runtime/view/view.h"

namespace {

using namespace rt;

constexpr int kRows = 20000;
constexpr int kPerSubject = 30;
constexpr int kSubjects = (kRows + kPerSubject - 1) / kPerSubject;
constexpr uint16_t kRecordLength = 4399;
constexpr int kPrimary = 0;
constexpr int kSubjectStudent = 8;
enum Field { REG, LEG, ORD, MAT, MATERIAS, SEXO, ALUMNO, ANUAL, FIN1, FIN2, FIN3, PROMEDIAEN, ETADO, ETAPA1, RESTO };

// --- The server ------------------------------------------------------------------

std::string g_cluster;  // the folder of the cluster this run started

void StopCluster() {
  if (g_cluster.empty()) return;
  const std::string cmd = std::string(QV_PG_CLUSTER_SCRIPT) + " stop " + g_cluster;
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not stop %s\n", g_cluster.c_str());
}

bool Server() {
  static const bool up = [] {
    if (!std::getenv("PGHOST")) {
      g_cluster = "/tmp/qv-pg-bench-" + std::to_string(::getpid());
      const std::string cmd = std::string(QV_PG_CLUSTER_SCRIPT) + " start " + g_cluster + " --durable";
      FILE* p = ::popen(cmd.c_str(), "r");
      if (!p) return false;
      char line[512];
      while (std::fgets(line, sizeof line, p)) {
        std::string l(line);
        while (!l.empty() && l.back() == '\n') l.pop_back();
        const size_t eq = l.find('=');
        if (eq != std::string::npos) ::setenv(l.substr(0, eq).c_str(), l.substr(eq + 1).c_str(), 1);
      }
      if (::pclose(p) != 0) return false;
      std::atexit(StopCluster);
    }
    int32_t code = 0;
    std::string message;
    pgsql::PgConnection* c = pgsql::PgConnection::forThread("", &code, &message);
    if (!c) {
      std::fprintf(stderr, "no PostgreSQL server: %s\n", message.c_str());
      return false;
    }
    c->script("DROP SCHEMA IF EXISTS bench CASCADE; CREATE SCHEMA bench");
    return true;
  }();
  return up;
}

pgsql::PgConnection* Connection() {
  int32_t code = 0;
  std::string message;
  return pgsql::PgConnection::forThread("", &code, &message);
}

// CPU of the server process serving this thread, in microseconds.
double ServerCpuMicros() {
  pgsql::PgConnection* c = Connection();
  if (!c) return 0;
  std::ifstream in("/proc/" + std::to_string(c->backendPid()) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string f;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stoull(f);
    if (i == 15) stime = std::stoull(f);
  }
  return static_cast<double>(utime + stime) * 1e6 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Round trips and server CPU over a stretch of a benchmark.
struct ServerMeter {
  bool on;
  uint64_t trips = 0;
  double cpu = 0;
  explicit ServerMeter(bool postgres) : on(postgres) {
    if (on) {
      trips = pgsql::PgConnection::threadRoundTrips();
      cpu = ServerCpuMicros();
    }
  }
  void Report(benchmark::State& state) const {
    if (!on) return;
    state.counters["round_trips"] = benchmark::Counter(
        static_cast<double>(pgsql::PgConnection::threadRoundTrips() - trips), benchmark::Counter::kAvgIterations);
    state.counters["server_cpu_us"] = benchmark::Counter(ServerCpuMicros() - cpu, benchmark::Counter::kAvgIterations);
  }
};

// --- The files -------------------------------------------------------------------

std::string ScratchDir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/qv_pgsql_bench_XXXXXX";
    if (!::mkdtemp(tmpl)) std::abort();
    std::string d = tmpl;
    static std::string keep = d;
    std::atexit([] { std::filesystem::remove_all(keep); });
    return d;
  }();
  return dir;
}

FileDeclBuilder Builder(bool postgres, const std::string& name) {
  if (postgres) {
    FileDeclBuilder b("QVLIBRETA", "QVL", name, pgsql::kDriverName);
    b.DriverString("/SCHEMA=bench");
    return b;
  }
  return FileDeclBuilder("QVLIBRETA", "QVL", ScratchDir() + "/" + name + ".KRL", kestrel::kDriverName);
}

FileDeclPtr GradeBookDecl(bool postgres, const std::string& name) {
  FileDeclBuilder b = Builder(postgres, name);
  b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Long("QVL:NRO_ORDEN").Long("QVL:COD_MATERIA");
  b.String("QVL:MATERIAS", 60).String("QVL:SEXO", 1).String("QVL:ALUMNO", 60);
  b.Decimal("QVL:EVALUACION_ANUAL", 3, 2).Decimal("QVL:FINALETAPAI", 3, 2).Decimal("QVL:FINALETAPAII", 3, 2);
  b.Decimal("QVL:FINALETAPAIII", 3, 2).String("QVL:PROMEDIAEN", 10).String("QVL:ETADO", 20);
  b.Decimal("QVL:ETAPA1", 3, 2).String("QVL:RESTO", kRecordLength - 246);
  const uint8_t dup = kKeyDuplicates | kKeyExcludeBlank;
  b.Key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {"QVL:NRO_REGISTRO"});
  b.Key("QVL:CLAVE_LEGAGO", dup, {"QVL:NRO_LEGAJO", "QVL:NRO_ORDEN", "QVL:COD_MATERIA"});
  b.Key("QVL:CLAVE_MATERIA", dup, {"QVL:COD_MATERIA"});
  b.Key("QVL:CLAVE_ALFA_MATERIAS", dup, {"QVL:MATERIAS", "QVL:COD_MATERIA"});
  b.Key("QVL:CLAVE_MATERIA_ORDEN_LEGAJO", dup, {"QVL:COD_MATERIA", "QVL:NRO_REGISTRO", "QVL:NRO_LEGAJO"});
  b.Key("QVL:CLAVE_MATERIA_LEGAJOS", dup | kKeyNoCase, {"QVL:COD_MATERIA", "QVL:NRO_LEGAJO"});
  b.Key("QVL:CLAVE_MATERIA_SEXO_ALUMNO", dup, {"QVL:COD_MATERIA", "QVL:SEXO", "QVL:ALUMNO"});
  b.Key("QVL:CLAVE_MATERIA_SEXO_ALUMNO2", dup | kKeyNoCase, {"QVL:COD_MATERIA", "-QVL:SEXO", "QVL:ALUMNO"});
  b.Key("QVL:CLAVE_CODMATERIA_ALUALFA", dup, {"QVL:COD_MATERIA", "QVL:ALUMNO"});
  b.Key("QVL:CLAVE_RENDIMIENTO_ACADEMICO", kKeyDuplicates | kKeyNoCase,
        {"-QVL:EVALUACION_ANUAL", "-QVL:FINALETAPAIII", "-QVL:FINALETAPAII", "-QVL:FINALETAPAI"});
  b.Key("QVL:CLAVE_PROMEDIAEN_LEGAJO", dup | kKeyNoCase, {"QVL:PROMEDIAEN", "QVL:NRO_LEGAJO"});
  b.Key("QVL:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", dup | kKeyNoCase,
        {"QVL:NRO_LEGAJO", "QVL:ETADO", "QVL:NRO_ORDEN", "QVL:COD_MATERIA"});
  FileDeclPtr d = b.Build();
  if (!d) std::abort();
  return d;
}

void FillRow(FileControlBlock& f, int i) {
  f.clearBuffers();
  const int mat = i / kPerSubject + 1;
  setInteger(f, REG, i + 1);
  setInteger(f, LEG, 1000 + (i * 7919) % 50000);
  setInteger(f, ORD, i % kPerSubject + 1);
  setInteger(f, MAT, mat);
  setText(f, MATERIAS, "MATERIA " + std::to_string(mat));
  setText(f, SEXO, i % 2 ? "F" : "M");
  setText(f, ALUMNO, "ALUMNO " + std::to_string((i * 31) % 9973) + " " + std::to_string(i));
  const Decimal grade = *Decimal::Parse(std::to_string(4 + i % 6) + "." + std::to_string(i % 10));
  for (int field : {ANUAL, FIN1, FIN2, FIN3, ETAPA1}) setDecimal(f, field, grade);
  setText(f, PROMEDIAEN, i % 3 ? "SI" : "NO");
  setText(f, ETADO, "REGULAR");
}

std::unique_ptr<FileControlBlock> Load(bool postgres, const std::string& name, int rows) {
  auto f = std::make_unique<FileControlBlock>(GradeBookDecl(postgres, name));
  if (Create(*f) != 0) std::abort();
  if (Logout(1, {f.get()}) != 0) std::abort();
  for (int i = 0; i < rows; ++i) {
    FillRow(*f, i);
    if (Add(*f) != 0) std::abort();
  }
  if (Commit() != 0) std::abort();
  return f;
}

bool Ready(benchmark::State& state, bool postgres) {
  kestrel::RegisterKestrelDriver();
  pgsql::RegisterPgsqlDriver();
  if (postgres && !Server()) {
    state.SkipWithError("no PostgreSQL server");
    return false;
  }
  return true;
}

// The read and change workloads share one loaded grade book per driver.
FileControlBlock& Book(bool postgres) {
  static FileControlBlock* books[2] = {nullptr, nullptr};
  FileControlBlock*& b = books[postgres ? 1 : 0];
  if (!b) b = Load(postgres, "gradebook", kRows).release();
  return *b;
}

void SetPrimary(FileControlBlock& f, int reg) {
  f.clearBuffers();
  setInteger(f, REG, reg);
}

void BM_Load(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  int n = 0;
  for (auto _ : state) {
    ServerMeter meter(pg);
    auto f = Load(pg, "load" + std::to_string(++n), kRows);
    state.PauseTiming();
    meter.Report(state);
    Close(*f);
    f.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
}

void BM_Get(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  FileControlBlock& f = Book(pg);
  std::mt19937 rng(1);
  ServerMeter meter(pg);
  for (auto _ : state) {
    SetPrimary(f, static_cast<int>(rng() % kRows) + 1);
    if (Get(f, kPrimary) != 0) state.SkipWithError("get failed");
  }
  meter.Report(state);
}

void BM_Subject(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  FileControlBlock& f = Book(pg);
  std::mt19937 rng(2);
  ServerMeter meter(pg);
  for (auto _ : state) {
    f.clearBuffers();
    setInteger(f, MAT, static_cast<int>(rng() % (kSubjects - 1)) + 1);
    SetKeyKey(f, kSubjectStudent);
    int n = 0;
    while (n < kPerSubject && Next(f) == 0) ++n;
    if (n != kPerSubject) state.SkipWithError("short subject");
  }
  meter.Report(state);
}

void BM_ChangeGrade(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  FileControlBlock& f = Book(pg);
  static std::mt19937 rng(3);
  ServerMeter meter(pg);
  for (auto _ : state) {
    SetPrimary(f, static_cast<int>(rng() % kRows) + 1);
    if (Get(f, kPrimary) != 0) state.SkipWithError("get failed");
    setDecimal(f, ETAPA1, *Decimal::Parse(std::to_string(rng() % 10) + ".5"));
    Logout(1, {&f});
    if (Put(f) != 0) state.SkipWithError("put failed");
    if (Commit() != 0) state.SkipWithError("commit failed");
  }
  meter.Report(state);
}

void BM_Delete(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  FileControlBlock& f = Book(pg);
  static int next[2] = {kRows, kRows};
  ServerMeter meter(pg);
  for (auto _ : state) {
    SetPrimary(f, next[pg ? 1 : 0]--);
    if (Get(f, kPrimary) != 0 || Delete(f) != 0) state.SkipWithError("delete failed");
  }
  meter.Report(state);
}

// The browse file: the leading fields and subject keys of the grade book,
// rows added student by student so that a subject's rows lie apart.
FileControlBlock& BrowseBook(bool postgres, int* subjects) {
  static FileControlBlock* books[2] = {nullptr, nullptr};
  const char* env = std::getenv("QV_PG_BENCH_BROWSE_ROWS");
  const int rows = std::max(kPerSubject, env && *env ? std::atoi(env) : 100000);
  *subjects = rows / kPerSubject;
  FileControlBlock*& b = books[postgres ? 1 : 0];
  if (b) return *b;
  FileDeclBuilder d = Builder(postgres, "browse");
  d.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10);
  d.String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").String("QVL:MATERIAS", 60);
  d.String("QVL:RESTO", kRecordLength - 114);
  d.Key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {"QVL:NRO_REGISTRO"});
  d.Key("QVL:CLAVE_MATERIA", kKeyDuplicates | kKeyExcludeBlank, {"QVL:COD_MATERIA"});
  d.Key("QVL:CLAVE_CODMATERIA_ALUALFA", kKeyDuplicates | kKeyExcludeBlank, {"QVL:COD_MATERIA", "QVL:ALUMNO"});
  b = new FileControlBlock(d.Build());
  FileControlBlock& f = *b;
  if (Create(f) != 0) std::abort();
  std::mt19937 rng(7);
  const int subs = *subjects;
  if (Logout(1, {&f}) != 0) std::abort();
  for (int i = 0; i < rows; ++i) {
    const int student = i / kPerSubject;
    const int subject = (student + (i % kPerSubject) * 7) % subs + 1;
    f.clearBuffers();
    setInteger(f, 0, i + 1);
    setInteger(f, 1, student + 1);
    setInteger(f, 2, i % kPerSubject + 1);
    setText(f, 3, rng() % 2 ? "MASCULINO" : "FEMENINO");
    setText(f, 4, "ALUMNO " + std::to_string(rng() % (subs * 4)));
    setInteger(f, 5, subject);
    setText(f, 6, "MATERIA " + std::to_string(subject));
    if (Add(f) != 0) std::abort();
    if (i % 5000 == 4999) {  // commits along the way keep the transaction small
      if (Commit() != 0 || Logout(1, {&f}) != 0) std::abort();
    }
  }
  if (Commit() != 0) std::abort();
  return f;
}

void BM_BrowsePage(benchmark::State& state) {
  const bool pg = state.range(0) != 0;
  if (!Ready(state, pg)) return;
  int subjects = 0;
  FileControlBlock& f = BrowseBook(pg, &subjects);
  View v(f);
  v.SetOrder("QVL:COD_MATERIA,QVL:ALUMNO");
  v.Open();
  int subject = 1;
  int64_t rows = 0, pages = 0;
  ServerMeter meter(pg);
  for (auto _ : state) {
    v.SetFilter("QVL:COD_MATERIA = " + std::to_string(subject));
    v.Set();
    v.SetProperty(kPropPrefetchCount, "30");
    while (v.Next() == 0) ++rows;
    ++pages;
    subject = subject % subjects + 1;
  }
  meter.Report(state);
  state.counters["rows_per_page"] = static_cast<double>(rows) / static_cast<double>(pages);
  state.counters["file_rows"] = subjects * kPerSubject;
}

BENCHMARK(BM_Load)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Get)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Subject)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChangeGrade)->Arg(0)->Arg(1)->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Delete)->Arg(0)->Arg(1)->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrowsePage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
