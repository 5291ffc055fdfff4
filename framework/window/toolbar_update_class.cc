#include "framework/window/toolbar_update_class.h"

#include "framework/window/request_codes.h"
#include "framework/window/toolbar_tips.h"
#include "framework/window/window_manager.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/window.h"

namespace fw {

void ToolbarUpdateClass::DisplayButtons() {
  if (Request == Request_Insert || Request == Request_Change) {
    if (Request == Request_Insert) {
      Enable(Toolbar_Down, true);
      Enable(Toolbar_Insert, true);
      for (int32_t c = Toolbar_Change; c <= Toolbar_PageUp; ++c) Enable(c, false);
      Enable(Toolbar_Up, false);
      Enable(Toolbar_Locate, false);
    } else {
      for (int32_t c = Toolbar_Bottom; c <= Toolbar_Up; ++c) Enable(c, true);
      Enable(Toolbar_Insert, true);
      for (int32_t c = Toolbar_Change; c <= Toolbar_Select; ++c) Enable(c, false);
      Enable(Toolbar_Locate, false);  // a form has nothing to locate
    }
    Enable(Toolbar_Help, Usable(HelpButton));
    Enable(Toolbar_History, History != 0);
  } else {
    for (int32_t c = Toolbar_First; c <= Toolbar_History; ++c) Enable(c, false);
  }
  if (ui::Window* w = Win()) w->display(Toolbar_First, Toolbar_Last);
}

void ToolbarUpdateClass::TakeToolbar() {
  if (Request == Request_Insert)
    SetTips(Win(), FormInsertTipTable());
  else if (Request == Request_Change)
    SetTips(Win(), FormChangeTipTable());
  DisplayButtons();
}

uint8_t ToolbarUpdateClass::TryTakeToolbar() {
  TakeToolbar();
  return 1;
}

void ToolbarUpdateClass::TakeEvent(int32_t* vcrRequest, WindowManager& window) {
  const int control = ui::Engine::current().field();
  if (control == Toolbar_Insert || (control >= Toolbar_Bottom && control <= Toolbar_Up)) {
    if (vcrRequest) *vcrRequest = control;
    window.PostCompleted();
    return;
  }
  ToolbarTarget::TakeEvent(vcrRequest, window);
}

}  // namespace fw
