// The demo window as data: a number entry, a date entry, two buttons, a
// page-loaded list, a timer-driven counter, a hidden and a disabled button.
// Its procedure is demo_procedure.h.
#pragma once

#include "runtime/ui/window_def.h"

namespace demo {

enum Ctl {
  Label = 1, Number, Date, Accept, Exit, List, Ticks, Hidden, Disabled,
};

ui::WindowDef definition();

}  // namespace demo
