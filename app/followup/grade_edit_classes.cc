#include "app/followup/grade_edit_classes.h"

#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/globals.h"
#include "app/followup/grade_edit_step.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace app::followup {

void GradeEditClass::Init(int32_t column, int32_t listControl, const rt::FieldRef& rowField) {
  EditEntryClass::Init(column, listControl, rowField);
  // An edit that moved on to another row (Up, Down) starts with that row's reason.
  ShowWhy();
}

uint8_t GradeEditClass::TakeEvent(int event) {
  const uint8_t action = EditEntryClass::TakeEvent(event);
  const uint8_t result = GradeCellStep(action, [&] { return MoveScreenValue(action); }, &rule_, &work_);
  // The rule ran on the typed row: the status line follows it.
  if (result != EditAction_None && result != EditAction_Cancel) ShowWhy();
  return result;
}

void GradeEditClass::ShowWhy() {
  ui::Window* w = ListWindow();
  if (status_ && w) status_->Show(*w, rule_.Explanation());
}

bool GradeEditClass::MoveScreenValue(uint8_t action) {
  ui::Window* w = ListWindow();
  if (!w || Feq == 0) return true;
  const std::string typed = w->prop(Feq, ui::Prop_ScreenText).toString();
  if (!GradeCellAccepts(typed)) {
    // Only an action that would keep the value is refused; Esc throws it away.
    if (action == EditAction_None || action == EditAction_Cancel) return action != EditAction_None;
    std::string shown = typed;
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    while (!shown.empty() && shown.front() == ' ') shown.erase(shown.begin());
    GlobalErrors.ThrowMessage(Msg_GradeRefused, shown);
    w->select(Feq);
    return false;
  }
  if (action == EditAction_None) return true;  // a key inside the cell: nothing to move yet
  return TakeAccepted(action) != EditAction_None;
}

uint8_t FollowUpEditClass::TakeEvent(int event) {
  const uint8_t action = EditEntryClass::TakeEvent(event);
  if (action == EditAction_None) return action;
  return TakeAccepted(action);
}

}  // namespace app::followup
