#include "demo_procedure.h"

#include <algorithm>

#include "runtime/core/message_presenter.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"

namespace demo {

using namespace ui;

Procedure::Procedure() : window(definition()) {
  window.bind(Number, &numberVar_);
  window.bind(Date, &dateVar_);
  window.bind(Ticks, &ticksVar_);
  window.setRowSource(List, &page);
}

void Procedure::scroll(int event) {
  int choice = int(window.prop(List, Prop_Choice).toInt());
  int rows = page.rowCount();
  switch (event) {
    case Event_ScrollDown:
      if (choice < rows) ++choice;
      else if (page.offset + page.items < page.total) ++page.offset;
      break;
    case Event_ScrollUp:
      if (choice > 1) --choice;
      else if (page.offset > 0) --page.offset;
      break;
    case Event_PageDown: page.offset = std::min(page.offset + page.items, page.total - page.items); break;
    case Event_PageUp: page.offset = std::max(0, page.offset - page.items); break;
    case Event_ScrollTop: page.offset = 0, choice = 1; break;
    case Event_ScrollBottom: page.offset = page.total - page.items, choice = page.items; break;
  }
  window.refreshRows(List);
  window.setProp(List, Prop_SelStart, choice);
  log.push_back("row " + std::to_string(page.offset + choice));
}

int Procedure::run() {
  Engine& e = Engine::current();
  window.open();
  AcceptLoop loop(window);
  while (loop.next()) {
    int field = e.field();
    switch (e.event()) {
      case Event_OpenWindow:
        page.items = int(window.prop(List, Prop_Items).toInt());
        window.refreshRows(List);
        window.setProp(List, Prop_SelStart, 1);
        window.display();
        window.select(Number);
        if (onOpen) onOpen();
        continue;
      case Event_Timer:
        if (++ticks >= 3) window.setProp(0, Prop_Timer, 0);
        window.display(Ticks);
        continue;
      case Event_Rejected:
        log.push_back("rejected " + std::to_string(field));
        e.beep();
        window.display(field);
        window.select(field);
        continue;
      case Event_CloseWindow:
        log.push_back("close");
        continue;
      case Event_AlertKey:
        if (field == 0 && e.keyCode() == Key_F1 + 1 && !editor_) {
          // Lay a new entry over the highlighted name.
          int row = page.offset + int(window.prop(List, Prop_Choice).toInt());
          editText = page.name(row);
          editor_ = window.create(Ctl_Entry);
          window.setProp(editor_, Prop_Text, "@s30");
          window.bind(editor_, &editVar_);
          window.alert(editor_, Key_Enter);
          window.setProp(List, Prop_Edit, editor_, 2);
          window.select(editor_);
          log.push_back("edit " + std::to_string(editor_));
        } else if (field == editor_ && editor_ && e.keyCode() == Key_Enter) {
          window.update(editor_);
          page.names[page.offset + int(window.prop(List, Prop_Choice).toInt())] = editText;
          window.setProp(List, Prop_Edit, 0, 2);
          window.destroy(editor_);
          log.push_back("saved " + editText);
          editor_ = 0;
          window.refreshRows(List);
          window.select(List);
        } else if (field == List && e.keyCode() == Mouse_RightUp) {
          window.setProp(List, Prop_SelStart, window.prop(List, Prop_MouseDownRow));
          log.push_back("popup " + std::to_string(e.popup("|Uno|Dos|-|~Tres")));
        }
        continue;
      case Event_ScrollDrag:
        log.push_back("drag " + window.prop(List, Prop_VScrollPos).toString());
        continue;
      case Event_ScrollUp:
      case Event_ScrollDown:
      case Event_PageUp:
      case Event_PageDown:
      case Event_ScrollTop:
      case Event_ScrollBottom:
        if (field == List) scroll(e.event());
        continue;
      case Event_Accepted:
        log.push_back("accepted " + std::to_string(field));
        if (field == Accept) {
          rt::MessageRequest m;
          m.caption = "Demo";
          m.text = "¿Guardar?|Los datos se graban.";
          m.icon = rt::Icon_Question;
          m.buttons = rt::Button_Yes + rt::Button_No;
          m.defaultButton = rt::Button_Yes;
          uint32_t answer = rt::showMessage(m);
          log.push_back(answer == rt::Button_Yes ? "yes" : "no");
          if (answer == rt::Button_Yes) response = 1;
        }
        if (field == Exit) response = 2;
        if (field == Hidden || field == Disabled) log.push_back("impossible");
        break;
      default:
        continue;
    }
    if (response) break;
  }
  window.close();
  return response ? response : 2;
}

}  // namespace demo
