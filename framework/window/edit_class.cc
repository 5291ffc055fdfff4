#include "framework/window/edit_class.h"

#include "framework/window/field_var.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

EditClass::EditClass() = default;

EditClass::~EditClass() {
  // An editor deleted during an edit takes its control with it.
  if (Feq != 0) EditClass::Kill();
}

ui::Window* EditClass::ListWindow() const {
  if (Win) return Win;
  ui::Engine& e = ui::Engine::current();
  if (ui::Window* w = e.eventWindow(); w && w->isOpen()) return w;
  return e.target();
}

void EditClass::Init(int32_t column, int32_t listControl, const rt::FieldRef& rowField) {
  ListBoxFeq = listControl;
  FieldNo = column;
  CreateControl();
  ui::Window* w = ListWindow();
  if (Feq == 0 || !w) {
    rt::assertionFailed();
    return;
  }
  UseVar = rowField;
  var_ = std::make_unique<FieldVar>(rowField);
  w->setProp(Feq, ui::Prop_Text, w->prop(listControl, ui::Prop_ColPicture, column));
  if (ReadOnly) w->setProp(Feq, ui::Prop_ReadOnly, 1);
  w->bind(Feq, var_.get());
  SetAlerts();
}

void EditClass::Kill() {
  if (Feq != 0) {
    if (ui::Window* w = ListWindow(); w && w->exists(Feq)) w->destroy(Feq);
  }
  Feq = 0;
  UseVar = rt::FieldRef{};
  var_.reset();
}

void EditClass::SetAlerts() {
  ui::Window* w = ListWindow();
  if (!w || Feq == 0) return;
  const int keys[] = {ui::Key_Tab, ui::Key_ShiftTab, ui::Key_Enter, ui::Key_Esc, ui::Key_Down, ui::Key_Up};
  for (int slot = 1; slot <= 6; ++slot) w->setProp(Feq, ui::Prop_Alrt, keys[slot - 1], slot);
}

void EditClass::SetReadOnly(uint8_t flag) {
  ReadOnly = flag;
  if (ui::Window* w = ListWindow(); w && Feq != 0) w->setProp(Feq, ui::Prop_ReadOnly, flag ? 1 : 0);
}

uint8_t EditClass::TakeAccepted(uint8_t action) {
  ui::Window* w = ListWindow();
  if (!w || Feq == 0 || w->update(Feq, Feq)) return action;
  // The typed text does not fit the column: the field keeps its value and
  // the cell stays open for a new one.
  const std::string typed = w->prop(Feq, ui::Prop_ScreenText).toString();
  const std::string picture = w->prop(Feq, ui::Prop_Text).toString();
  rt::MessageRequest m;
  m.caption = "Invalid Value";
  m.text = "\"" + typed + "\" is not a valid value for this column (picture " + picture + ").";
  m.icon = rt::Icon_Exclamation;
  rt::showMessage(m);
  w->select(Feq);
  return EditAction_None;
}

uint8_t EditClass::TakeEvent(int event) {
  if (event != ui::Event_AlertKey) return EditAction_None;
  switch (ui::Engine::current().keyCode()) {
    case ui::Key_Enter: return EditAction_Complete;
    case ui::Key_Esc: return EditAction_Cancel;
    case ui::Key_Tab: return EditAction_Forward;
    case ui::Key_ShiftTab: return EditAction_Backward;
    case ui::Key_Down: return EditAction_Next;
    case ui::Key_Up: return EditAction_Previous;
    default: return EditAction_None;
  }
}

}  // namespace fw
