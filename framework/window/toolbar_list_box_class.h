// The toolbar target of a browse list: the scroll and locate buttons post
// their events to the list, insert, change and delete press the browse's own
// buttons, select takes the highlighted record and closes the window. The
// browse fills in its buttons and adds the target under its list control.
#pragma once

#include <cstdint>

#include "framework/window/toolbar_target.h"

namespace fw {

class BrowseClass;

class ToolbarListBoxClass : public ToolbarTarget {
 public:
  // Disables history, enables the scroll and locate buttons, then the
  // target's own-button pairs.
  void DisplayButtons() override;
  // Sets the list tips, then DisplayButtons.
  void TakeToolbar() override;
  // Takes the toolbar when the list (control Control) is visible.
  uint8_t TryTakeToolbar() override;
  void TakeEvent(int32_t* vcrRequest, WindowManager& window) override;

  BrowseClass* Browse = nullptr;
};

}  // namespace fw
