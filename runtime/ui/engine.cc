#include "runtime/ui/engine.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "runtime/ui/backend.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/snapshot.h"
#include "runtime/ui/window.h"

namespace ui {

namespace {
std::mutex registryMutex;
std::map<std::thread::id, Engine*>& registry() {
  static std::map<std::thread::id, Engine*> r;
  return r;
}
}  // namespace

Engine& Engine::current() {
  static thread_local Engine engine;
  return engine;
}

Engine::Engine() : thread_(std::this_thread::get_id()) {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry()[thread_] = this;
}

Engine::~Engine() {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry().erase(thread_);
}

void Engine::post(int event, int control, Window* window, int key) {
  EventRecord r;
  r.code = event;
  r.control = control;
  r.window = window;
  r.key = key;
  post(r);
}

void Engine::post(const EventRecord& record) {
  // Events for a window that is not open on this thread are dropped: the
  // queue must never hold the address of a window that may go away.
  Window* window = record.window;
  if (window && std::find(windows_.begin(), windows_.end(), window) == windows_.end()) return;
  queue_.push_back(record);
}

bool Engine::postToThread(std::thread::id thread, int event, int control) {
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = registry().find(thread);
    if (it == registry().end()) return false;
    Engine* e = it->second;
    std::lock_guard<std::mutex> inbound(e->inboundMutex_);
    EventRecord r;
    r.code = event;
    r.control = control;
    e->inbound_.push_back(r);
  }
  backend().wake();
  return true;
}

void Engine::takeInbound() {
  std::lock_guard<std::mutex> lock(inboundMutex_);
  while (!inbound_.empty()) {
    queue_.push_back(inbound_.front());
    inbound_.pop_front();
  }
}

void Engine::notify(int code, int id, long long parameter, Window* window) {
  notifications_.push_back(Notification{code, id, parameter});
  post(Event_Notify, 0, window);
}

bool Engine::takeNotification(Notification* out) {
  if (notifications_.empty()) return false;
  *out = notifications_.front();
  notifications_.pop_front();
  return true;
}

void Engine::pressKey(int code) {
  queueInput(nullptr, [this, code] {
    if (Window* t = target()) t->inputKey(t->focus(), code);
  });
}

void Engine::queueInput(Window* window, std::function<void()> apply) {
  input_.push_back(RawInput{window, std::move(apply)});
  backend().wake();
}

void Engine::restore(const State& s) {
  current_ = s.event;
  keyCode_ = s.key;
  keyChar_ = s.ch;
  Window* w = s.event.window;
  // The window may have closed meanwhile; its mouse position no longer matters then.
  if (w && s.event.mouseX >= 0 && std::find(windows_.begin(), windows_.end(), w) != windows_.end())
    w->setEventMouse(s.event.mouseX, s.event.mouseY);
}

Window* Engine::target() const {
  if (target_ && std::find(windows_.begin(), windows_.end(), target_) != windows_.end())
    return target_;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (!isSideWindow(*it)) return *it;
  return nullptr;
}

void Engine::beep() { backend().beep(); }

void Engine::setWaitCursor(bool on) {
  int before = waitCursor_;
  waitCursor_ = on ? waitCursor_ + 1 : std::max(0, waitCursor_ - 1);
  if ((before > 0) != (waitCursor_ > 0)) backend().setWaitCursor(waitCursor_ > 0);
}

int Engine::popup(const std::string& menuText, int x, int y) {
  PopupMenu menu = PopupMenu::parse(menuText);
  if (menu.selectableCount() == 0) return 0;
  int n = backend().popupMenu(target(), menu, x, y);
  return n >= 1 && n <= menu.selectableCount() ? n : 0;
}

void Engine::addWindow(Window* w) {
  if (std::find(windows_.begin(), windows_.end(), w) == windows_.end()) windows_.push_back(w);
}

void Engine::removeWindow(Window* w) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [w](const EventRecord& e) { return e.window == w; }),
               queue_.end());
  input_.erase(std::remove_if(input_.begin(), input_.end(),
                              [w](const RawInput& i) { return i.window == w; }),
               input_.end());
  if (target_ == w) target_ = nullptr;
}

bool Engine::takeFor(Window& w, EventRecord* out) {
  Window* t = target();
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (it->window == &w || (it->window == nullptr && t == &w)) {
      *out = *it;
      out->window = &w;
      queue_.erase(it);
      return true;
    }
  }
  return false;
}

bool Engine::hasQueuedFor(const Window* w) {
  Window* t = target();
  return std::any_of(queue_.begin(), queue_.end(), [&](const EventRecord& e) {
    return e.window == w || (e.window == nullptr && t == w);
  });
}

bool Engine::wait(Window& w) {
  for (;;) {
    if (!w.isOpen() || w.closing()) return false;
    takeInbound();
    EventRecord e;
    if (takeFor(w, &e)) {
      current_ = e;
      if (e.key >= 0) {
        keyCode_ = e.key;
        keyChar_ = e.ch;
      }
      if (e.mouseX >= 0) w.setEventMouse(e.mouseX, e.mouseY);
      return true;
    }
    if (w.stepAcceptAll()) continue;
    // The program has taken every event of the earlier input (and finished
    // its accept-all pass): the next input may act now.
    if (!input_.empty()) {
      RawInput next = std::move(input_.front());
      input_.pop_front();
      next.apply();
      continue;
    }
    takeSnapshot(w, "open");
    int timeout = -1;
    if (int timer = w.def().timer; timer > 0) {
      long long now = backend().nowMs();
      if (w.timerDue == 0) w.timerDue = now + timer * 10LL;
      if (now >= w.timerDue) {
        w.timerDue = now + timer * 10LL;
        post(Event_Timer, 0, &w);
        continue;
      }
      timeout = int(std::min<long long>(w.timerDue - now, 1 << 30));
    }
    if (serveSideWindows(w, &timeout)) continue;
    backend().waitForInput(timeout);
  }
}

}  // namespace ui
