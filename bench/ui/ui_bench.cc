// Latency from a key press to the redisplayed list cell, through the Qt
// back-end on the offscreen platform: the key goes in as a Qt key event, the
// engine turns it into a scroll event, the handler moves the page, and the
// list repaints the rows it shows. Both ways a key can come in are measured:
// sent straight to the list widget, and arriving at the window as typed
// keys do, where the engine holds it until it asks for the next event.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>

#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/list_model.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/window.h"
#include "bench/offscreen_platform.h"

namespace {

using namespace ui;

// A page of `items` rows over an endless numbered table.
class Page : public RowSource {
 public:
  long long offset = 0;
  int items = 20;
  int rowCount() const override { return items; }
  std::string value(int row, int field) const override {
    long long n = offset + row;
    return field == 1 ? std::to_string(n) : field == 2 ? "Alumno " + std::to_string(n)
                                                        : std::to_string(n % 10);
  }
};

WindowDef gradeWindow() {
  WindowDef d;
  d.title = "Libreta";
  d.width = 400;
  d.height = 300;
  ControlDef list;
  list.type = Ctl_List;
  list.immediate = true;
  list.x = 4, list.y = 4, list.width = 390, list.height = 280;
  for (int i = 0; i < 14; ++i) {
    ListColumn c;
    c.header = "Col " + std::to_string(i + 1);
    c.width = i == 1 ? 100 : 24;
    c.picture = i == 1 ? "@s30" : "@n-7";
    c.field = i < 2 ? i + 1 : 3;
    list.columns.push_back(c);
  }
  d.controls = {list};
  return d;
}

void KeyToRedisplayedCell(benchmark::State& state, bool held) {
  qt::QtBackend backend;
  Window w(gradeWindow());
  Page page;
  w.setRowSource(1, &page);
  w.open();
  page.items = int(w.prop(1, Prop_Items).toInt());
  w.refreshRows(1);
  w.setProp(1, Prop_SelStart, page.items);
  auto* table = qobject_cast<QTableView*>(qt::QtBackend::controlWidget(w, 1));
  Engine& e = Engine::current();
  while (e.wait(w) && e.event() != Event_OpenWindow) {
  }
  auto* model = static_cast<qt::ListModel*>(table->model());
  long long cellsBefore = model->cellsRead;
  QWindow* window = table->window()->windowHandle();
  for (auto _ : state) {
    if (held) {
      QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
      QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier));
    } else {
      QTest::keyClick(table, Qt::Key_Down);
    }
    // Window events (the focus arriving) may come first.
    bool scrolled = false;
    while (!scrolled && e.wait(w)) scrolled = e.event() == Event_ScrollDown;
    if (!scrolled) {
      state.SkipWithError("no scroll event");
      break;
    }
    ++page.offset;  // the page moves one row under the highlight
    w.refreshRows(1);
    // Render what the list shows, as a repaint of the screen would.
    (void)table->viewport()->grab();
    QString shown = table->model()->index(page.items - 1, 0).data().toString();
    if (shown.remove(',').trimmed().toLongLong() !=
        page.offset + page.items) {
      state.SkipWithError("cell not redisplayed");
      break;
    }
  }
  state.counters["rows_shown"] = page.items;
  state.counters["cells_per_key"] = benchmark::Counter(
      double(model->cellsRead - cellsBefore), benchmark::Counter::kAvgIterations);
  w.close();
}

void BM_KeyToRedisplayedCell(benchmark::State& state) { KeyToRedisplayedCell(state, false); }
void BM_HeldKeyToRedisplayedCell(benchmark::State& state) { KeyToRedisplayedCell(state, true); }
BENCHMARK(BM_KeyToRedisplayedCell)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeldKeyToRedisplayedCell)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenPlatform();
  int qargc = 1;
  QApplication app(qargc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
