// An event loop on one window:
//
//   ui::AcceptLoop loop(window);
//   while (loop.next()) {
//     ... handle ui::Engine::current().event() ...
//     if (consumed) loop.cycle();   // skip the default processing
//     if (done) break;
//   }
//
// The default processing of an event runs when the loop asks for the next
// one, unless cycle() was called; leaving the loop drops it. A request for
// a new size or state that is consumed or dropped is refused.
//
// Loops nest: a handler may run another loop on the same or another window.
// When a loop ends it gives the engine back the current event, control and
// key code it found, so the handler that ran it still sees its own event.
#pragma once

#include "runtime/ui/engine.h"

namespace ui {

class Window;

class AcceptLoop {
 public:
  explicit AcceptLoop(Window& window);
  ~AcceptLoop();
  AcceptLoop(const AcceptLoop&) = delete;
  AcceptLoop& operator=(const AcceptLoop&) = delete;

  // False when the window closed (the loop is over).
  bool next();
  void cycle() { pending_ = false; }

 private:
  Window& window_;
  Engine::State outer_;
  EventRecord last_;
  bool taken_ = false;   // last_ holds an event
  bool pending_ = false;  // its default processing is still due
};

}  // namespace ui
