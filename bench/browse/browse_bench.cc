// A browse list over a grade book of 1,000 and of 100,000 rows (4399-byte
// rows with the grade book's leading fields and subject keys, each subject
// 30 rows spread over the file), shown through the Qt back-end offscreen.
// Each operation goes in as the user's input and runs until the list is
// redisplayed: the first page of one subject, one line down from the last
// row, one page down, the thumb dragged to 50 % (with a step on the
// student's name) and a typed letter for the locator. Counters: records the
// driver read for the view per operation, and the file's size.
//
// QV_BROWSE_BENCH_BIG changes the larger file's row count.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "framework/data/error_class.h"
#include "framework/data/error_status.h"
#include "framework/data/file_manager.h"
#include "bench/qt_bench_main.h"
#include "tests/framework/data/keyed_access.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/record_queue.h"
#include "framework/window/step_locator_class.h"
#include "framework/window/step_string_class.h"
#include "framework/window/window_manager.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/view/view.h"
#include "runtime/ui/window.h"

namespace {

constexpr int kPerSubject = 30;
constexpr int kSubject = 7;
enum Field { kNroRegistro = 0, kNroLegajo, kNroOrden, kSexo, kAlumno, kCodMateria, kMaterias, kResto };
enum Key { kPrimary = 0, kMateria = 1, kMateriaAlumno = 2 };

rt::FileDeclPtr GradeDecl(const std::string& path) {
  rt::FileDeclBuilder b("QVLIBRETA", "QVL", path);
  b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10);
  b.String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").String("QVL:MATERIAS", 60);
  b.String("QVL:RESTO", 4399 - 114);
  b.Key("QVL:CLAVE_PRIMARIA", rt::kKeyPrimary | rt::kKeyExcludeBlank, {"QVL:NRO_REGISTRO"});
  b.Key("QVL:CLAVE_MATERIA", rt::kKeyDuplicates | rt::kKeyExcludeBlank, {"QVL:COD_MATERIA"});
  b.Key("QVL:CLAVE_CODMATERIA_ALUALFA", rt::kKeyDuplicates | rt::kKeyExcludeBlank,
        {"QVL:COD_MATERIA", "QVL:ALUMNO"});
  return b.Build();
}

// Writes the file through the runtime directly (stream mode).
void Generate(const std::string& path, int rows) {
  rt::FileControlBlock f(GradeDecl(path));
  if (rt::Create(f) != 0) std::abort();
  rt::Close(f);
  if (rt::Open(f) != 0) std::abort();
  rt::Stream(f);
  std::mt19937 rng(7);
  const int subjects = rows / kPerSubject;
  for (int i = 0; i < rows; ++i) {
    const int student = i / kPerSubject;
    const int subject = (student + (i % kPerSubject) * 7) % subjects + 1;
    f.clearBuffers();
    rt::setInteger(f, kNroRegistro, i + 1);
    rt::setInteger(f, kNroLegajo, student + 1);
    rt::setInteger(f, kNroOrden, i % kPerSubject + 1);
    rt::setText(f, kSexo, rng() % 2 ? "MASCULINO" : "FEMENINO");
    rt::setText(f, kAlumno, std::string(1, char('A' + rng() % 26)) + "LUMNO " + std::to_string(student));
    rt::setInteger(f, kCodMateria, subject);
    rt::setText(f, kMaterias, "MATERIA " + std::to_string(subject));
    if (rt::Add(f) != 0) std::abort();
  }
  rt::Flush(f);
  rt::Close(f);
}

// The grade book's file manager; counts the records read for views.
class GradeAccess : public fwtest::KeyedAccess {
 public:
  GradeAccess(rt::DeclaredFile* file, fw::ErrorClass* errors)
      : KeyedAccess(file, errors,
                    {{kPrimary, "QVL:CLAVE_PRIMARIA", 0}, {kMateria, "QVL:CLAVE_MATERIA", 0},
                     {kMateriaAlumno, "QVL:CLAVE_CODMATERIA_ALUALFA", 0}}) {}
  bool FunctionDone(rt::FileControlBlock& file, rt::FileNotice& n) override {
    if (n.kind == rt::FileOpKind::kRead && n.by_view) ++reads;
    return FileManager::FunctionDone(file, n);
  }
  long long reads = 0;
};

ui::WindowDef BrowseWindow() {
  ui::WindowDef d;
  d.title = "Libreta";
  d.width = 300;
  d.height = 220;
  ui::ControlDef list;
  list.type = ui::Ctl_List;
  list.x = 4, list.y = 4, list.width = 290, list.height = 200;
  list.immediate = true;
  list.vscroll = true;
  list.columns = {ui::ListColumn{"Orden", 24, 'R', 0, "@n3", 1}, ui::ListColumn{"Alumno", 120, 'L', 0, "@s30", 2},
                  ui::ListColumn{"Legajo", 40, 'R', 0, "@n7", 3}};
  d.controls = {list};
  return d;
}

rt::FileDeclPtr RowDecl() {
  rt::FileDeclBuilder b("Q", "Q", "");
  b.Short("Q:ORDEN").String("Q:ALUMNO", 30).Long("Q:LEGAJO");
  return b.Build();
}

// One open browse window over one grade book.
struct Scene {
  explicit Scene(const std::string& path) : file(GradeDecl(path)), access(&file, &errors), view(access.Block()),
                                            queue(RowDecl()), window(BrowseWindow()) {
    errors.Init(fw::ThreadErrorStatus);
    relate.Init(&access, false);
    relate.Open();
    wm.Init();
    wm.Open(window);
    step.Init(fw::Step_Alpha | fw::Step_Digits | fw::Step_Punctuation, fw::StepLookup_Runtime);
    brw.Init(1, &queue, &view, &relate, &wm);
    brw.AddSortOrder(&step, kMateriaAlumno);
    rt::setValueText(subject.ref(), std::to_string(kSubject));
    brw.AddRange(access.ref(kCodMateria), subject.ref());
    locator.Init(0, access.ref(kAlumno), true, &brw);
    brw.AddLocator(&locator);
    brw.AddField(access.ref(kNroOrden), queue.Field(1));
    brw.AddField(access.ref(kAlumno), queue.Field(2));
    brw.AddField(access.ref(kNroLegajo), queue.Field(3));
    wm.SetAlerts();
    table = qobject_cast<QTableView*>(ui::qt::QtBackend::controlWidget(window, 1));
    Settle();
  }
  ~Scene() {
    wm.Kill();
    window.close();
    relate.Close();
    relate.Kill();
  }
  // Handles every queued event, then renders the list as a repaint would.
  void Settle() {
    ui::Engine& e = ui::Engine::current();
    QApplication::processEvents();
    while (e.hasQueuedFor(&window) && e.wait(window)) wm.TakeEvent();
    (void)table->viewport()->grab();
  }
  // Scrolls back to the first page with the highlight on its last row.
  void AtTopLastRow() {
    brw.TakeScroll(ui::Event_ScrollTop);
    brw.CurrentChoice = brw.LastItems;
    brw.PostNewSelection();
    Settle();
  }

  rt::DeclaredFile file;
  fw::ErrorClass errors;
  GradeAccess access;
  fw::RelationManager relate;
  rt::View view;
  fw::RecordQueue queue;
  ui::Window window;
  fw::WindowManager wm;
  fw::BrowseClass brw;
  fw::StepStringClass step;
  fw::StepLocatorClass locator;
  fw::FieldValue subject{access.ref(kCodMateria)};
  QTableView* table = nullptr;
};

int Rows(int64_t arg) {
  if (arg != 100000) return int(arg);
  const char* v = std::getenv("QV_BROWSE_BENCH_BIG");
  return v && *v ? std::max(1000, std::atoi(v)) : 100000;
}

// The generated files, made once per size.
const std::string& File(int rows) {
  static std::map<int, std::string> files;
  static std::string dir = [] {
    char tmpl[] = "/tmp/qv_browse_bench_XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  static struct Cleanup {
    ~Cleanup() { std::filesystem::remove_all(dir); }
  } cleanup;
  auto it = files.find(rows);
  if (it == files.end()) {
    std::string path = dir + "/QVLIBRETA" + std::to_string(rows) + ".KRL";
    Generate(path, rows);
    it = files.emplace(rows, path).first;
  }
  return it->second;
}

// Runs `op` per iteration after `prepare` (not timed); counts driver reads.
template <typename Prepare, typename Op>
void Measure(benchmark::State& state, Prepare prepare, Op op) {
  const int rows = Rows(state.range(0));
  Scene scene(File(rows));
  long long reads = 0, browseReads = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepare(scene);
    long long before = scene.access.reads, brBefore = scene.brw.RecordsRead;
    state.ResumeTiming();
    op(scene);
    state.PauseTiming();
    reads += scene.access.reads - before;
    browseReads += scene.brw.RecordsRead - brBefore;
    state.ResumeTiming();
  }
  state.counters["driver_reads"] = double(reads) / double(state.iterations());
  state.counters["browse_reads"] = double(browseReads) / double(state.iterations());
  state.counters["file_rows"] = rows;
  state.counters["page_rows"] = scene.brw.LastItems;
}

void BM_FirstPage(benchmark::State& state) {
  Measure(
      state, [](Scene& s) { s.brw.CurrentChoice = 1; s.queue.Free(); },
      [](Scene& s) {
        s.brw.ResetSort(true);
        s.Settle();
      });
}

void BM_LineDown(benchmark::State& state) {
  Measure(state, [](Scene& s) { s.AtTopLastRow(); },
          [](Scene& s) {
            QTest::keyClick(s.table, Qt::Key_Down);
            s.Settle();
          });
}

void BM_PageDown(benchmark::State& state) {
  Measure(state, [](Scene& s) { s.AtTopLastRow(); },
          [](Scene& s) {
            QTest::keyClick(s.table, Qt::Key_PageDown);
            s.Settle();
          });
}

void BM_ThumbTo50(benchmark::State& state) {
  Measure(state, [](Scene& s) { s.AtTopLastRow(); },
          [](Scene& s) {
            s.window.inputScroll(1, ui::Event_ScrollDrag, 50);
            s.Settle();
          });
}

void BM_LocateLetter(benchmark::State& state) {
  Measure(state, [](Scene& s) { s.AtTopLastRow(); },
          [](Scene& s) {
            QTest::keyClick(s.table, Qt::Key_M);
            s.Settle();
          });
}

#define SIZES ->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_FirstPage) SIZES;
BENCHMARK(BM_LineDown) SIZES;
BENCHMARK(BM_PageDown) SIZES;
BENCHMARK(BM_ThumbTo50) SIZES;
BENCHMARK(BM_LocateLetter) SIZES;

}  // namespace

int main(int argc, char** argv) { return qvbench::RunWindowBenchmarks(argc, argv); }
