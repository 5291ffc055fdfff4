#include "app/followup/grade_status_line.h"

#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace app::followup {

void GradeStatusLine::Show(ui::Window& window, const std::string& text) {
  if (text == shown_) return;
  shown_ = text;
  window.setProp(0, ui::Prop_StatusText, ui::PropValue(text), 1);
}

}  // namespace app::followup
