#include "framework/window/toolbar_target.h"

#include "framework/window/window_manager.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/window.h"

namespace fw {

ui::Window* ToolbarTarget::Win() const {
  if (!Window || !Window->MyWindow || !Window->MyWindow->isOpen()) return nullptr;
  return Window->MyWindow;
}

void ToolbarTarget::Enable(int32_t control, bool on) const {
  ui::Window* w = Win();
  if (!w || !w->exists(control)) return;
  if (on)
    w->enable(control);
  else
    w->disable(control);
}

bool ToolbarTarget::Usable(int32_t button) const {
  ui::Window* w = Win();
  return button != 0 && w && w->exists(button) && w->prop(button, ui::Prop_Disable).toInt() == 0;
}

void ToolbarTarget::DisplayButtons() {
  const std::pair<int32_t, int32_t> pairs[] = {
      {Toolbar_Select, SelectButton}, {Toolbar_Delete, DeleteButton},
      {Toolbar_Change, ChangeButton}, {Toolbar_Insert, InsertButton},
      {Toolbar_Help, HelpButton},     {Toolbar_Locate, LocateButton},
  };
  for (const auto& [toolbarControl, own] : pairs) Enable(toolbarControl, Usable(own));
}

void ToolbarTarget::TakeEvent(int32_t*, WindowManager& window) {
  ui::Engine& e = ui::Engine::current();
  ui::Window* w = window.MyWindow;
  int32_t own = 0;
  switch (e.field()) {
    case Toolbar_Help: e.pressKey(ui::Key_F1); return;
    case Toolbar_Insert: own = InsertButton; break;
    case Toolbar_Change: own = ChangeButton; break;
    case Toolbar_Delete: own = DeleteButton; break;
    default: return;
  }
  if (own != 0 && w) e.post(ui::Event_Accepted, own, w);
}

}  // namespace fw
