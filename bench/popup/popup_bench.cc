// The cost of a browse's right-click menu and of one toolbox refresh: the
// menu text built with every mimicked button read, the engine's parse, the
// choice mapped back to its item and its event posted (headless back-end).
#include <benchmark/benchmark.h>

#include "framework/window/popup_class.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/window.h"

namespace {

constexpr const char* kButtons[] = {"&Insert", "&Change", "&Delete", "&View",
                                    "&Print",  "&Query",  "&Select", "&Toolbox"};

struct Browse {
  Browse() : window(def()) {
    ui::setBackend(&hb);
    window.open();
    popup.Init();
    int n = 1;
    for (const char* text : kButtons) {
      if (n == 6) popup.AddItem("-", "Separator2", "", 0);
      popup.AddItemMimic(text, n++, std::string("!") + text);
    }
    popup.SetToolbox("Toolbox", false);
  }
  ~Browse() {
    popup.Kill();
    window.close();
    ui::setBackend(nullptr);
  }
  static ui::WindowDef def() {
    ui::WindowDef d;
    for (const char* text : kButtons) {
      ui::ControlDef b;
      b.type = ui::Ctl_Button;
      b.text = text;
      d.controls.push_back(b);
    }
    return d;
  }
  void drain() {
    ui::Engine& e = ui::Engine::current();
    while (e.hasQueuedFor(&window)) e.wait(window);
  }
  ui::HeadlessBackend hb;
  ui::Window window;
  fw::PopupClass popup;
};

void BM_RightClickMenu(benchmark::State& state) {
  Browse b;
  b.drain();
  for (auto _ : state) {
    b.hb.answerPopup(3);
    benchmark::DoNotOptimize(b.popup.Ask());
    b.drain();
  }
}
BENCHMARK(BM_RightClickMenu);

void BM_ToolboxRefresh(benchmark::State& state) {
  Browse b;
  b.popup.Toolbox("Browse Actions");
  int i = 0;
  for (auto _ : state) {
    // A button changing state between ticks, as a browse's selection moves.
    if (++i % 2) b.window.disable(2); else b.window.enable(2);
    b.popup.ResetToolbox();
  }
}
BENCHMARK(BM_ToolboxRefresh);

}  // namespace

BENCHMARK_MAIN();
