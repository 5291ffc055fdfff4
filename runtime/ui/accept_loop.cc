#include "runtime/ui/accept_loop.h"

#include "runtime/ui/window.h"

namespace ui {

AcceptLoop::AcceptLoop(Window& window) : window_(window), outer_(window.engine().state()) {}

AcceptLoop::~AcceptLoop() {
  if (taken_ && window_.isOpen()) window_.refuseDefault(last_);
  window_.engine().restore(outer_);
}

bool AcceptLoop::next() {
  if (taken_) {
    taken_ = false;
    if (pending_)
      window_.runDefault(last_);
    else
      window_.refuseDefault(last_);
  }
  Engine& engine = window_.engine();
  if (!engine.wait(window_)) return false;
  last_ = engine.currentRecord();
  taken_ = true;
  pending_ = true;
  return true;
}

}  // namespace ui
