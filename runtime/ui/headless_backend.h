// A back-end without a screen: input comes from a script of steps that the
// test queues, time is virtual. Each wait for input runs the next step; with
// no step left a wait with a timeout advances the clock, and a wait without
// one closes the thread's windows ("EVENT:CloseDown") so that a loop can
// never hang a test.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "runtime/ui/backend.h"

namespace ui {

class HeadlessBackend : public Backend {
 public:
  // Queues a step to run at a later wait.
  void then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  // Moves the virtual clock on, so that timers fall due (from a step).
  void advanceClock(long long ms) { clockMs_ += ms; }
  // Answers of the next popup menus (0: dismissed).
  void answerPopup(int choice) { popupAnswers_.push_back(choice); }

  int beeps = 0;
  int idleCloses = 0;
  bool waitCursorOn = false;
  std::vector<std::string> popupsShown;  // first entry's text of each menu shown
  std::vector<int> focusLog;             // controls focused, in order

  void openWindow(Window&) override {}
  void closeWindow(Window&) override {}
  void windowChanged(Window&, unsigned) override {}
  void setWindowEnabled(Window&, bool) override {}
  void controlCreated(Window&, Control&) override {}
  void controlDestroyed(Window&, Control&) override {}
  void controlChanged(Window&, Control&, unsigned) override {}
  void focus(Window& w, Control& c) override;
  // Four units per character plus a margin; one text line high.
  bool measure(Window& w, Control& c, int* widthDlu, int* heightDlu) override;

  void waitForInput(int timeoutMs) override;
  void wake() override {}
  long long nowMs() override { return clockMs_; }

  void beep() override { ++beeps; }
  void setWaitCursor(bool on) override { waitCursorOn = on; }
  int popupMenu(Window* w, const PopupMenu& menu, int x, int y) override;
  bool savePng(Window&, const std::string&) override { return false; }

 private:
  std::deque<std::function<void()>> steps_;
  std::deque<int> popupAnswers_;
  long long clockMs_ = 0;
};

}  // namespace ui
