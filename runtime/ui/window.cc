#include "runtime/ui/window.h"

#include <algorithm>

#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/snapshot.h"
#include "runtime/ui/use_var.h"

namespace ui {

namespace {
// Default row height and header height of a list, in dialog units, until
// the back-end measures the real ones.
constexpr int kRowDlu = 10;
constexpr int kHeaderDlu = 10;
}  // namespace

Window::Window(const WindowDef& def) : def_(def), engine_(&Engine::current()) {
  std::vector<ControlDef> defs = std::move(def_.controls);
  def_.controls.clear();
  windowAlerts_ = def_.alerts;
  for (const ControlDef& d : defs) create(d);
}

Window::~Window() { close(); }

void Window::open(Window* owner) {
  if (open_) return;
  owner_ = owner;
  open_ = true;
  closing_ = false;
  snapshotTaken = false;
  timerDue = 0;
  engine_->addWindow(this);
  if (owner_ && owner_->isOpen()) backend().setWindowEnabled(*owner_, false);
  backend().openWindow(*this);
  display();  // opening shows the bound variables
  post(Event_OpenWindow, 0);
  for (auto& c : controls_) {
    if (c->focusable() && visible(c->number()) && enabled(c->number())) {
      focus_ = c->number();
      backend().focus(*this, *c);
      break;
    }
  }
}

void Window::close() {
  if (!open_) return;
  takeSnapshot(*this, "close");
  open_ = false;
  closing_ = true;
  acceptAll_ = false;
  backend().closeWindow(*this);
  engine_->removeWindow(this);
  if (owner_ && owner_->isOpen()) backend().setWindowEnabled(*owner_, true);
  owner_ = nullptr;
}

Control* Window::control(int number) {
  auto it = byNumber_.find(number);
  return it == byNumber_.end() ? nullptr : it->second;
}

const Control* Window::control(int number) const {
  auto it = byNumber_.find(number);
  return it == byNumber_.end() ? nullptr : it->second;
}

std::vector<Control*> Window::controls() {
  std::vector<Control*> out;
  for (auto& c : controls_) out.push_back(c.get());
  return out;
}

int Window::lastControl() const { return byNumber_.empty() ? 0 : byNumber_.rbegin()->first; }

int Window::create(const ControlDef& d) {
  int number = d.number;
  if (number <= 0) {
    // Definitions count on from the last numbered one; run-time controls go
    // above everything the window has.
    number = open_ ? lastControl() + 1 : lastDefined_ + 1;
    while (byNumber_.count(number)) ++number;
    if (!open_) lastDefined_ = number;
  } else if (byNumber_.count(number)) {
    return 0;
  }
  auto c = std::make_unique<Control>(number, d);
  if (c->type() == Ctl_Sheet) c->choice = 0;
  Control* raw = c.get();
  controls_.push_back(std::move(c));
  byNumber_[number] = raw;
  // A sheet shows its first tab that is not hidden.
  if (raw->type() == Ctl_Tab) {
    if (Control* sheet = control(raw->def.parent); sheet && sheet->choice == 0 && !raw->def.hidden) {
      int index = 0;
      for (auto& t : controls_)
        if (t->type() == Ctl_Tab && t->def.parent == sheet->number()) ++index;
      sheet->choice = index;
    }
  }
  if (open_) {
    backend().controlCreated(*this, *raw);
    showScreen(*raw);
  }
  return number;
}

int Window::create(ControlType type, int parent) {
  ControlDef d;
  d.type = type;
  d.parent = parent;
  if (type == Ctl_Entry) d.text = "@s255";
  return create(d);
}

void Window::destroy(int first, int last) {
  if (last < first) last = first;
  std::vector<int> doomed;
  for (auto& [n, c] : byNumber_)
    if (n >= first && n <= last) doomed.push_back(n);
  for (int n : doomed) {
    Control* c = control(n);
    for (auto& other : controls_) {
      if (!other->isList()) continue;
      for (auto it = other->list.editors.begin(); it != other->list.editors.end();) {
        if (it->second == n) {
          it = other->list.editors.erase(it);
          if (open_) backend().controlChanged(*this, *other, Aspect_Editor);
        } else {
          ++it;
        }
      }
    }
    if (open_) backend().controlDestroyed(*this, *c);
    if (focus_ == n) focus_ = 0;
    byNumber_.erase(n);
    controls_.erase(std::find_if(controls_.begin(), controls_.end(),
                                 [c](const std::unique_ptr<Control>& p) { return p.get() == c; }));
  }
}

void Window::bind(int number, UseVar* var) {
  if (Control* c = control(number)) {
    c->use = var;
    if (open_) showScreen(*c);
  }
}

void Window::showScreen(Control& c) {
  if (c.isList()) {
    changed(c, Aspect_Rows | Aspect_Selection);
    if (!c.isEntry()) return;  // a combo also shows its variable
  }
  if (!c.use) return;
  if (c.type() == Ctl_Check) {
    std::string v = c.use->get();
    c.checked = !v.empty() && v != "0";
    changed(c, Aspect_State);
    return;
  }
  if (c.type() == Ctl_Progress) {
    c.progress = int(PropValue(c.use->get()).toInt());
    changed(c, Aspect_State);
    return;
  }
  if (!c.showsVariable()) return;
  c.screen = pictureCodec().format(c.use->get(), c.def.text);
  c.dirty = false;
  changed(c, Aspect_Text);
}

void Window::display(int first, int last) {
  if (first == 0 && last == 0) last = lastControl();
  if (last < first) last = first;
  for (auto& c : controls_)
    if (c->number() >= first && c->number() <= last) showScreen(*c);
}

bool Window::store(Control& c) {
  if (!c.use || !c.isEntry()) return true;
  std::string value;
  if (!pictureCodec().deformat(c.screen, c.def.text, &value)) return false;
  if (!c.use->set(value)) return false;
  c.dirty = false;
  return true;
}

bool Window::update(int first, int last) {
  if (first == 0 && last == 0) last = lastControl();
  if (last < first) last = first;
  bool ok = true;
  for (auto& c : controls_)
    if (c->number() >= first && c->number() <= last && c->dirty && !store(*c)) ok = false;
  return ok;
}

void Window::post(int event, int control, int key) { engine_->post(event, control, this, key); }

void Window::changed(Control& c, unsigned aspects) {
  if (open_) backend().controlChanged(*this, c, aspects);
}

void Window::setFocus(Control& c) {
  focus_ = c.number();
  if (open_) backend().focus(*this, c);
  post(Event_Selected, c.number());
}

void Window::select(int number) {
  if (number == 0) {
    acceptAll_ = true;
    acceptPos_ = 0;
    return;
  }
  acceptAll_ = false;
  Control* c = control(number);
  if (!c || !visible(number)) return;
  setFocus(*c);
}

bool Window::stepAcceptAll() {
  if (!acceptAll_) return false;
  for (size_t i = size_t(acceptPos_); i < controls_.size(); ++i) {
    Control& c = *controls_[i];
    if (!c.isEntry() || c.def.readOnly || !visible(c.number()) || !enabled(c.number())) continue;
    acceptPos_ = int(i) + 1;
    std::string value;
    bool ok = !c.use || (pictureCodec().deformat(c.screen, c.def.text, &value) &&
                         (!c.dirty || store(c)));
    if (!ok) {
      acceptAll_ = false;
      post(Event_Rejected, c.number());
      focus_ = c.number();
      if (open_) backend().focus(*this, c);
      return true;
    }
    post(Event_Accepted, c.number());
    return true;
  }
  acceptAll_ = false;
  post(Event_Completed, 0);
  return true;
}

bool Window::visible(int number) const {
  const Control* c = control(number);
  for (int guard = 0; c && guard < 64; ++guard) {
    if (c->def.hidden) return false;
    if (c->def.parent == 0) return true;
    const Control* p = control(c->def.parent);
    if (!p) return true;
    if (c->type() == Ctl_Tab && p->type() == Ctl_Sheet) {
      int index = 0;
      for (auto& t : controls_) {
        if (t->type() == Ctl_Tab && t->def.parent == p->number()) ++index;
        if (t.get() == c) break;
      }
      if (p->choice != index) return false;
    }
    c = p;
  }
  return c != nullptr;
}

bool Window::enabled(int number) const {
  const Control* c = control(number);
  for (int guard = 0; c && guard < 64; ++guard) {
    if (c->def.disabled) return false;
    c = c->def.parent ? control(c->def.parent) : nullptr;
  }
  return true;
}

void Window::setRange(int first, int last, int prop, int value) {
  if (last < first) last = first;
  for (auto& c : controls_)
    if (c->number() >= first && c->number() <= last) setProp(c->number(), prop, value);
}

namespace {
int defaultItems(const Control& c) {
  if (c.list.items > 0) return c.list.items;
  if (c.type() == Ctl_DropList) return c.def.dropRows > 0 ? c.def.dropRows : 1;
  int h = c.def.height > 0 ? c.def.height : kRowDlu * 5;
  return std::max(1, (h - kHeaderDlu) / kRowDlu);
}
}  // namespace

PropValue Window::prop(int number, int id, int index) const {
  if (number == 0) {
    switch (id) {
      case Prop_AcceptAll: return acceptAll_;
      case Prop_Timer: return def_.timer;
      case Prop_Maximize: return maximized_;
      case Prop_Iconize: return minimized_;
      case Prop_Target: return engine_->target() == this;
      case Prop_Xpos: return def_.x;
      case Prop_Ypos: return def_.y;
      case Prop_Width:
      case Prop_ClientWidth: return def_.width;
      case Prop_Height:
      case Prop_ClientHeight: return def_.height;
      case Prop_Text:
      case Prop_Title: return def_.title;
      case Prop_Focus: return focus_;
      case Prop_FontName: return def_.fontName;
      case Prop_FontSize: return def_.fontSize;
      case Prop_Background: return def_.background;
      case Prop_Alrt:
        return index >= 1 && index <= int(windowAlerts_.size()) ? windowAlerts_[size_t(index - 1)] : 0;
      case Prop_Visible: return open_ && !hidden_;
      case Prop_StatusText:
        return index >= 1 && index <= int(status_.size()) ? PropValue(status_[size_t(index - 1)]) : PropValue();
      case Prop_MouseX: return mouseX_;
      case Prop_MouseY: return mouseY_;
      case Prop_Hide: return hidden_;
      default: return PropValue();
    }
  }
  const Control* c = control(number);
  if (!c) return PropValue();
  const ListState& l = c->list;
  auto col = [&](auto get) -> PropValue {
    if (index < 1 || index > int(l.columns.size())) return PropValue(0);
    return get(size_t(index - 1));
  };
  switch (id) {
    case Prop_Text:
    case Prop_Picture: return c->def.text;
    case Prop_Use: return c->use ? PropValue(c->use->get()) : PropValue();
    case Prop_Type: return int(c->type());
    case Prop_Hide: return c->def.hidden;
    case Prop_Disable: return c->def.disabled;
    case Prop_Visible: return visible(number);
    case Prop_ReadOnly: return c->def.readOnly;
    case Prop_Tip: return c->def.tip;
    case Prop_Xpos: return c->def.x;
    case Prop_Ypos: return c->def.y;
    case Prop_Width:
    case Prop_Height: {
      int v = id == Prop_Width ? c->def.width : c->def.height;
      int w = 0, h = 0;
      if (v == Auto && open_ && backend().measure(const_cast<Window&>(*this), const_cast<Control&>(*c), &w, &h))
        v = id == Prop_Width ? w : h;
      return v;
    }
    case Prop_Alrt:
      return index >= 1 && index <= int(c->alerts.size()) ? c->alerts[size_t(index - 1)] : 0;
    case Prop_Default: return c->def.isDefault;
    case Prop_Checked: return c->checked;
    case Prop_Parent: return c->def.parent;
    case Prop_FontName: return c->def.fontName.empty() ? def_.fontName : c->def.fontName;
    case Prop_FontSize: return c->def.fontSize ? c->def.fontSize : def_.fontSize;
    case Prop_FontBold: return c->def.bold;
    case Prop_FontColor: return c->def.color;
    case Prop_Background: return c->def.background;
    case Prop_Icon: return c->def.icon;
    case Prop_ScreenText: return c->screen;
    case Prop_Progress: return c->progress;
    case Prop_RangeLow: return c->def.rangeLow;
    case Prop_RangeHigh: return c->def.rangeHigh;
    case Prop_Choice:
    case Prop_SelStart: return c->type() == Ctl_Sheet ? c->choice : l.choice;
    case Prop_Items: return c->isList() ? defaultItems(*c) : 0;
    case Prop_YOrigin: return l.yOrigin;
    case Prop_VScroll: return l.vscroll;
    case Prop_VScrollPos: return l.vscrollPos;
    case Prop_Rows: return l.source ? l.source->rowCount() : 0;
    case Prop_Immediate: return c->def.immediate;
    case Prop_Cursor: return c->def.cursor;
    case Prop_MouseDownRow: return l.mouseRow;
    case Prop_MouseDownField: return l.mouseColumn;
    case Prop_MouseDownZone: return l.mouseZone;
    case Prop_ColExists: return col([](size_t) { return PropValue(1); });
    case Prop_ColFieldNo:
      return col([&](size_t i) { return PropValue(l.columns[i].field ? l.columns[i].field : int(i) + 1); });
    case Prop_ColPicture: return col([&](size_t i) { return PropValue(l.columns[i].picture); });
    case Prop_ColEditable: return col([&](size_t i) { return PropValue(l.editable[i]); });
    case Prop_ColColor: return col([&](size_t i) { return PropValue(l.colColor[i]); });
    case Prop_ColHeader: return col([&](size_t i) { return PropValue(l.columns[i].header); });
    case Prop_ColWidth: return col([&](size_t i) { return PropValue(l.columns[i].width); });
    case Prop_Edit: {
      auto it = l.editors.find(index);
      return it == l.editors.end() ? 0 : it->second;
    }
    default: return PropValue();
  }
}

void Window::setProp(int number, int id, const PropValue& v, int index) {
  if (number == 0) {
    switch (id) {
      case Prop_AcceptAll:
        acceptAll_ = v.toInt() != 0;
        acceptPos_ = 0;
        return;
      case Prop_Timer:
        def_.timer = int(std::max(0LL, v.toInt()));
        timerDue = 0;
        return;
      case Prop_Maximize: maximized_ = v.toInt() != 0; if (maximized_) minimized_ = false; break;
      case Prop_Iconize: minimized_ = v.toInt() != 0; if (minimized_) maximized_ = false; break;
      case Prop_Xpos: def_.x = int(v.toInt()); break;
      case Prop_Ypos: def_.y = int(v.toInt()); break;
      case Prop_Width: def_.width = int(v.toInt()); break;
      case Prop_Height: def_.height = int(v.toInt()); break;
      case Prop_Text:
      case Prop_Title: def_.title = v.toString(); break;
      case Prop_Background: def_.background = v.toInt(); break;
      case Prop_Hide: hidden_ = v.toInt() != 0; break;
      case Prop_StatusText:
        if (index < 1 || index > 64) return;
        if (int(status_.size()) < index) status_.resize(size_t(index));
        status_[size_t(index - 1)] = v.toString();
        break;
      case Prop_Alrt:
        if (index >= 1 && index <= 254) {
          if (int(windowAlerts_.size()) < index) windowAlerts_.resize(size_t(index), 0);
          windowAlerts_[size_t(index - 1)] = int(v.toInt());
        }
        return;
      default: return;
    }
    if (open_) backend().windowChanged(*this, Aspect_All);
    return;
  }
  Control* c = control(number);
  if (!c) return;
  ListState& l = c->list;
  bool inCol = index >= 1 && index <= int(l.columns.size());
  size_t ci = inCol ? size_t(index - 1) : 0;
  switch (id) {
    case Prop_Text:
    case Prop_Picture:
      c->def.text = v.toString();
      if (c->showsVariable() && c->use) showScreen(*c);
      changed(*c, Aspect_Text);
      break;
    case Prop_Use:
      if (c->use && c->use->set(v.toString())) showScreen(*c);
      break;
    case Prop_Hide:
    case Prop_Disable:
    case Prop_ReadOnly:
    case Prop_Default: {
      bool on = v.toInt() != 0;
      (id == Prop_Hide ? c->def.hidden : id == Prop_Disable ? c->def.disabled
                        : id == Prop_ReadOnly ? c->def.readOnly : c->def.isDefault) = on;
      changed(*c, Aspect_State);
      // Children of a sheet or tab follow it.
      if (id == Prop_Hide || id == Prop_Disable)
        for (auto& o : controls_)
          if (o->def.parent == number) changed(*o, Aspect_State);
      break;
    }
    case Prop_Checked:
      c->checked = v.toInt() != 0;
      changed(*c, Aspect_State);
      break;
    case Prop_Tip: c->def.tip = v.toString(); changed(*c, Aspect_Text); break;
    case Prop_Icon: c->def.icon = v.toString(); changed(*c, Aspect_Text); break;
    case Prop_Xpos: c->def.x = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Ypos: c->def.y = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Width: c->def.width = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Height: c->def.height = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Alrt:
      if (index >= 1 && index <= 254) {
        if (int(c->alerts.size()) < index) c->alerts.resize(size_t(index), 0);
        c->alerts[size_t(index - 1)] = int(v.toInt());
      } else {
        c->addAlert(int(v.toInt()));
      }
      break;
    case Prop_FontName: c->def.fontName = v.toString(); changed(*c, Aspect_Look); break;
    case Prop_FontSize: c->def.fontSize = int(v.toInt()); changed(*c, Aspect_Look); break;
    case Prop_FontBold: c->def.bold = v.toInt() != 0; changed(*c, Aspect_Look); break;
    case Prop_FontColor: c->def.color = v.toInt(); changed(*c, Aspect_Look); break;
    case Prop_Background: c->def.background = v.toInt(); changed(*c, Aspect_Look); break;
    case Prop_Progress: c->progress = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_RangeLow: c->def.rangeLow = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_RangeHigh: c->def.rangeHigh = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_Choice:
    case Prop_SelStart:
      if (c->type() == Ctl_Sheet) {
        c->choice = int(v.toInt());
        changed(*c, Aspect_Selection);
        for (auto& o : controls_) changed(*o, Aspect_State);
      } else if (c->isList()) {
        int rows = l.source ? l.source->rowCount() : 0;
        l.choice = int(std::clamp<long long>(v.toInt(), 0, rows));
        changed(*c, Aspect_Selection);
      }
      break;
    case Prop_YOrigin: l.yOrigin = int(std::max(1LL, v.toInt())); changed(*c, Aspect_Selection); break;
    case Prop_VScroll: l.vscroll = v.toInt() != 0; changed(*c, Aspect_State); break;
    case Prop_VScrollPos:
      l.vscrollPos = int(std::clamp<long long>(v.toInt(), 0, 100));
      changed(*c, Aspect_Selection);
      break;
    case Prop_Immediate: c->def.immediate = v.toInt() != 0; break;
    case Prop_Cursor: c->def.cursor = int(v.toInt()); changed(*c, Aspect_Look); break;
    case Prop_ColEditable: if (inCol) l.editable[ci] = int(v.toInt()); break;
    case Prop_ColPicture:
      if (inCol) { l.columns[ci].picture = v.toString(); changed(*c, Aspect_Columns | Aspect_Rows); }
      break;
    case Prop_ColFieldNo: if (inCol) l.columns[ci].field = int(v.toInt()); break;
    case Prop_ColColor:
      if (inCol) { l.colColor[ci] = v.toInt(); changed(*c, Aspect_Columns | Aspect_Rows); }
      break;
    case Prop_ColHeader:
      if (inCol) { l.columns[ci].header = v.toString(); changed(*c, Aspect_Columns); }
      break;
    case Prop_ColWidth:
      if (inCol) { l.columns[ci].width = int(v.toInt()); changed(*c, Aspect_Columns); }
      break;
    case Prop_Edit:
      if (!inCol) break;
      if (int editor = int(v.toInt()); editor != 0 && exists(editor))
        l.editors[index] = editor;
      else
        l.editors.erase(index);
      changed(*c, Aspect_Editor);
      break;
    default: break;
  }
}

void Window::setRowSource(int list, RowSource* source) {
  if (Control* c = control(list); c && c->isList()) {
    c->list.source = source;
    changed(*c, Aspect_Rows | Aspect_Selection);
  }
}

void Window::refreshRows(int list) {
  if (Control* c = control(list); c && c->isList()) changed(*c, Aspect_Rows | Aspect_Selection);
}

void Window::alert(int number, int key) {
  if (number == 0) {
    if (std::find(windowAlerts_.begin(), windowAlerts_.end(), key) == windowAlerts_.end())
      windowAlerts_.push_back(key);
  } else if (Control* c = control(number)) {
    c->addAlert(key);
  }
}

void Window::removeAlert(int number, int key) {
  if (number == 0) {
    std::replace(windowAlerts_.begin(), windowAlerts_.end(), key, 0);
  } else if (Control* c = control(number)) {
    c->removeAlert(key);
  }
}

bool Window::savePng(const std::string& path) { return open_ && backend().savePng(*this, path); }

// ---- Input -------------------------------------------------------------

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
    default: return false;
  }
  if (c.def.immediate) {
    post(event, c.number(), key);
    return true;
  }
  ListState& l = c.list;
  int rows = l.source ? l.source->rowCount() : 0;
  if (rows == 0) return true;
  int page = defaultItems(c);
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

bool Window::inputKey(int number, int key, unsigned char ch) {
  engine_->setKeyCode(key);
  engine_->setKeyChar(ch);
  Control* c = control(number);
  bool windowAlert = std::find(windowAlerts_.begin(), windowAlerts_.end(), key) != windowAlerts_.end();
  if ((c && c->alerted(key)) || (key != 0 && windowAlert)) {
    post(Event_AlertKey, c && c->alerted(key) ? number : 0, key);
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

void Window::inputFocus(int number) {
  if (number == focus_) return;
  if (Control* old = control(focus_); old && !complete(*old, false)) return;
  Control* c = control(number);
  if (!c) return;
  focus_ = number;
  post(Event_Selected, number);
}

void Window::inputClick(int number, int mouseKey, int row, int column, int zone) {
  engine_->setKeyCode(mouseKey);
  Control* c = control(number);
  if (!c) return;
  if (!c->isList()) {
    if (mouseKey == Mouse_Left && c->type() == Ctl_MenuItem) {
      press(*c, mouseKey);  // choosing an item leaves the focus where it is
    } else if (mouseKey == Mouse_Left && (c->type() == Ctl_Button || c->type() == Ctl_Check)) {
      if (Control* old = control(focus_); old && old != c && !complete(*old, false)) return;
      if (focus_ != number) focus_ = number;
      press(*c, mouseKey);
    } else if (c->alerted(mouseKey)) {
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
  def_.width = widthDlu;
  def_.height = heightDlu;
  post(Event_Sized, 0);
}

void Window::inputStateChanged(bool maximized, bool minimized) {
  if (maximized == maximized_ && minimized == minimized_) return;
  maximized_ = maximized;
  minimized_ = minimized;
  post(maximized ? Event_Maximized : minimized ? Event_Iconized : Event_Restored, 0);
}

void Window::setListMetrics(int list, int items, int yOrigin) {
  if (Control* c = control(list); c && c->isList()) {
    c->list.items = std::max(1, items);
    c->list.yOrigin = std::max(1, yOrigin);
  }
}

}  // namespace ui
