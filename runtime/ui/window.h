// An open (or openable) window: its controls by number, their properties,
// bound variables, focus, alerted keys, and the default handling of the
// user's input. Lives on the thread that created it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/prop_value.h"
#include "runtime/ui/window_def.h"

namespace ui {

class Engine;
struct EventRecord;
class RowSource;
class UseVar;

class Window {
 public:
  explicit Window(const WindowDef& def);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Opening shows the bound variables and posts "EVENT:OpenWindow". With an
  // owner, the owner is disabled until this window closes.
  void open(Window* owner = nullptr);
  void close();
  bool isOpen() const { return open_; }
  // "EVENT:CloseWindow" was let through: event loops on this window end.
  bool closing() const { return closing_; }
  void setClosing() { closing_ = true; }
  Window* owner() const { return owner_; }
  Engine& engine() const { return *engine_; }

  const WindowDef& def() const { return def_; }
  std::string title() const { return def_.title; }

  // Controls.
  Control* control(int number);
  const Control* control(int number) const;
  bool exists(int number) const { return control(number) != nullptr; }
  std::vector<Control*> controls();  // creation order
  int lastControl() const;           // highest number in use
  // Creates a control; once the window is open, a definition without a
  // number gets the next number above every control of the window. Returns
  // the number, 0 when the number asked for is taken.
  int create(const ControlDef& def);
  int create(ControlType type, int parent = 0);
  // Destroys the controls in [first, last] and everything they hold.
  void destroy(int first, int last = 0);

  // Bound variables.
  void bind(int number, UseVar* var);
  // Variables to the screen for the controls in [first, last]; 0, 0: all.
  void display(int first = 0, int last = 0);
  // Screen to variables for entries in [first, last]; false when a value was refused.
  bool update(int first = 0, int last = 0);

  // Focus. select(0) starts the accept-all pass: every entry is accepted in
  // turn, then "EVENT:Completed"; a refused value raises "EVENT:Rejected" and
  // stops the pass.
  void select(int number);
  int focus() const { return focus_; }
  bool acceptAll() const { return acceptAll_; }

  void hide(int first, int last = 0) { setRange(first, last, Prop_Hide, 1); }
  void unhide(int first, int last = 0) { setRange(first, last, Prop_Hide, 0); }
  void disable(int first, int last = 0) { setRange(first, last, Prop_Disable, 1); }
  void enable(int first, int last = 0) { setRange(first, last, Prop_Disable, 0); }
  // Effective visibility: not hidden, and every holding tab shown and selected.
  bool visible(int number) const;
  bool enabled(int number) const;

  // Properties; number 0 addresses the window. Sizes that follow the content
  // (Auto) read as the measured natural size while the window is open.
  PropValue prop(int number, int id, int index = 0) const;
  void setProp(int number, int id, const PropValue& value, int index = 0);

  void setRowSource(int list, RowSource* source);
  // The list's rows changed underneath: redraw the rows it shows.
  void refreshRows(int list);
  void alert(int number, int key);  // 0: the window
  void removeAlert(int number, int key);

  bool savePng(const std::string& path);

  // User input, reported by the back-end (and by tests). inputKey returns
  // true when the engine took the key; otherwise the control handles it.
  // ch is the character the key typed (8-bit), 0 for none. Every event that
  // an input raises carries its key code, character and mouse position.
  bool inputKey(int number, int key, unsigned char ch = 0);
  // The control whose caption marks the letter of an Alt+letter key with
  // '&' (a button, check box, prompt or tab that can be used), 0 for none.
  // inputKey acts on it: a button or check box is pressed without taking
  // the focus, a tab is chosen, a prompt hands the focus to the control
  // after it. Mnemonics are taken in turn with the rest of the input.
  int mnemonicTarget(int key) const;
  // What a screen reader calls a control: its own name when the definition
  // gives one (ControlDef::accessibleName), else its caption without '&'
  // (buttons, check boxes, prompts, texts, tabs), else the prompt, text or
  // tab caption nearest before it in creation order, else its tip, else a
  // list's first column header. Empty for a control none of these names, and
  // for a variable text without a name of its own (its value speaks).
  std::string accessibleName(int number) const;
  void inputText(int number, const std::string& text);
  // The focus moved to a control; mouseKey is the button that moved it (0: a key).
  void inputFocus(int number, int mouseKey = 0);
  // A click on a control; for lists the row, column and zone under the mouse.
  // A left click on a button that does not have the focus raises
  // "EVENT:Selecting"; its default processing moves the focus and presses
  // the button, so a loop that consumes or drops it cancels the click.
  void inputClick(int number, int mouseKey, int row = 0, int column = 0,
                  int zone = Zone_Field);
  // Where the mouse was pressed, in the window's dialog units; before inputClick.
  void inputMousePosition(int xDlu, int yDlu) { inputMouseX_ = xDlu, inputMouseY_ = yDlu; }
  // The mouse position of the event being handled (Prop_MouseX, Prop_MouseY).
  void setEventMouse(int xDlu, int yDlu) { mouseX_ = xDlu, mouseY_ = yDlu; }
  void inputChoice(int number, int choice);     // drop-down list or sheet tab chosen
  void inputSpin(int number, long long value);  // spin box stepped to value
  void inputCheck(int number, bool checked);
  // An image's scroll bars moved by the user (positions 0..255).
  void inputImageScroll(int number, int hpos, int vpos);
  // The list's own scroll bar: a scroll event, or "EVENT:ScrollDrag" with
  // the thumb at pos (0..100).
  void inputScroll(int list, int event, int pos = 0);
  void inputCloseRequest();
  void inputActivated(bool active);  // the window gained or lost the focus
  void inputMoved(int xDlu, int yDlu);
  // A new size or state asks first ("EVENT:Size", "EVENT:Maximize",
  // "EVENT:Iconize", "EVENT:Restore"); the change is made by the event's
  // default processing, which then reports "EVENT:Sized" and so on. A loop
  // that consumes or drops the request puts the screen back.
  void inputResized(int widthDlu, int heightDlu);
  void inputStateChanged(bool maximized, bool minimized);
  // The back-end measured a list: rows it shows and the first row shown.
  void setListMetrics(int list, int items, int yOrigin);

  // Called by the event loop before each wait: runs one step of an
  // accept-all pass. Returns true when it posted an event.
  bool stepAcceptAll();
  // The default processing of an event taken by a loop on this window; a
  // request the loop consumed or dropped is refused instead.
  void runDefault(const EventRecord& e);
  void refuseDefault(const EventRecord& e);
  long long timerDue = 0;        // engine bookkeeping (ms)
  bool snapshotTaken = false;  // see snapshot.h
  void* backendData = nullptr;

 private:
  void setRange(int first, int last, int prop, int value);
  void changed(Control& c, unsigned aspects);
  bool complete(Control& c, bool always);
  bool store(Control& c);
  static bool inRange(const Control& c, const std::string& value);
  void moveFocus(int direction);
  void setFocus(Control& c);
  void press(Control& c, int key);
  void actOnMnemonic(Control& c, int key);
  bool listKey(Control& c, int key);
  void post(int event, int control, int key = -1);
  void post(EventRecord& r);
  // Marks the input being applied, whose key, character and mouse position
  // the events it raises carry.
  struct InputScope {
    InputScope(Window& w, int key, unsigned char ch = 0);
    ~InputScope();
    Window& w;
    int key, depth;
    unsigned char ch;
  };
  int defaultButton() const;
  void showScreen(Control& c);

  WindowDef def_;
  Engine* engine_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<int, Control*> byNumber_;
  std::vector<int> windowAlerts_;
  Window* owner_ = nullptr;
  bool open_ = false;
  bool closing_ = false;
  bool acceptAll_ = false;
  int acceptPos_ = 0;  // index into controls_ of the next control to accept
  int focus_ = 0;
  int rejected_ = 0;  // entry whose refusal was reported and not retyped since
  std::vector<std::string> status_;  // status bar zone texts
  int mouseX_ = 0, mouseY_ = 0;            // of the event being handled
  int inputMouseX_ = 0, inputMouseY_ = 0;  // of the last press reported
  int inputDepth_ = 0, inputKey_ = -1;     // the input being applied
  unsigned char inputChar_ = 0;
  bool maximized_ = false, minimized_ = false, hidden_ = false;
  int lastDefined_ = 0;
};

}  // namespace ui
