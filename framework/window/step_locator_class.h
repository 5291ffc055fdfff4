// The one-letter locator: a typed character jumps to the first record whose
// free element starts with it; typing the same character again walks down
// through the records that start with it.
#pragma once

#include "framework/window/locator_class.h"

namespace fw {

class StepLocatorClass : public LocatorClass {
 public:
  // Requires a browse (set by the four-argument Init).
  void Init(int32_t control, const rt::FieldRef& field, bool noCase) override;
  void Set() override {}
  bool TakeKey() override;
  using LocatorClass::Init;
};

}  // namespace fw
