// An edit-in-place editor that is a plain entry control.
#pragma once

#include "framework/window/edit_class.h"

namespace fw {

class EditEntryClass : public EditClass {
 public:
  void CreateControl() override;
};

}  // namespace fw
