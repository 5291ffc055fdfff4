#include "framework/window/locator_class.h"

#include "framework/window/browse_class.h"
#include "framework/window/window_manager.h"
#include "runtime/ui/window.h"

namespace fw {

LocatorClass::~LocatorClass() { FreeElement = rt::FieldRef{}; }

void LocatorClass::Init(int32_t control, const rt::FieldRef& field, bool noCase, BrowseClass* browse) {
  ViewManager = browse;
  BrowseManager = browse;
  Init(control, field, noCase);
}

void LocatorClass::Init(int32_t control, const rt::FieldRef& field, bool noCase) {
  FreeElement = field;
  Control = control;
  NoCase = noCase;
}

void LocatorClass::SetLocatorField(const rt::FieldRef& field) {
  FreeElement = field;
  if (FreeElement.valid()) rt::setValueText(FreeElement, "");
  SetShadow("");
}

void LocatorClass::SetEnabled(bool enabled) {
  if (Control == 0 || !BrowseManager || !BrowseManager->Window || !BrowseManager->Window->MyWindow) return;
  ui::Window* w = BrowseManager->Window->MyWindow;
  if (enabled) w->enable(Control);
  else w->disable(Control);
}

}  // namespace fw
