#include "framework/window/toolbar.h"

#include <algorithm>

#include "runtime/core/error_assert.h"

namespace fw {

void ToolbarClass::Init() {
  List = std::make_unique<std::vector<Entry>>();
  current_ = -1;
}

void ToolbarClass::Kill() {
  List.reset();
  current_ = -1;
}

ToolbarTarget* ToolbarClass::Current() const {
  if (!List || current_ < 0 || current_ >= int(List->size())) return nullptr;
  return (*List)[size_t(current_)].Item;
}

void ToolbarClass::AddTarget(ToolbarTarget* target, int32_t id) {
  if (!List) {
    rt::assertionFailed("Toolbar has no target list");
    return;
  }
  ToolbarTarget* current = Current();
  auto at = std::upper_bound(List->begin(), List->end(), id,
                             [](int32_t v, const Entry& e) { return v < e.Id; });
  List->insert(at, Entry{id, target});
  target->Control = id;
  if (!target->Window) target->Window = Window;
  // Keep the same target current after the insert moved it.
  current_ = -1;
  for (size_t i = 0; current && i < List->size(); ++i)
    if ((*List)[i].Item == current) current_ = int(i);
}

void ToolbarClass::SetTarget(int32_t id) {
  if (!List) {
    rt::assertionFailed("Toolbar has no target list");
    return;
  }
  if (id != 0) {
    for (size_t i = 0; i < List->size(); ++i) {
      if ((*List)[i].Id == id) {
        current_ = int(i);
        (*List)[i].Item->TakeToolbar();
        return;
      }
    }
    rt::assertionFailed("Toolbar target not found");
    return;
  }
  for (size_t i = 0; i < List->size(); ++i)
    if ((*List)[i].Item->TryTakeToolbar()) current_ = int(i);
}

void ToolbarClass::TakeEvent(int32_t* vcrRequest, WindowManager& window) {
  if (ToolbarTarget* t = Current()) t->TakeEvent(vcrRequest, window);
}

void ToolbarClass::DisplayButtons() {
  ToolbarTarget* t = Current();
  if (!t || t->Control == 0) {
    rt::assertionFailed("Toolbar has no current target");
    return;
  }
  t->DisplayButtons();
}

}  // namespace fw
