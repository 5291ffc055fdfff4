// Edit in place on a 40-row page of one subject in a grade book of 100,000
// rows (4399-byte rows), through the Qt back-end offscreen. Each key goes
// in as the user's input and runs until the engine has handled every event
// it raised:
//   BM_TabToNextCell   Tab (or Shift+Tab) in a grade cell until the next
//                      cell's entry is open and focused
//   BM_EnterSavesRow   a typed row completed with Enter: the record is
//                      written (one record, one commit) and the page reloaded
//   BM_PlainCommit     the same record written by RelationManager::Update
//                      on an open of its own, with no window: the commit's
//                      floor
// Counters: writes plus flushes and flushes alone per operation, as the
// Kestrel OS layer counts them, and the rows of the page. BM_EnterSavesRow
// also reports the plain commit's (plain_*), measured in the same run just
// before its window opens, so the two sit side by side.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/data/error_class.h"
#include "framework/data/error_status.h"
#include "framework/data/file_manager.h"
#include "bench/qt_bench_main.h"
#include "tests/framework/data/keyed_access.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/browse_eip_manager.h"
#include "framework/window/edit_entry_class.h"
#include "framework/window/record_queue.h"
#include "framework/window/request_codes.h"
#include "framework/window/window_manager.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/kestrel/os/fault_injection.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace {

constexpr int kRows = 100000;
constexpr int kPerSubject = 60;
constexpr int kSubject = 7;
enum Field { kNroRegistro = 0, kNroOrden, kAlumno, kCodMateria, kEtapa1, kEtapa2, kResto };

rt::FileDeclPtr GradeDecl(const std::string& path) {
  rt::FileDeclBuilder b("QVLIBRETA", "QVL", path);
  b.Long("QVL:NRO_REGISTRO").Short("QVL:NRO_ORDEN").String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA");
  b.Decimal("QVL:ETAPA1", 4, 2).Decimal("QVL:ETAPA2", 4, 2);
  b.String("QVL:RESTO", 4399 - 48);
  b.Key("QVL:CLAVE_PRIMARIA", rt::kKeyPrimary | rt::kKeyExcludeBlank, {"QVL:NRO_REGISTRO"});
  b.Key("QVL:CLAVE_MATERIA", rt::kKeyDuplicates | rt::kKeyExcludeBlank, {"QVL:COD_MATERIA", "QVL:NRO_ORDEN"});
  return b.Build();
}

void Generate(const std::string& path) {
  rt::FileControlBlock f(GradeDecl(path));
  if (rt::Create(f) != 0) std::abort();
  rt::Close(f);
  if (rt::Open(f) != 0) std::abort();
  rt::Stream(f);
  for (int i = 0; i < kRows; ++i) {
    f.clearBuffers();
    rt::setInteger(f, kNroRegistro, i + 1);
    rt::setInteger(f, kNroOrden, i % kPerSubject + 1);
    rt::setText(f, kAlumno, "ALUMNO " + std::to_string(i));
    rt::setInteger(f, kCodMateria, i / kPerSubject + 1);
    if (rt::Add(f) != 0) std::abort();
  }
  rt::Flush(f);
  rt::Close(f);
}

class GradeAccess : public fwtest::KeyedAccess {
 public:
  GradeAccess(rt::DeclaredFile* file, fw::ErrorClass* errors)
      : KeyedAccess(file, errors, {{0, "QVL:CLAVE_PRIMARIA", 0}, {1, "QVL:CLAVE_MATERIA", 0}}) {}
};

ui::WindowDef BrowseWindow() {
  ui::WindowDef d;
  d.title = "Libreta";
  d.width = 300;
  d.height = 460;
  ui::ControlDef list;
  list.type = ui::Ctl_List;
  list.x = 4, list.y = 4, list.width = 290, list.height = 440;
  list.immediate = true;
  list.vscroll = true;
  list.columns = {ui::ListColumn{"Orden", 24, 'R', 0, "@n3"}, ui::ListColumn{"Alumno", 120, 'L', 0, "@s30"},
                  ui::ListColumn{"Eval. 1", 40, 'C', 0, "@n5.2B"}, ui::ListColumn{"Eval. 2", 40, 'C', 0, "@n5.2B"}};
  d.controls = {list};
  return d;
}

rt::FileDeclPtr RowDecl() {
  rt::FileDeclBuilder b("Q", "Q", "");
  b.Short("Q:ORDEN").String("Q:ALUMNO", 30).Decimal("Q:E1", 4, 2).Decimal("Q:E2", 4, 2);
  return b.Build();
}

struct Scene {
  explicit Scene(const std::string& path)
      : file(GradeDecl(path)), access(&file, &errors), view(access.Block()), queue(RowDecl()),
        window(BrowseWindow()) {
    errors.Init(fw::ThreadErrorStatus);
    relate.Init(&access, false);
    relate.Open();
    wm.Init();
    wm.Open(window);
    wm.Errors = &errors;
    brw.Init(1, &queue, &view, &relate, &wm);
    brw.AddSortOrder(nullptr, 1);
    rt::setValueText(subject.ref(), std::to_string(kSubject));
    brw.AddRange(access.ref(kCodMateria), subject.ref());
    brw.AddField(access.ref(kNroOrden), queue.Field(1));
    brw.AddField(access.ref(kAlumno), queue.Field(2));
    brw.AddField(access.ref(kEtapa1), queue.Field(3));
    brw.AddField(access.ref(kEtapa2), queue.Field(4));
    brw.EnterAction = 1;
    brw.TabAction = 1;
    brw.AddEditControl(nullptr, 1);
    brw.AddEditControl(nullptr, 2);
    brw.AddEditControl(&e1, 3);
    brw.AddEditControl(&e2, 4);
    wm.SetAlerts();
    table = qobject_cast<QTableView*>(ui::qt::QtBackend::controlWidget(window, 1));
    Settle(wm);
  }
  ~Scene() {
    wm.Kill();
    window.close();
    relate.Close();
    relate.Kill();
  }
  // Applies the input given so far and handles every event it raised with
  // `m`; false when `m` ended its loop. A marker queued behind the input
  // tells when the engine has reached it (typing may raise no event).
  bool Settle(fw::WindowManager& m) {
    ui::Engine& e = ui::Engine::current();
    QApplication::processEvents();
    const int mark = ++marks;
    e.queueInput(&window, [this, &e, mark] { e.post(kMarker, mark, &window); });
    bool running = true;
    while (e.wait(window)) {
      if (e.event() == kMarker) {
        if (e.field() == mark) break;
        continue;
      }
      if (running && m.TakeEvent() == fw::Level::Fatal) running = false;
    }
    return running;
  }
  static constexpr int kMarker = 0x7F00;
  int marks = 0;
  // A change edit of the highlighted row, as the change button starts it.
  void StartEdit() {
    brw.UpdateViewRecord();
    brw.CheckEIP();
    fw::BrowseEIPManager& eip = *brw.EIP;
    eip.Req = fw::Request_Change;
    eip.Again = 1;
    eip.Response = fw::Response_Cancelled;
    eip.Column = 3;
    eip.Init();
    Settle(eip);
  }
  void EndEdit() {
    brw.EIP->Kill();
    Settle(wm);
  }
  QWidget* Focused() { return ui::qt::QtBackend::controlWidget(window, window.focus()); }

  rt::DeclaredFile file;
  fw::ErrorClass errors;
  GradeAccess access;
  fw::RelationManager relate;
  rt::View view;
  fw::RecordQueue queue;
  ui::Window window;
  fw::WindowManager wm;
  fw::BrowseClass brw;
  fw::EditEntryClass e1, e2;
  fw::FieldValue subject{access.ref(kCodMateria)};
  QTableView* table = nullptr;
};

const std::string& File() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/qv_eip_bench_XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  static struct Cleanup {
    ~Cleanup() { std::filesystem::remove_all(dir); }
  } cleanup;
  static std::string path = [] {
    std::string p = dir + "/QVLIBRETA.KRL";
    Generate(p);
    return p;
  }();
  return path;
}

void Report(benchmark::State& state, Scene& s, int64_t ops, int64_t flushes) {
  state.counters["writes_and_flushes"] = benchmark::Counter(double(ops), benchmark::Counter::kAvgIterations);
  state.counters["flushes"] = benchmark::Counter(double(flushes), benchmark::Counter::kAvgIterations);
  state.counters["page_rows"] = s.brw.LastItems;
  state.counters["file_rows"] = kRows;
}

void BM_TabToNextCell(benchmark::State& state) {
  Scene s(File());
  s.StartEdit();
  int64_t ops = 0, flushes = 0;
  bool forward = true;
  for (auto _ : state) {
    const int64_t o = kestrel::fault::OperationsSeen(), f = kestrel::fault::FlushesSeen();
    QTest::keyClick(s.Focused(), forward ? Qt::Key_Tab : Qt::Key_Backtab,
                    forward ? Qt::NoModifier : Qt::ShiftModifier);
    s.Settle(*s.brw.EIP);
    ops += kestrel::fault::OperationsSeen() - o;
    flushes += kestrel::fault::FlushesSeen() - f;
    state.PauseTiming();
    if (s.brw.EIP->Column != (forward ? 4 : 3)) {
      state.SkipWithError("the entry did not move");
      break;
    }
    forward = !forward;
    state.ResumeTiming();
  }
  s.brw.EIP->TakeCompleted(fw::Completion_Abandon);
  s.EndEdit();
  Report(state, s, ops, flushes);
}

// Every save writes another grade than the row holds, across runs too.
int NextGrade() {
  static int value = 0;
  value = value % 9 + 1;
  return value;
}

// The record the edit changes: the first row of the subject's page.
constexpr int kEditedRecord = (kSubject - 1) * kPerSubject + 1;

// The edited record written by its relation manager without a window, on an
// open of its own. No error class: a refused write returns instead of
// waiting on a message box that nobody answers.
struct PlainCommit {
  explicit PlainCommit(const std::string& path) : file(GradeDecl(path)), access(&file, nullptr) {
    relate.Init(&access, false);
    relate.Open();
  }
  ~PlainCommit() {
    relate.Close();
    relate.Kill();
  }
  // Reads the record (untimed), then writes it; false when it was not written.
  bool Write(benchmark::State* timed, int64_t& ops, int64_t& flushes) {
    rt::setInteger(access.Block(), kNroRegistro, kEditedRecord);
    if (access.TryFetch(0) != fw::Level::Benign) return false;
    rt::setValueText(access.ref(kEtapa1), std::to_string(NextGrade()));
    const int64_t o = kestrel::fault::OperationsSeen(), f = kestrel::fault::FlushesSeen();
    if (timed) timed->ResumeTiming();
    const fw::Level r = relate.Update(false);
    if (timed) timed->PauseTiming();
    ops += kestrel::fault::OperationsSeen() - o;
    flushes += kestrel::fault::FlushesSeen() - f;
    return r == fw::Level::Benign;
  }

  rt::DeclaredFile file;
  GradeAccess access;
  fw::RelationManager relate;
};

void BM_PlainCommit(benchmark::State& state) {
  PlainCommit p(File());
  int64_t ops = 0, flushes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!p.Write(&state, ops, flushes)) {
      state.SkipWithError("the record was not written");
      break;
    }
    state.ResumeTiming();
  }
  state.counters["writes_and_flushes"] = benchmark::Counter(double(ops), benchmark::Counter::kAvgIterations);
  state.counters["flushes"] = benchmark::Counter(double(flushes), benchmark::Counter::kAvgIterations);
}

void BM_EnterSavesRow(benchmark::State& state) {
  // The plain commit first, its open closed again before the window opens.
  // Written under an open browse, the record would no longer match its row:
  // the next edit's read reports it (message 9) and waits on a message box
  // that nobody answers here.
  constexpr int kPlain = 8;
  int64_t plainOps = 0, plainFlushes = 0;
  {
    PlainCommit p(File());
    for (int i = 0; i < kPlain; ++i) {
      if (!p.Write(nullptr, plainOps, plainFlushes)) {
        state.SkipWithError("the plain commit did not write the record");
        return;
      }
    }
  }
  Scene s(File());
  int64_t ops = 0, flushes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.StartEdit();
    const int value = NextGrade();
    if (auto* entry = qobject_cast<QLineEdit*>(s.Focused())) entry->selectAll();
    QTest::keyClicks(s.Focused(), QString::number(value));
    s.Settle(*s.brw.EIP);
    const int64_t o = kestrel::fault::OperationsSeen(), f = kestrel::fault::FlushesSeen();
    state.ResumeTiming();
    QTest::keyClick(s.Focused(), Qt::Key_Return);
    s.Settle(*s.brw.EIP);
    s.EndEdit();
    state.PauseTiming();
    ops += kestrel::fault::OperationsSeen() - o;
    flushes += kestrel::fault::FlushesSeen() - f;
    if (s.brw.EIP->Response != fw::Response_Completed) {
      state.SkipWithError("the row was not saved");
      break;
    }
    state.ResumeTiming();
  }
  Report(state, s, ops, flushes);
  state.counters["plain_writes_and_flushes"] = double(plainOps) / kPlain;
  state.counters["plain_flushes"] = double(plainFlushes) / kPlain;
}

BENCHMARK(BM_TabToNextCell)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterSavesRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCommit)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qvbench::RunWindowBenchmarks(argc, argv); }
