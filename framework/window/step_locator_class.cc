#include "framework/window/step_locator_class.h"

#include "framework/window/browse_class.h"
#include "runtime/core/error_assert.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/view/value.h"

namespace fw {

void StepLocatorClass::Init(int32_t control, const rt::FieldRef& field, bool noCase) {
  LocatorClass::Init(control, field, noCase);
  if (!BrowseManager) rt::Assert(false, "The Step Locator require a BrowseClass");
}

bool StepLocatorClass::TakeKey() {
  unsigned char typed = ui::Engine::current().keyChar();
  if (typed < 32 || typed == 127 || !BrowseManager || !FreeElement.valid()) return false;
  char c = NoCase ? rt::upperChar(char(typed)) : char(typed);
  if (BrowseManager->Records()) {
    BrowseManager->ScrollOne(ui::Event_ScrollDown);
    BrowseManager->UpdateBuffer();
    std::string now = rt::getValueText(FreeElement).value_or(std::string());
    if (!now.empty() && (NoCase ? rt::upperChar(now.front()) : now.front()) == c) return true;
  }
  std::string value(1, c);
  if (!BrowseManager->GetFieldAscending(FreeElement)) value += char(254);
  rt::setValueText(FreeElement, value);
  return true;
}

}  // namespace fw
