#include "runtime/ui/accept_loop.h"

#include "runtime/ui/event_codes.h"
#include "runtime/ui/window.h"

namespace ui {

AcceptLoop::AcceptLoop(Window& window) : window_(window) {}

void AcceptLoop::runDefault() {
  switch (last_.code) {
    case Event_CloseWindow:
    case Event_CloseDown:
      window_.setClosing();
      break;
    default:
      break;
  }
}

bool AcceptLoop::next() {
  if (pending_) {
    pending_ = false;
    runDefault();
  }
  Engine& engine = window_.engine();
  if (!engine.wait(window_)) return false;
  last_ = EventRecord{engine.event(), engine.field(), &window_, -1};
  pending_ = true;
  return true;
}

}  // namespace ui
