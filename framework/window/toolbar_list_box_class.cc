#include "framework/window/toolbar_list_box_class.h"

#include "framework/window/request_codes.h"
#include "framework/window/toolbar_tips.h"
#include "framework/window/window_manager.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/window.h"

namespace fw {

void ToolbarListBoxClass::DisplayButtons() {
  Enable(Toolbar_History, false);
  for (int32_t c = Toolbar_Bottom; c <= Toolbar_Locate; ++c) Enable(c, true);
  ToolbarTarget::DisplayButtons();
}

void ToolbarListBoxClass::TakeToolbar() {
  SetTips(Win(), ListTipTable());
  DisplayButtons();
}

uint8_t ToolbarListBoxClass::TryTakeToolbar() {
  ui::Window* w = Win();
  if (!w || !w->exists(Control) || !w->visible(Control)) return 0;
  TakeToolbar();
  return 1;
}

void ToolbarListBoxClass::TakeEvent(int32_t* vcrRequest, WindowManager& window) {
  ui::Engine& e = ui::Engine::current();
  ui::Window* w = window.MyWindow;
  const int control = e.field();
  int event = 0;
  switch (control) {
    case Toolbar_Select:
      window.Update();
      window.Response = Response_Completed;
      if (w) e.post(ui::Event_CloseWindow, 0, w);
      return;
    case Toolbar_Bottom: event = ui::Event_ScrollBottom; break;
    case Toolbar_Top: event = ui::Event_ScrollTop; break;
    case Toolbar_PageDown: event = ui::Event_PageDown; break;
    case Toolbar_PageUp: event = ui::Event_PageUp; break;
    case Toolbar_Down: event = ui::Event_ScrollDown; break;
    case Toolbar_Up: event = ui::Event_ScrollUp; break;
    case Toolbar_Locate: event = ui::Event_Locate; break;
    default: ToolbarTarget::TakeEvent(vcrRequest, window); return;
  }
  if (w) e.post(event, Control, w);
}

}  // namespace fw
