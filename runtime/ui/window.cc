// A window: its controls by number, bound variables, focus, the accept-all
// pass, visibility, and the back-end calls that mirror it.
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
  // What a sheet, tab or menu holds goes with it, children first.
  for (size_t i = 0; i < doomed.size(); ++i)
    for (auto& c : controls_)
      if (c->def.parent == doomed[i] &&
          std::find(doomed.begin(), doomed.end(), c->number()) == doomed.end())
        doomed.push_back(c->number());
  std::reverse(doomed.begin(), doomed.end());
  for (int n : doomed) {
    Control* c = control(n);
    if (!c) continue;
    for (auto& other : controls_) {
      if (!other->isList()) continue;
      for (auto it = other->list.editors.begin(); it != other->list.editors.end();) {
        if (it->second == n) {
          it = other->list.editors.erase(it);
          if (focus_ == n) {  // the list takes the keyboard back from its editor
            focus_ = other->number();
            if (open_) backend().focus(*this, *other);
          }
          if (open_) backend().controlChanged(*this, *other, Aspect_Editor);
        } else {
          ++it;
        }
      }
    }
    if (open_) backend().controlDestroyed(*this, *c);
    if (focus_ == n) focus_ = 0;
    int parent = c->type() == Ctl_Tab ? c->def.parent : 0;
    byNumber_.erase(n);
    controls_.erase(std::find_if(controls_.begin(), controls_.end(),
                                 [c](const std::unique_ptr<Control>& p) { return p.get() == c; }));
    if (Control* sheet = control(parent)) changed(*sheet, Aspect_Selection);  // its tab bar
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
  if (c.type() == Ctl_Check || c.type() == Ctl_MenuItem) {
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
  if (c.type() == Ctl_Spin && !inRange(c, value)) return false;
  if (!c.use->set(value)) return false;
  c.dirty = false;
  return true;
}

bool Window::inRange(const Control& c, const std::string& value) {
  long long v = PropValue(value).toInt();
  return v >= c.def.rangeLow && v <= std::max(c.def.rangeLow, c.def.rangeHigh);
}

bool Window::update(int first, int last) {
  if (first == 0 && last == 0) last = lastControl();
  if (last < first) last = first;
  bool ok = true;
  for (auto& c : controls_)
    if (c->number() >= first && c->number() <= last && c->dirty && !store(*c)) ok = false;
  return ok;
}

void Window::post(int event, int control, int key) {
  EventRecord r;
  r.code = event;
  r.control = control;
  r.key = key;
  post(r);
}

void Window::post(EventRecord& r) {
  r.window = this;
  if (inputDepth_ > 0) {
    if (r.key < 0) r.key = inputKey_;
    if (r.key >= 0) r.ch = inputChar_;
    if (isMouseKey(r.key)) {
      r.mouseX = inputMouseX_;
      r.mouseY = inputMouseY_;
    }
  }
  engine_->post(r);
}

Window::InputScope::InputScope(Window& win, int k, unsigned char c)
    : w(win), key(win.inputKey_), depth(win.inputDepth_), ch(win.inputChar_) {
  ++w.inputDepth_;
  w.inputKey_ = k;
  w.inputChar_ = c;
}

Window::InputScope::~InputScope() {
  w.inputDepth_ = depth;
  w.inputKey_ = key;
  w.inputChar_ = ch;
}

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
                         (c.type() != Ctl_Spin || inRange(c, value)) && (!c.dirty || store(c)));
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

}  // namespace ui
