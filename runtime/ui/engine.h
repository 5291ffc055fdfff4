// The per-thread side of the window engine: the event queue, the current
// event, control and key code, the open windows of the thread and the wait
// for the next event that event loops are built on. Each thread has its own
// Engine; events can be posted to other threads.
//
// The user's input (keys, clicks, close requests) is held raw in its own
// queue and applied one input at a time, only when the program asks for
// the next event and every event of the earlier input has been taken: keys
// typed ahead while the program is busy land in the controls and records
// they were typed for, not in the state the program happens to be in.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ui {

class Window;

// What an event's default processing does beyond the plain ones (closing).
enum EventAction : int {
  Action_None = 0,
  Action_Press,  // "EVENT:Selecting" from a click: move the focus there, then press
  Action_Size,   // "EVENT:Size": the new size is arg1 x arg2 dialog units
  Action_State,  // "EVENT:Maximize"/"Iconize"/"Restore": arg1 maximised, arg2 minimised
};

struct EventRecord {
  int code = 0;
  int control = 0;
  Window* window = nullptr;  // nullptr: the thread's target window when taken
  int key = -1;              // key code that caused it; -1 leaves the current one
  unsigned char ch = 0;      // the character that key typed (with key >= 0)
  int mouseX = -1, mouseY = -1;  // where the mouse was pressed for it; -1: not a click
  int action = Action_None;
  int arg1 = 0, arg2 = 0;
};

struct Notification {
  int code = 0;
  int id = 0;
  long long parameter = 0;
};

class Engine {
 public:
  // The calling thread's engine.
  static Engine& current();

  // The event being handled.
  int event() const { return current_.code; }
  int field() const { return current_.control; }
  Window* eventWindow() const { return current_.window; }
  const EventRecord& currentRecord() const { return current_; }
  // Last key or mouse code; clearing it is the framework's business.
  int keyCode() const { return keyCode_; }
  void setKeyCode(int code) { keyCode_ = code; }
  // The character the last key typed (locators read it), 0 for none.
  unsigned char keyChar() const { return keyChar_; }
  void setKeyChar(unsigned char c) { keyChar_ = c; }

  // Posts to an open window of this thread (nullptr: the target window when
  // the event is taken); events for windows that are not open are dropped.
  void post(int event, int control = 0, Window* window = nullptr, int key = -1);
  void post(const EventRecord& record);
  // Posts to the target window of another thread; false when that thread has no engine.
  static bool postToThread(std::thread::id thread, int event, int control = 0);

  // "EVENT:Notify" with its notification, read back by takeNotification.
  void notify(int code, int id, long long parameter, Window* window = nullptr);
  bool takeNotification(Notification* out);

  // Puts a key into the input as if typed on the focused control of the target window.
  void pressKey(int code);

  // Raw input reported by a back-end: `apply` hands it to the window when
  // its turn comes. Input for a window that closes before then is dropped.
  void queueInput(Window* window, std::function<void()> apply);
  bool inputPending() const { return !input_.empty(); }

  // The current event, control, key code and character, as an event loop
  // keeps them across a nested loop.
  struct State {
    EventRecord event;
    int key = 0;
    unsigned char ch = 0;
  };
  State state() const { return State{current_, keyCode_, keyChar_}; }
  void restore(const State& s);

  // The window that unaddressed operations act on: the last one opened, unless set.
  Window* target() const;
  void setTarget(Window* window) { target_ = window; }

  void beep();
  void setWaitCursor(bool on);
  bool waitCursor() const { return waitCursor_ > 0; }

  // The character set that font attributes name (31290): 0, the ANSI set.
  static int charSet() { return 0; }

  // Shows a popup menu from menu text; the chosen selectable entry's number, 0 for none.
  int popup(const std::string& menuText, int x = 0, int y = 0);

  // Blocks until the next event for window w and makes it current.
  // False when the window is closed or closing.
  bool wait(Window& w);

  const std::vector<Window*>& windows() const { return windows_; }

  // A side window (a toolbox beside its owner) has its events served while
  // any loop of the thread waits for another window: `handler` runs with
  // the side window's event current, then the waiting loop's event is
  // restored. Its timer ticks are served the same way. A side window never
  // becomes the target unless set. A loop may still wait on the side window
  // itself, which then takes its events as usual.
  void addSideWindow(Window* w, std::function<void()> handler);
  void removeSideWindow(Window* w);
  bool isSideWindow(const Window* w) const;

  // For Window.
  void addWindow(Window* w);
  void removeWindow(Window* w);
  bool hasQueuedFor(const Window* w);

  ~Engine();

 private:
  Engine();
  bool takeFor(Window& w, EventRecord* out);
  void takeInbound();
  // Serves one pending event or timer tick of a side window other than
  // `waiting`; true when it did. Lowers *timeoutMs to the next side timer.
  bool serveSideWindows(Window& waiting, int* timeoutMs);

  struct SideWindow {
    Window* window = nullptr;
    std::function<void()> handler;
  };
  std::vector<SideWindow> side_;

  EventRecord current_;
  int keyCode_ = 0;
  unsigned char keyChar_ = 0;
  std::deque<EventRecord> queue_;
  struct RawInput {
    Window* window;
    std::function<void()> apply;
  };
  std::deque<RawInput> input_;
  std::vector<Window*> windows_;
  Window* target_ = nullptr;
  int waitCursor_ = 0;
  std::deque<Notification> notifications_;
  std::thread::id thread_;

  // Events posted from other threads, moved into queue_ by the owner thread.
  std::mutex inboundMutex_;
  std::deque<EventRecord> inbound_;
};

}  // namespace ui
