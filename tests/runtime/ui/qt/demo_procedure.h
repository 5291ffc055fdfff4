// A small window procedure written against the engine alone, the way the
// framework's window procedures are: its window is data (demo_window.h), this
// class runs it. The Qt tests drive it with real key presses and clicks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "demo_page.h"
#include "demo_window.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace demo {

class Procedure {
 public:
  Procedure();
  // Opens the window, runs its loop, closes it; 1 completed, 2 cancelled.
  int run();

  ui::Window window;
  Page page;
  int32_t number = 0;
  int32_t date = 0;
  int32_t ticks = 0;
  std::string editText;
  int response = 0;
  std::vector<std::string> log;  // what the procedure did, in order
  // Runs when the window opens, inside the loop (tests set it).
  std::function<void()> onOpen;

 private:
  void scroll(int event);
  ui::Int32Var numberVar_{&number}, dateVar_{&date}, ticksVar_{&ticks};
  ui::StringVar editVar_{&editText};
  int editor_ = 0;
};

}  // namespace demo
