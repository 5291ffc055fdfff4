// The standard toolbar of a window: buttons numbered 3000 to 3019 that the
// framework's toolbar routes to the current list or form. The Qt back-end
// shows buttons in that range as a tool bar above the window's controls,
// with standard icons for the buttons that have a function.
#pragma once

#include <string>

#include "runtime/ui/window_def.h"

namespace ui {

inline constexpr int kToolbarFirst = 3000;
inline constexpr int kToolbarLast = 3019;

inline bool isToolbarControl(int number) {
  return number >= kToolbarFirst && number <= kToolbarLast;
}

// Appends the buttons 3001 to 3013 (insert, change, delete, select, bottom,
// top, page down, page up, down, up, locate, history, help), each with its
// icon name and a tip; all start disabled until a target enables them.
void addStandardToolbar(WindowDef& def);

// The standard toolbar button's built-in icon name ("VCRBOTTOM", ...),
// empty outside 3001-3013.
std::string standardToolbarIcon(int number);

}  // namespace ui
