// The progress window of both sheets, as data: title "Progress...",
// 142 x 59 dialog units, timer 10 centiseconds (the records are printed on
// its timer events).
#pragma once

#include <string>

#include "runtime/ui/window_def.h"

namespace app::sheets {

// Controls in creation order.
enum ProgressControl : int {
  Progress_Thermometer = 1,  // progress bar, 0 to 100
  Progress_UserString,       // empty at start
  Progress_PctText,          // "n% Complete"
  Progress_Cancel,           // "Cancel": ends the report, nothing printed
};

// `procedure` names the window for snapshots and logs.
ui::WindowDef ProgressWindow(const std::string& procedure);

}  // namespace app::sheets
