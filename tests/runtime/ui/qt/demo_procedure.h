// A small window procedure written against the engine alone, the way the
// framework's window procedures are: a number entry, a date entry, two
// buttons, a page-loaded list, a timer-driven counter, a hidden and a
// disabled button. The Qt tests drive it with real key presses and clicks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/ui/row_source.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace demo {

enum Ctl {
  Label = 1, Number, Date, Accept, Exit, List, Ticks, Hidden, Disabled,
};

// 100 students, of which the list holds one page.
class Page : public ui::RowSource {
 public:
  int offset = 0;  // rows above the page
  int items = 4;   // page size
  int total = 100;
  std::map<int, std::string> names;  // edited names by student
  int rowCount() const override;
  std::string value(int row, int field) const override;
  std::string name(int student) const;
};

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

ui::WindowDef definition();

}  // namespace demo
