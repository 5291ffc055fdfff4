#include "framework/window/edit_entry_class.h"

#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

void EditEntryClass::CreateControl() {
  if (ui::Window* w = ListWindow()) {
    Feq = w->create(ui::Ctl_Entry);
    // No room of its own: it is seen only laid over the cell being edited.
    if (Feq != 0) {
      w->setProp(Feq, ui::Prop_Width, 0);
      w->setProp(Feq, ui::Prop_Height, 0);
    }
  }
}

}  // namespace fw
