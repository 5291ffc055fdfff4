#include "app/sheets/progress_window.h"

namespace app::sheets {

ui::WindowDef ProgressWindow(const std::string& procedure) {
  ui::WindowDef d;
  d.title = "Progress...";
  d.name = procedure;
  d.width = 142;
  d.height = 59;
  d.timer = 10;
  d.resizable = false;
  d.add(ui::Ctl_Progress, "?Progress:Thermometer", "", 15, 15, 111, 12);
  d.add(ui::Ctl_Text, "?Progress:UserString", "", 0, 3, 141, 10);
  d.add(ui::Ctl_Text, "?Progress:PctText", "", 0, 30, 141, 10);
  d.add(ui::Ctl_Button, "?Progress:Cancel", "Cancel", 45, 42, 50, 15);
  return d;
}

}  // namespace app::sheets
