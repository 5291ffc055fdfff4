// Side windows: windows whose events are served from inside the waits of
// the thread's other loops (a toolbox beside its owner window).
#include <algorithm>

#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/window.h"

namespace ui {

void Engine::addSideWindow(Window* w, std::function<void()> handler) {
  removeSideWindow(w);
  side_.push_back(SideWindow{w, std::move(handler)});
}

void Engine::removeSideWindow(Window* w) {
  side_.erase(std::remove_if(side_.begin(), side_.end(),
                             [w](const SideWindow& s) { return s.window == w; }),
              side_.end());
}

bool Engine::isSideWindow(const Window* w) const {
  return std::any_of(side_.begin(), side_.end(),
                     [w](const SideWindow& s) { return s.window == w; });
}

bool Engine::serveSideWindows(Window& waiting, int* timeoutMs) {
  // A copy: a handler may add or remove side windows.
  std::vector<SideWindow> sides = side_;
  for (SideWindow& s : sides) {
    Window& w = *s.window;
    if (&w == &waiting || !isSideWindow(&w) || !w.isOpen() || w.closing()) continue;
    EventRecord e;
    bool have = takeFor(w, &e);
    if (!have) {
      if (int timer = w.def().timer; timer > 0) {
        long long now = backend().nowMs();
        if (w.timerDue == 0) w.timerDue = now + timer * 10LL;
        if (now >= w.timerDue) {
          w.timerDue = now + timer * 10LL;
          e = EventRecord{Event_Timer, 0, &w, -1};
          have = true;
        } else {
          long long left = std::min<long long>(w.timerDue - now, 1 << 30);
          if (*timeoutMs < 0 || left < *timeoutMs) *timeoutMs = int(left);
        }
      }
    }
    if (!have) continue;
    State saved = state();
    current_ = e;
    if (e.key >= 0) {
      keyCode_ = e.key;
      keyChar_ = e.ch;
    }
    if (e.mouseX >= 0) w.setEventMouse(e.mouseX, e.mouseY);
    s.handler();
    // The side window has no loop of its own to finish the event (a click's
    // press after "Selecting", a size change): finish it here.
    if (isSideWindow(&w) && w.isOpen() && !w.closing()) w.runDefault(e);
    restore(saved);
    return true;
  }
  return false;
}

}  // namespace ui
