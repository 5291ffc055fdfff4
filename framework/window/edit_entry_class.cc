#include "framework/window/edit_entry_class.h"

#include "runtime/ui/window.h"

namespace fw {

void EditEntryClass::CreateControl() {
  if (ui::Window* w = ListWindow()) Feq = w->create(ui::Ctl_Entry);
}

}  // namespace fw
