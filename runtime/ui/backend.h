// What a display back-end does for the engine. The engine keeps every piece
// of state; a back-end only mirrors it on the screen and reports the user's
// input through Window's input operations.
#pragma once

#include <string>

namespace ui {

class Control;
class PopupMenu;
class Window;

// Which parts of a control changed.
enum Aspect : unsigned {
  Aspect_Text = 1,        // caption, screen text, icon, tip
  Aspect_Geometry = 2,
  Aspect_State = 4,       // hidden, disabled, read-only, default, checked, progress
  Aspect_Look = 8,        // font and colours
  Aspect_Rows = 16,       // list rows or their values
  Aspect_Selection = 32,  // list choice, origin, scroll position; sheet tab
  Aspect_Columns = 64,    // list column definitions or properties
  Aspect_Editor = 128,    // a control laid over a list cell
  Aspect_All = 0xFFFF,
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void openWindow(Window& w) = 0;
  virtual void closeWindow(Window& w) = 0;
  virtual void windowChanged(Window& w, unsigned aspects) = 0;
  virtual void setWindowEnabled(Window& w, bool enabled) = 0;
  virtual void controlCreated(Window& w, Control& c) = 0;
  virtual void controlDestroyed(Window& w, Control& c) = 0;
  virtual void controlChanged(Window& w, Control& c, unsigned aspects) = 0;
  virtual void focus(Window& w, Control& c) = 0;
  // Natural size of a control whose size follows its content, in dialog units.
  virtual bool measure(Window& w, Control& c, int* widthDlu, int* heightDlu) = 0;

  // Blocks until input may have arrived, at most timeoutMs (-1: no limit).
  virtual void waitForInput(int timeoutMs) = 0;
  // Ends a waitForInput early; callable from any thread.
  virtual void wake() = 0;
  // Milliseconds of a monotonic clock, for window timers.
  virtual long long nowMs() = 0;

  virtual void beep() = 0;
  virtual void setWaitCursor(bool on) = 0;
  // Number of the chosen selectable entry, 0 for none. x, y of 0: at the mouse.
  virtual int popupMenu(Window* w, const PopupMenu& menu, int x, int y) = 0;
  virtual bool savePng(Window& w, const std::string& path) = 0;
};

// The process-wide back-end; nullptr restores the built-in headless one.
Backend* setBackend(Backend* backend);
Backend& backend();

}  // namespace ui
