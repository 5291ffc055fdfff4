#include "framework/window/standard_behavior.h"

#include "framework/window/record_queue.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

void StandardBehavior::Init(RecordQueue* queue, int32_t control, ui::Window* window) {
  Q = queue;
  LC = control;
  SetWindow(window);
}

void StandardBehavior::SetWindow(ui::Window* window) {
  Win = window;
  if (Win && Q && Win->exists(LC)) Win->setRowSource(LC, Q);
}

ui::Window* StandardBehavior::ListWindow() const { return Win ? Win : ui::Engine::current().target(); }

int32_t StandardBehavior::Records() { return Q ? int32_t(Q->Records()) : 0; }
void StandardBehavior::Insert() { if (Q) Q->Add(); }
void StandardBehavior::Insert(int32_t position) { if (Q) Q->Add(size_t(position < 1 ? 1 : position)); }
void StandardBehavior::Fetch(int32_t position) { if (Q) Q->Get(size_t(position < 0 ? 0 : position)); }
void StandardBehavior::Update() { if (Q) Q->Put(); }
void StandardBehavior::Delete() { if (Q) Q->Delete(); }
void StandardBehavior::Free() { if (Q) Q->Free(); }
std::string StandardBehavior::Who(int32_t column) { return Q ? Q->Who(column) : std::string(); }
std::string StandardBehavior::GetViewPosition() { return Q ? Q->Position : std::string(); }
void StandardBehavior::SetViewPosition(std::string_view position) { if (Q) Q->Position = std::string(position); }

int32_t StandardBehavior::Choice() {
  ui::Window* w = ListWindow();
  return w ? int32_t(w->prop(LC, ui::Prop_Choice).toInt()) : 0;
}

int32_t StandardBehavior::GetItems() {
  ui::Window* w = ListWindow();
  return w ? int32_t(w->prop(LC, ui::Prop_Items).toInt()) : 0;
}

bool StandardBehavior::GetVisible() {
  ui::Window* w = ListWindow();
  return w && w->prop(LC, ui::Prop_Visible).toInt() != 0;
}

void StandardBehavior::SetChoice(int32_t row) {
  ui::Window* w = ListWindow();
  if (!w) return;
  w->refreshRows(LC);
  w->setProp(LC, ui::Prop_SelStart, row);
}

}  // namespace fw
