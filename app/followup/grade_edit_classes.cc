#include "app/followup/grade_edit_classes.h"

#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/globals.h"
#include "app/followup/grade_edit_step.h"
#include "runtime/core/trim.h"
#include "runtime/ui/picture_codec.h"
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
  // A key inside the cell moves nothing yet; Esc throws the value away.
  if (action == EditAction_None || action == EditAction_Cancel) return true;
  if (TakeAccepted(action) != EditAction_Cancel) return true;
  if (ui::Window* w = ListWindow(); w && Feq != 0) w->select(Feq);
  return false;
}

uint8_t GradeEditClass::TakeAccepted(uint8_t action) {
  ui::Window* w = ListWindow();
  if (!w || Feq == 0) return EditEntryClass::TakeAccepted(action);
  const std::string typed = std::string(rt::trim(w->prop(Feq, ui::Prop_ScreenText).toString()));
  if (!GradeCellAccepts(typed)) {
    GlobalErrors.ThrowMessage(Msg_GradeRefused, typed);
    return EditAction_Cancel;  // refused: every way of completing the row stops here
  }
  // A cell passed through untouched keeps the stored value: the cell shows
  // whole grades, and a stored 6.50 (imported) shown as "7" is not a 7.
  const std::string shown = std::string(rt::trim(ui::pictureCodec().format(rt::getValueText(UseVar).value_or(""),
                                                                w->prop(Feq, ui::Prop_Text).toString())));
  if (typed == shown) return action;
  return EditEntryClass::TakeAccepted(action);
}

uint8_t FollowUpEditClass::TakeEvent(int event) {
  const uint8_t action = EditEntryClass::TakeEvent(event);
  if (action == EditAction_None) return action;
  return TakeAccepted(action);
}

}  // namespace app::followup
