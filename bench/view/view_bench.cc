// Reading one subject of a grade book through a view: 100,000 rows of 4399
// bytes with the grade book's leading fields and subject keys; each subject
// has 30 rows spread over the whole file (rows are added student by
// student). A view ordered by subject with the filter the browse builds
// for its range ("QVL:COD_MATERIA = n") seeks to the subject and stops at
// its end; the counters show the records the driver read per page, counted
// through the file's notices. The full scan beside it is the same filter
// with an order no key gives the range to (every row is read).
//
// QV_VIEW_BENCH_ROWS and QV_VIEW_BENCH_ROW_BYTES change the file's size.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/view/view.h"

namespace rt {
namespace {

constexpr int kPerSubject = 30;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

class ReadCounter : public FileCallback {
 public:
  bool FunctionCalled(FileControlBlock&, FileNotice&) override { return true; }
  bool FunctionDone(FileControlBlock&, FileNotice& n) override {
    if (n.kind == FileOpKind::kRead && n.by_view) ++reads;
    return true;
  }
  int64_t reads = 0;
};

struct GradeBook {
  std::string dir;
  std::unique_ptr<FileControlBlock> file;
  int rows = 0;
  int subjects = 0;

  GradeBook() {
    kestrel::RegisterKestrelDriver();
    rows = std::max(kPerSubject, EnvInt("QV_VIEW_BENCH_ROWS", 100000));
    const int row_bytes = std::clamp(EnvInt("QV_VIEW_BENCH_ROW_BYTES", 4399), 200, 15000);
    subjects = rows / kPerSubject;
    char tmpl[] = "/tmp/qv_view_bench_XXXXXX";
    dir = mkdtemp(tmpl);
    FileDeclBuilder b("QVLIBRETA", "QVL", dir + "/QVLIBRETA.KRL");
    b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10);
    b.String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").String("QVL:MATERIAS", 60);
    b.String("QVL:RESTO", static_cast<uint16_t>(row_bytes - 114));
    b.Key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {"QVL:NRO_REGISTRO"});
    b.Key("QVL:CLAVE_MATERIA", kKeyDuplicates | kKeyExcludeBlank, {"QVL:COD_MATERIA"});
    b.Key("QVL:CLAVE_CODMATERIA_ALUALFA", kKeyDuplicates | kKeyExcludeBlank, {"QVL:COD_MATERIA", "QVL:ALUMNO"});
    file = std::make_unique<FileControlBlock>(b.Build());
    FileControlBlock& f = *file;
    if (Create(f) != 0) std::abort();
    Close(f);
    if (Open(f) != 0) std::abort();
    Stream(f);
    std::mt19937 rng(7);
    // Student by student: each student takes a run of subjects, so a
    // subject's rows lie far apart in the file.
    const int students = subjects;
    for (int i = 0; i < rows; ++i) {
      const int student = i / kPerSubject;
      const int subject = (student + (i % kPerSubject) * 7) % subjects + 1;
      f.clearBuffers();
      setInteger(f, 0, i + 1);
      setInteger(f, 1, student + 1);
      setInteger(f, 2, i % kPerSubject + 1);
      setText(f, 3, rng() % 2 ? "MASCULINO" : "FEMENINO");
      setText(f, 4, "ALUMNO " + std::to_string(rng() % (students * 4)));
      setInteger(f, 5, subject);
      setText(f, 6, "MATERIA " + std::to_string(subject));
      if (Add(f) != 0) std::abort();
    }
    Flush(f);
  }
  ~GradeBook() {
    file.reset();
    std::filesystem::remove_all(dir);
  }
};

GradeBook& Book() {
  static GradeBook book;
  return book;
}

void ReadSubject(benchmark::State& state, const char* order) {
  GradeBook& book = Book();
  ReadCounter counter;
  book.file->callback = &counter;
  View v(*book.file);
  v.SetOrder(order);
  v.Open();
  int subject = 1;
  int64_t rows = 0, pages = 0;
  for (auto _ : state) {
    v.SetFilter("QVL:COD_MATERIA = " + std::to_string(subject));
    v.Set();
    v.SetProperty(kPropPrefetchCount, "30");
    while (v.Next() == 0) ++rows;
    ++pages;
    subject = subject % book.subjects + 1;
  }
  book.file->callback = nullptr;
  state.counters["rows_per_page"] = static_cast<double>(rows) / pages;
  state.counters["reads_per_page"] = static_cast<double>(counter.reads) / pages;
  state.counters["file_rows"] = book.rows;
  state.counters["ranged"] = v.ranged();
}

void BM_SubjectPage(benchmark::State& state) { ReadSubject(state, "QVL:COD_MATERIA"); }
void BM_SubjectPageByName(benchmark::State& state) { ReadSubject(state, "QVL:COD_MATERIA,QVL:ALUMNO"); }
// No key serves this order for a range: every row of the file is read.
void BM_SubjectFullScan(benchmark::State& state) { ReadSubject(state, "QVL:NRO_REGISTRO"); }

// One compiled filter evaluated on a record buffer: three terms of the
// kinds a browse's filter has.
void BM_FilterEvaluate(benchmark::State& state) {
  FileDeclBuilder b("QVLIBRETA", "QVL", "QVLIBRETA.KRL");
  b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10);
  b.String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").Decimal("QVL:FINAL", 3, 2);
  FileControlBlock f(b.Build());
  setInteger(f, 5, 12);
  setText(f, 4, "Perez, Ana");
  setText(f, 3, "FEMENINO");
  setDecimal(f, 6, *Decimal::Parse("7.5"));
  Bindings names;
  names.BindFile(f);
  Expression e;
  if (e.Compile("QVL:COD_MATERIA = 12 AND UPPER(QVL:ALUMNO) >= 'M' AND QVL:SEXO <> 'X' AND QVL:FINAL >= 7", names) != 0) {
    state.SkipWithError("compile");
    return;
  }
  int64_t passed = 0;
  for (auto _ : state) passed += e.Test();
  benchmark::DoNotOptimize(passed);
}

BENCHMARK(BM_FilterEvaluate);
BENCHMARK(BM_SubjectPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubjectPageByName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubjectFullScan)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace rt

BENCHMARK_MAIN();
