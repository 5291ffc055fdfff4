// The default handling of the user's input: keys, focus moves, entry
// completion, clicks and choices.
#include "runtime/ui/window.h"

#include <algorithm>

#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/standard_toolbar.h"
#include "runtime/ui/use_var.h"

namespace ui {

int Window::defaultButton() const {
  for (auto& c : controls_)
    if (c->type() == Ctl_Button && c->def.isDefault && visible(c->number()) && enabled(c->number()))
      return c->number();
  return 0;
}

bool Window::complete(Control& c, bool always) {
  if (!c.isEntry() || c.def.readOnly) return true;
  if (!always && !c.dirty) return true;
  if (c.dirty && c.use) {
    if (!store(c)) {
      // A click on a button reports the same refusal twice (focus, then click).
      if (rejected_ != c.number()) post(Event_Rejected, c.number());
      rejected_ = c.number();
      focus_ = c.number();
      if (open_) backend().focus(*this, c);
      return false;
    }
    showScreen(c);
  }
  rejected_ = 0;
  post(Event_Accepted, c.number());
  return true;
}

void Window::moveFocus(int direction) {
  std::vector<Control*> order;
  for (auto& c : controls_)
    if (c->focusable() && visible(c->number()) && enabled(c->number())) order.push_back(c.get());
  if (order.empty()) return;
  int n = int(order.size());
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (order[size_t(i)]->number() == focus_) at = i;
  int next;
  if (at < 0) {
    // The focus is on no tab stop: start from its place in creation order.
    next = direction > 0 ? 0 : n - 1;
    for (int i = 0; i < n; ++i) {
      if (order[size_t(i)]->number() > focus_) {
        next = direction > 0 ? i : (i + n - 1) % n;
        break;
      }
    }
  } else {
    next = (at + direction + n) % n;
  }
  setFocus(*order[size_t(next)]);
}

void Window::press(Control& c, int key) {
  if (!visible(c.number()) || !enabled(c.number())) return;
  if (c.type() == Ctl_Check) {
    c.checked = !c.checked;
    if (c.use) c.use->set(c.checked ? "1" : "0");
    changed(c, Aspect_State);
  }
  post(Event_Accepted, c.number(), key);
}

bool Window::listKey(Control& c, int key) {
  if (c.type() != Ctl_List && !c.def.immediate) return false;
  int event;
  switch (key) {
    case Key_Up: event = Event_ScrollUp; break;
    case Key_Down: event = Event_ScrollDown; break;
    case Key_PageUp: event = Event_PageUp; break;
    case Key_PageDown: event = Event_PageDown; break;
    case Key_Home:
    case Key_Ctrl + Key_Home:
    case Key_Ctrl + Key_PageUp: event = Event_ScrollTop; break;
    case Key_End:
    case Key_Ctrl + Key_End:
    case Key_Ctrl + Key_PageDown: event = Event_ScrollBottom; break;
    default:
      // In a list that leaves scrolling to the program, typed characters go
      // to the program too (a browse's locator).
      if (c.def.immediate && c.type() == Ctl_List && inputChar_ >= 32 &&
          (key & (Key_Ctrl | Key_Alt)) == 0) {
        EventRecord r;
        r.code = Event_AlertKey;
        r.control = c.number();
        r.key = key;
        r.ch = inputChar_;
        post(r);
        return true;
      }
      return false;
  }
  if (c.def.immediate) {
    post(event, c.number(), key);
    return true;
  }
  ListState& l = c.list;
  int rows = l.source ? l.source->rowCount() : 0;
  if (rows == 0) return true;
  int page = c.itemsShown();
  int choice = l.choice;
  switch (event) {
    case Event_ScrollUp: --choice; break;
    case Event_ScrollDown: ++choice; break;
    case Event_PageUp: choice -= page; break;
    case Event_PageDown: choice += page; break;
    case Event_ScrollTop: choice = 1; break;
    default: choice = rows; break;
  }
  choice = std::clamp(choice, 1, rows);
  if (choice != l.choice) {
    l.choice = choice;
    if (choice < l.yOrigin) l.yOrigin = choice;
    if (choice >= l.yOrigin + page) l.yOrigin = choice - page + 1;
    changed(c, Aspect_Selection);
    post(Event_NewSelection, c.number(), key);
  }
  return true;
}

namespace {

// The letter or digit a caption marks with '&' ("&&" is a plain '&'), upper-cased; 0 for none.
char mnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    const char m = caption[i + 1];
    if (m == '&') {
      ++i;
      continue;
    }
    if (m >= 'a' && m <= 'z') return char(m - 'a' + 'A');
    if ((m >= 'A' && m <= 'Z') || (m >= '0' && m <= '9')) return m;
    return 0;
  }
  return 0;
}

}  // namespace

int Window::mnemonicTarget(int key) const {
  if ((key & Key_Alt) == 0 || (key & Key_Ctrl) != 0) return 0;
  const int base = keyBase(key);
  if (!((base >= Key_A && base < Key_A + 26) || (base >= Key_0 && base < Key_0 + 10))) return 0;
  for (const auto& c : controls_) {
    switch (c->type()) {
      case Ctl_Button:
      case Ctl_Check:
      case Ctl_Prompt:
      case Ctl_Tab: break;
      default: continue;
    }
    if (isToolbarControl(c->number())) continue;
    if (mnemonicOf(c->def.text) == char(base) && visible(c->number()) && enabled(c->number()))
      return c->number();
  }
  return 0;
}

std::string Window::accessibleName(int number) const {
  const Control* c = control(number);
  if (!c) return {};
  if (!c->def.accessibleName.empty()) return c->def.accessibleName;
  auto caption = [](const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '&' && i + 1 < text.size()) ++i;
      out += text[i];
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == ':')) out.pop_back();
    return out;
  };
  switch (c->type()) {
    case Ctl_Button:
    case Ctl_Check:
    case Ctl_Prompt:
    case Ctl_Text:
    case Ctl_Tab:
    case Ctl_MenuItem:
    case Ctl_Menu:
      if (std::string own = caption(c->def.text); !own.empty()) return own;
      return c->def.tip;
    case Ctl_VarText: return {};  // its value speaks for it
    default: break;
  }
  std::string before;
  for (const auto& o : controls_) {
    if (o.get() == c) break;
    if (o->type() == Ctl_Prompt || o->type() == Ctl_Text || o->type() == Ctl_Tab)
      if (std::string t = caption(o->def.text); !t.empty()) before = t;
  }
  if (!before.empty()) return before;
  if (!c->def.tip.empty()) return c->def.tip;
  if (c->isList() && !c->list.columns.empty()) return c->list.columns.front().header;
  return {};
}

void Window::actOnMnemonic(Control& c, int key) {
  switch (c.type()) {
    case Ctl_Button:
    case Ctl_Check:
      // As a click on a tool bar button: pressed where it stands, the focus
      // stays with the control the user is working in.
      press(c, key);
      return;
    case Ctl_Tab: {
      Control* sheet = control(c.def.parent);
      if (!sheet) return;
      int index = 0;
      for (auto& o : controls_) {
        if (o->def.parent != sheet->number() || o->type() != Ctl_Tab) continue;
        ++index;
        if (o.get() == &c) break;
      }
      inputChoice(sheet->number(), index);
      return;
    }
    default: {
      // A prompt hands the focus to the control after it.
      if (Control* old = control(focus_); old && !complete(*old, false)) return;
      bool after = false;
      for (auto& o : controls_) {
        if (o.get() == &c) {
          after = true;
          continue;
        }
        if (after && o->focusable() && visible(o->number()) && enabled(o->number())) {
          setFocus(*o);
          return;
        }
      }
    }
  }
}

bool Window::inputKey(int number, int key, unsigned char ch) {
  InputScope input(*this, key, ch);
  Control* c = control(number);
  bool windowAlert = std::find(windowAlerts_.begin(), windowAlerts_.end(), key) != windowAlerts_.end();
  if ((c && c->alerted(key)) || (key != 0 && windowAlert)) {
    post(Event_AlertKey, c && c->alerted(key) ? number : 0, key);
    return true;
  }
  if (int m = mnemonicTarget(key)) {
    actOnMnemonic(*control(m), key);
    return true;
  }
  if (key == Key_Esc) {
    post(Event_CloseWindow, 0, key);
    return true;
  }
  if (!c) return false;
  if (key == Key_Tab || key == Key_ShiftTab) {
    if (complete(*c, true)) moveFocus(key == Key_Tab ? 1 : -1);
    return true;
  }
  if (key == Key_Enter) {
    if (c->type() == Ctl_Button || c->type() == Ctl_Check) {
      press(*c, key);
    } else if (c->isList() && !c->isEntry()) {
      post(Event_Accepted, number, key);
    } else if (c->type() == Ctl_MultiLine) {
      return false;
    } else if (complete(*c, true)) {
      if (int d = defaultButton())
        press(*control(d), key);
      else
        moveFocus(1);
    }
    return true;
  }
  if (key == Key_Space && (c->type() == Ctl_Button || c->type() == Ctl_Check)) {
    press(*c, key);
    return true;
  }
  if (c->isList()) return listKey(*c, key);
  if (c->type() == Ctl_Spin && (key == Key_Up || key == Key_Down)) {
    inputSpin(number, PropValue(c->screen).toInt() + (key == Key_Up ? 1 : -1));
    return true;
  }
  return false;
}

void Window::inputSpin(int number, long long value) {
  Control* c = control(number);
  if (!c || c->type() != Ctl_Spin) return;
  value = std::clamp<long long>(value, c->def.rangeLow, std::max(c->def.rangeLow, c->def.rangeHigh));
  if (!c->screen.empty() && PropValue(c->screen).toInt() == value) return;
  c->screen = std::to_string(value);
  c->dirty = true;
  changed(*c, Aspect_Text);
  post(Event_NewSelection, number);
}

void Window::inputText(int number, const std::string& text) {
  if (Control* c = control(number)) {
    c->screen = text;
    c->dirty = true;
    if (rejected_ == number) rejected_ = 0;
  }
}

void Window::inputFocus(int number, int mouseKey) {
  InputScope input(*this, mouseKey ? mouseKey : -1);
  if (number == focus_) return;
  if (Control* old = control(focus_); old && !complete(*old, false)) return;
  Control* c = control(number);
  if (!c) return;
  focus_ = number;
  post(Event_Selected, number);
}

void Window::inputClick(int number, int mouseKey, int row, int column, int zone) {
  InputScope input(*this, mouseKey);
  Control* c = control(number);
  if (!c) return;
  if (!c->isList()) {
    if (mouseKey == Mouse_Left && c->type() == Ctl_MenuItem) {
      if (c->def.checkItem) {
        c->checked = !c->checked;
        if (c->use) c->use->set(c->checked ? "1" : "0");
        changed(*c, Aspect_State);
      }
      press(*c, mouseKey);  // choosing an item leaves the focus where it is
    } else if (mouseKey == Mouse_Left && c->type() == Ctl_Button && isToolbarControl(number)) {
      // Toolbar buttons act on the control that has the focus: they never take it.
      if (!visible(number) || !enabled(number)) return;
      press(*c, mouseKey);
    } else if (mouseKey == Mouse_Left && c->type() == Ctl_Button && focus_ != number) {
      if (!visible(number) || !enabled(number)) return;
      EventRecord r;
      r.code = Event_Selecting;
      r.control = number;
      r.action = Action_Press;
      post(r);
    } else if (mouseKey == Mouse_Left && (c->type() == Ctl_Button || c->type() == Ctl_Check)) {
      if (Control* old = control(focus_); old && old != c && !complete(*old, false)) return;
      if (focus_ != number) focus_ = number;
      press(*c, mouseKey);
    } else if (c->alerted(mouseKey) || (c->type() == Ctl_Image && mouseKey == Mouse_RightUp)) {
      // The release of the right button over a picture is always reported:
      // it opens the picture's own menu.
      post(Event_AlertKey, number, mouseKey);
    }
    return;
  }
  ListState& l = c->list;
  l.mouseRow = row;
  l.mouseColumn = column;
  l.mouseZone = zone;
  int rows = l.source ? l.source->rowCount() : 0;
  bool onRow = zone == Zone_Field && row >= 1 && row <= rows;
  if (mouseKey == Mouse_Left && onRow) {
    if (row != l.choice) {
      l.choice = row;
      changed(*c, Aspect_Selection);
    }
    post(Event_NewSelection, number, mouseKey);
  }
  if (c->alerted(mouseKey)) {
    post(Event_AlertKey, number, mouseKey);
  } else if (mouseKey == Mouse_LeftDouble && onRow) {
    post(Event_Accepted, number, mouseKey);
  } else if (mouseKey == Mouse_RightUp && onRow) {
    post(Event_NewSelection, number, mouseKey);
  }
}

void Window::inputChoice(int number, int choice) {
  Control* c = control(number);
  if (!c) return;
  if (c->type() == Ctl_Sheet) {
    if (c->choice == choice) return;
    c->choice = choice;
    for (auto& o : controls_) changed(*o, Aspect_State);
  } else if (c->isList()) {
    if (c->list.choice == choice && c->type() != Ctl_Combo) return;
    c->list.choice = choice;
    if (c->type() == Ctl_Combo && c->list.source && !c->list.columns.empty()) {
      // The chosen row's first column becomes the typed text.
      const ListColumn& col = c->list.columns.front();
      c->screen = pictureCodec().format(c->list.source->value(choice, col.field ? col.field : 1),
                                        col.picture);
      c->dirty = true;
      changed(*c, Aspect_Text);
    }
  } else {
    return;
  }
  post(Event_NewSelection, number);
}

void Window::inputCheck(int number, bool checked) {
  Control* c = control(number);
  if (!c || c->checked == checked) return;
  press(*c, Mouse_Left);
}

void Window::inputImageScroll(int number, int hpos, int vpos) {
  if (Control* c = control(number); c && c->type() == Ctl_Image) {
    c->image.hpos = std::clamp(hpos, 0, 255);
    c->image.vpos = std::clamp(vpos, 0, 255);
  }
}

void Window::inputScroll(int list, int event, int pos) {
  Control* c = control(list);
  if (!c || !c->isList()) return;
  if (event == Event_ScrollDrag) c->list.vscrollPos = std::clamp(pos, 0, 100);
  else if (event < Event_ScrollUp || event > Event_ScrollBottom) return;
  post(event, list);
}

void Window::inputCloseRequest() { post(Event_CloseWindow, 0); }

void Window::inputActivated(bool active) { post(active ? Event_GainFocus : Event_LoseFocus, 0); }

void Window::inputMoved(int xDlu, int yDlu) {
  if (xDlu == def_.x && yDlu == def_.y) return;
  def_.x = xDlu;
  def_.y = yDlu;
  post(Event_Moved, 0);
}

void Window::inputResized(int widthDlu, int heightDlu) {
  if (widthDlu == def_.width && heightDlu == def_.height) return;
  EventRecord r;
  r.code = Event_Size;
  r.action = Action_Size;
  r.arg1 = widthDlu;
  r.arg2 = heightDlu;
  post(r);
}

void Window::inputStateChanged(bool maximized, bool minimized) {
  if (maximized == maximized_ && minimized == minimized_) return;
  EventRecord r;
  r.code = maximized ? Event_Maximize : minimized ? Event_Iconize : Event_Restore;
  r.action = Action_State;
  r.arg1 = maximized;
  r.arg2 = minimized;
  post(r);
}

void Window::runDefault(const EventRecord& e) {
  switch (e.code) {
    case Event_CloseWindow:
    case Event_CloseDown: setClosing(); return;
    default: break;
  }
  switch (e.action) {
    case Action_Press: {
      Control* c = control(e.control);
      if (!c || !visible(e.control) || !enabled(e.control)) return;
      if (Control* old = control(focus_); old && old != c && !complete(*old, false)) return;
      setFocus(*c);
      press(*c, e.key);
      return;
    }
    case Action_Size:
      def_.width = e.arg1;
      def_.height = e.arg2;
      if (open_) backend().windowChanged(*this, Aspect_Geometry);
      post(Event_Sized, 0);
      return;
    case Action_State:
      maximized_ = e.arg1 != 0;
      minimized_ = e.arg2 != 0;
      post(maximized_ ? Event_Maximized : minimized_ ? Event_Iconized : Event_Restored, 0);
      return;
    default: return;
  }
}

void Window::refuseDefault(const EventRecord& e) {
  // The screen already shows the new size or state: put it back.
  if ((e.action == Action_Size || e.action == Action_State) && open_)
    backend().windowChanged(*this, Aspect_Geometry);
}

void Window::setListMetrics(int list, int items, int yOrigin) {
  if (Control* c = control(list); c && c->isList()) {
    c->list.items = std::max(1, items);
    c->list.yOrigin = std::max(1, yOrigin);
  }
}

}  // namespace ui
