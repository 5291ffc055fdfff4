// The follow-up window's two costs a teacher feels, over a sample school
// (qvdata demo) in a scratch folder:
//
// BM_GradeKeyToRow: a grade typed into a cell of the real window (Qt,
// offscreen) and Tab, from the key press to the row on screen showing its
// new status: the engine takes the key, the edit class runs the grade rule,
// the list redraws the row. The grade alternates between 6 and 8 so that
// the status flips every time. Goal: under one frame (16 ms).
//
// BM_SalirForty: "Salir" on a subject of 40 students: every row re-read,
// the rule applied, the row and its history written in one transaction.
//
// On a grade book of 100,000 rows whose subject shows a page of 40, each
// action sent as the platform's key events to the real window and timed to
// the moment its result is ready, as wall time and as this process's CPU
// time (counter cpu_ms) per action:
// BM_AltEToEditor: Alt+E ("&Editar") until the editor sits on the row's
//   first grade cell with the keyboard. Goal: within one frame (16 ms).
// BM_CellTab: a grade and Tab until the next cell's editor has the keyboard.
// BM_RowSaveWithHistory: a grade and Enter until the row and its history
//   are written and the list holds the keyboard again.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>
#include <QWindow>
#include <QTimer>
#include <QtTest/QTest>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "app/followup/follow_up_procedure.h"
#include "app/followup/recalculate_subject.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/qt/qt_backend.h"
#include "tools/qvdata/commands.h"
#include "bench/offscreen_platform.h"

namespace {

namespace fu = app::followup;
using Clock = std::chrono::steady_clock;

std::string g_dir;

// A school whose first teacher's first subject has `students` grade-book
// rows (copies of its first row with new file numbers), every grade 8.
int32_t PrepareSchool(int students, int32_t* teacherOut) {
  rt::FileControlBlock m(app::QVMATERIASDecl());
  m.name = g_dir + "/QVMaterias.KRL";
  rt::Open(m, rt::kAccessRead | rt::kShareDenyNone);
  rt::SetKey(m, m.decl().findKey("QVM:CLAVE_DNI_PROFESOR"));
  int32_t teacher = 0, subject = 0;
  while (rt::Next(m) == 0 && teacher == 0) {
    teacher = int32_t(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0));
    subject = int32_t(rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0));
  }
  rt::Close(m);
  *teacherOut = teacher;

  rt::FileControlBlock l(app::QVLIBRETADecl());
  l.name = g_dir + "/QVLIBRETA.KRL";
  rt::Open(l, rt::kAccessReadWrite | rt::kShareDenyNone);
  const int cod = l.decl().findField("QVL:COD_MATERIA");
  auto grades = [&](rt::FileControlBlock& f) {
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})
      rt::setValueText(rt::findFieldRef(f, "QVL:ETAPA" + std::to_string(k)), "8");
    rt::setValueText(rt::findFieldRef(f, "QVL:ETAPA12"), "0");
  };
  int have = 0;
  std::vector<uint8_t> model;
  rt::SetFile(l);
  while (rt::Next(l) == 0) {
    if (rt::getInteger(l, cod).value_or(0) != subject) continue;
    grades(l);
    rt::Put(l);
    if (model.empty()) model = l.record;
    ++have;
  }
  for (int i = have; i < students; ++i) {
    l.record = model;
    rt::setInteger(l, l.decl().findField("QVL:NRO_LEGAJO"), 900000 + i);
    rt::setInteger(l, l.decl().findField("QVL:NRO_REGISTRO"), 900000 + i);
    rt::Add(l);
  }
  rt::Close(l);
  return subject;
}

// Grows the grade book to `total` rows with rows of other subjects, in one transaction.
void FillGradeBook(int total) {
  rt::FileControlBlock l(app::QVLIBRETADecl());
  l.name = g_dir + "/QVLIBRETA.KRL";
  rt::Open(l, rt::kAccessReadWrite | rt::kShareDenyNone);
  const int64_t have = rt::Records(l);
  rt::SetFile(l);
  rt::Next(l);
  const std::vector<uint8_t> model = l.record;
  rt::Logout(5, {&l});
  for (int64_t i = have; i < total; ++i) {
    l.record = model;
    rt::setInteger(l, l.decl().findField("QVL:COD_MATERIA"), int32_t(800000 + i / 50));
    rt::setInteger(l, l.decl().findField("QVL:NRO_LEGAJO"), int32_t(1000000 + i));
    rt::setInteger(l, l.decl().findField("QVL:NRO_REGISTRO"), int32_t(1000000 + i));
    rt::Add(l);
  }
  rt::Commit();
  rt::Close(l);
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Program {
  Program() {
    app::GlobalErrors.Init(fw::ThreadErrorStatus);
    app::AddAppMessages(app::GlobalErrors);
    app::INIMgr.Init("QVAPP.INI", 0, 0);
    app::ThreadStart();
    app::DctInit();
  }
  ~Program() {
    app::ThreadEnd();
    app::INIMgr.Kill();
  }
};

void SignedIn(int32_t dni) {
  app::Relate_QVMATERIAS->Open();
  rt::FileControlBlock& m = app::Access_QVMATERIAS->Block();
  rt::setInteger(m, m.decl().findField("QVM:DNI_DOCENTE"), dni);
  app::Access_QVMATERIAS->Fetch(m.decl().findKey("QVM:CLAVE_DNI_PROFESOR"));
  app::Relate_QVMATERIAS->Close();
}

void BM_GradeKeyToRow(benchmark::State& state) {
  int32_t teacher = 0;
  PrepareSchool(0, &teacher);
  Program program;
  ui::qt::QtBackend backend;
  SignedIn(teacher);
  fu::FollowUpProcedure p;
  auto widget = [&](int c) { return ui::qt::QtBackend::controlWidget(p.window, c); };
  auto status = [&] {
    auto* t = qobject_cast<QTableView*>(widget(fu::LIST_2));
    return t->model()->index(0, 19).data().toString().trimmed().toStdString();
  };
  auto focused = [&] { return widget(p.window.focus()); };

  enum Phase { kWaitOpen, kStartEdit, kPress, kWaitRow, kBack, kDone } phase = kWaitOpen;
  Clock::time_point sent;
  std::string want;
  int flip = 0;
  QObject context;
  std::function<void()> tick = [&] {
    switch (phase) {
      case kWaitOpen:
        if (p.BRW2.Loaded && widget(fu::LIST_2) && widget(fu::LIST_2)->isVisible()) phase = kStartEdit;
        break;
      case kStartEdit:
        QTest::mouseClick(widget(fu::CHANGE), Qt::LeftButton);  // the editor opens on "Eval. 1"
        phase = kPress;
        break;
      case kPress:
        if (!state.KeepRunning()) {
          QTest::keyClick(focused(), Qt::Key_Escape);
          phase = kDone;
          break;
        }
        want = (flip ^= 1) ? "RECUPERA" : "APRUEBA";
        sent = Clock::now();
        QTest::keyClicks(focused(), flip ? "6" : "8");
        QTest::keyClick(focused(), Qt::Key_Tab);
        phase = kWaitRow;
        break;
      case kWaitRow:
        if (status() != want) break;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - sent).count());
        QTest::keyClick(focused(), Qt::Key_Backtab, Qt::ShiftModifier);  // back to "Eval. 1"
        phase = kBack;
        break;
      case kBack:
        phase = kPress;
        break;
      case kDone:
        p.window.inputCloseRequest();
        return;
    }
    QTimer::singleShot(0, &context, tick);
  };
  QTimer::singleShot(0, &context, tick);
  p.Run();
}
BENCHMARK(BM_GradeKeyToRow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_SalirForty(benchmark::State& state) {
  int32_t teacher = 0;
  const int32_t subject = PrepareSchool(40, &teacher);
  Program program;
  app::Relate_QVLIBRETA->Open();
  app::GradeRuleWork work;
  int64_t rows = 0;
  for (auto _ : state) {
    fu::RecalculationResult r = fu::RecalculateSubject(subject, work, {.dni = teacher, .program = {}});
    rows = r.saved;
  }
  app::Relate_QVLIBRETA->Close();
  state.counters["rows_saved"] = double(rows);
}
BENCHMARK(BM_SalirForty)->Unit(benchmark::kMillisecond)->Iterations(5);

// One edit action after another on the real window, each from its keys to
// `ready()`; `reset` brings the window back to where the action starts.
struct ActionRun {
  std::function<void(QWindow*)> start;        // before the first action (untimed)
  std::function<bool()> startDone;
  std::function<void(QWindow*)> act;          // the action's keys
  std::function<bool()> ready;                // its result is there
  std::function<void(QWindow*)> reset;        // back to the start (untimed)
  std::function<bool()> resetDone;
};

void RunActions(benchmark::State& state, fu::FollowUpProcedure& p, const ActionRun& run) {
  auto list = [&] { return ui::qt::QtBackend::controlWidget(p.window, fu::LIST_2); };
  enum Phase { kWaitOpen, kStart, kWaitStart, kAct, kWait, kReset, kWaitReset, kDone } phase = kWaitOpen;
  Clock::time_point sent;
  double cpu0 = 0, cpu = 0;
  int64_t n = 0;
  QObject context;
  QWindow* w = nullptr;
  std::function<void()> tick = [&] {
    switch (phase) {
      case kWaitOpen:
        if (p.BRW2.Loaded && list() && list()->isVisible() && p.window.focus() == fu::LIST_2) {
          w = ui::qt::QtBackend::windowWidget(p.window)->windowHandle();
          phase = kStart;
        }
        break;
      case kStart:
        if (run.start) run.start(w);
        phase = kWaitStart;
        break;
      case kWaitStart:
        if (!run.startDone || run.startDone()) phase = kAct;
        break;
      case kAct:
        if (!state.KeepRunning()) {
          phase = kDone;
          break;
        }
        sent = Clock::now();
        cpu0 = CpuSeconds();
        run.act(w);
        phase = kWait;
        break;
      case kWait:
        if (!run.ready()) break;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - sent).count());
        cpu += CpuSeconds() - cpu0;
        ++n;
        phase = kReset;
        break;
      case kReset:
        if (run.reset) run.reset(w);
        phase = kWaitReset;
        break;
      case kWaitReset:
        if (!run.resetDone || run.resetDone()) phase = kAct;
        break;
      case kDone:
        // A key sent now would outlive this window and reach the next one.
        p.window.inputCloseRequest();
        return;
    }
    QTimer::singleShot(0, &context, tick);
  };
  QTimer::singleShot(0, &context, tick);
  p.Run();
  state.counters["cpu_ms"] = n ? cpu * 1000 / double(n) : 0;
}

// The school of the three action benchmarks: 100,000 grade-book rows, 40 in
// the first teacher's first subject.
int32_t BigSchool() {
  static int32_t teacher = 0;
  if (teacher == 0) {
    PrepareSchool(40, &teacher);
    FillGradeBook(100000);
  }
  return teacher;
}

// The big school's follow-up window for its first teacher, ready to run.
struct BigSchoolWindow {
  BigSchoolWindow() { SignedIn(teacher); }
  int32_t teacher = BigSchool();
  Program program;
  ui::qt::QtBackend backend;
  fu::FollowUpProcedure p;
};

bool EditorHasKeys(fu::FollowUpProcedure& p) {
  QWidget* e = ui::qt::QtBackend::controlWidget(p.window, p.window.focus());
  return p.window.focus() > fu::DELETE && e && e->isVisible() && e->hasFocus();
}

void BM_AltEToEditor(benchmark::State& state) {
  BigSchoolWindow big;
  fu::FollowUpProcedure& p = big.p;
  RunActions(state, p,
             {.start = nullptr,
              .startDone = nullptr,
              .act = [](QWindow* w) { QTest::keyClick(w, Qt::Key_E, Qt::AltModifier); },
              .ready = [&] { return EditorHasKeys(p); },
              .reset = [](QWindow* w) { QTest::keyClick(w, Qt::Key_Escape); },
              .resetDone = [&] { return p.window.focus() == fu::LIST_2; }});
}
BENCHMARK(BM_AltEToEditor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_CellTab(benchmark::State& state) {
  BigSchoolWindow big;
  fu::FollowUpProcedure& p = big.p;
  int from = 0, flip = 0;
  RunActions(state, p,
             {.start = [](QWindow* w) { QTest::keyClick(w, Qt::Key_E, Qt::AltModifier); },
              .startDone = [&] { return EditorHasKeys(p); },
              .act =
                  [&](QWindow* w) {
                    from = p.window.focus();
                    QTest::keyClick(w, (flip ^= 1) ? Qt::Key_6 : Qt::Key_8);
                    QTest::keyClick(w, Qt::Key_Tab);
                  },
              .ready = [&] { return EditorHasKeys(p) && p.window.focus() != from; },
              .reset = [](QWindow* w) { QTest::keyClick(w, Qt::Key_Backtab, Qt::ShiftModifier); },
              .resetDone = [&] { return EditorHasKeys(p) && p.window.focus() == from; }});
}
BENCHMARK(BM_CellTab)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RowSaveWithHistory(benchmark::State& state) {
  BigSchoolWindow big;
  fu::FollowUpProcedure& p = big.p;
  int flip = 0;
  RunActions(state, p,
             {.start = [](QWindow* w) { QTest::keyClick(w, Qt::Key_E, Qt::AltModifier); },
              .startDone = [&] { return EditorHasKeys(p); },
              .act =
                  [&](QWindow* w) {
                    // A grade the row does not hold yet, so that every save writes.
                    QTest::keyClick(w, (flip ^= 1) ? Qt::Key_6 : Qt::Key_8);
                    QTest::keyClick(w, Qt::Key_Return);
                  },
              .ready = [&] { return p.window.focus() == fu::LIST_2 && !ui::Engine::current().inputPending(); },
              .reset = [](QWindow* w) { QTest::keyClick(w, Qt::Key_E, Qt::AltModifier); },
              .resetDone = [&] { return EditorHasKeys(p); }});
}
BENCHMARK(BM_RowSaveWithHistory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenPlatform();
  int qargc = 1;
  QApplication qapp(qargc, argv);
  kestrel::RegisterKestrelDriver();
  char tmpl[] = "/tmp/qvfubench.XXXXXX";
  g_dir = ::mkdtemp(tmpl);
  std::ostringstream out, err;
  if (qvdata::RunQvdata({"demo", g_dir, "--seed", "9"}, out, err) != 0) {
    fprintf(stderr, "%s", err.str().c_str());
    return 1;
  }
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd) || chdir(g_dir.c_str()) != 0) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (chdir(cwd) != 0) return 1;
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
  return 0;
}
