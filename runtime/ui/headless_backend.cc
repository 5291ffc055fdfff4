#include "runtime/ui/headless_backend.h"

#include "runtime/ui/control.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/window.h"

namespace ui {

void HeadlessBackend::focus(Window&, Control& c) { focusLog.push_back(c.number()); }

bool HeadlessBackend::measure(Window&, Control& c, int* widthDlu, int* heightDlu) {
  *widthDlu = 4 * int(c.def.text.size()) + (c.type() == Ctl_Button ? 16 : 0);
  *heightDlu = c.type() == Ctl_Button ? 14 : 10;
  return true;
}

void HeadlessBackend::waitForInput(int timeoutMs) {
  if (!steps_.empty()) {
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return;
  }
  if (timeoutMs >= 0) {
    clockMs_ += timeoutMs;
    return;
  }
  // Nothing left to do: every window of the thread is told to close, so
  // whichever loop is waiting ends.
  ++idleCloses;
  Engine& e = Engine::current();
  for (Window* w : e.windows()) e.post(Event_CloseDown, 0, w);
}

int HeadlessBackend::popupMenu(Window*, const PopupMenu& menu, int, int) {
  popupsShown.push_back(menu.items.empty() ? std::string() : menu.items.front().text);
  if (popupAnswers_.empty()) return 0;
  int n = popupAnswers_.front();
  popupAnswers_.pop_front();
  return n;
}

}  // namespace ui
