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
// one, unless cycle() was called; leaving the loop drops it. Loops nest: a
// handler may run another loop on the same or another window.
#pragma once

#include "runtime/ui/engine.h"

namespace ui {

class Window;

class AcceptLoop {
 public:
  explicit AcceptLoop(Window& window);
  AcceptLoop(const AcceptLoop&) = delete;
  AcceptLoop& operator=(const AcceptLoop&) = delete;

  // False when the window closed (the loop is over).
  bool next();
  void cycle() { pending_ = false; }

 private:
  void runDefault();

  Window& window_;
  EventRecord last_;
  bool pending_ = false;
};

}  // namespace ui
