// The toolbar target of an update form. On an insert form only "save and add
// another" (3001, 3009), help and history work; on a change form the
// navigation buttons save and move. A navigation button stores its control
// number as the navigation request and completes the form.
#pragma once

#include <cstdint>

#include "framework/window/toolbar_target.h"

namespace fw {

class ToolbarUpdateClass : public ToolbarTarget {
 public:
  // Enables and disables the buttons by Request, then redisplays 3000-3019.
  void DisplayButtons() override;
  // Sets the tips for Request, then DisplayButtons.
  void TakeToolbar() override;
  // Always takes the toolbar.
  uint8_t TryTakeToolbar() override;
  void TakeEvent(int32_t* vcrRequest, WindowManager& window) override;

  uint8_t Request = 0;  // the request the form was started with
  uint8_t History = 0;  // the form has a history key
};

}  // namespace fw
