// The Qt 6 Widgets back-end of the window engine. Each open window is a
// top-level widget; each control a real Qt widget placed in dialog units
// of the window's font. Works under any Qt platform, "offscreen" included.
//
//   QApplication app(argc, argv);
//   ui::qt::QtBackend qt;   // installs itself and the message boxes
//   ... run window procedures ...
#pragma once

#include <QElapsedTimer>
#include <condition_variable>
#include <mutex>
#include <string>

#include "runtime/ui/backend.h"
#include "runtime/ui/qt/input_queue.h"
#include "runtime/ui/qt/message_box.h"

class QWidget;

namespace ui::qt {

class QtBackend : public Backend {
 public:
  // Needs a QApplication. Makes itself the engine's back-end and the
  // process's message presenter; the destructor restores the previous ones.
  QtBackend();
  ~QtBackend() override;

  // The widgets behind a window and its controls (nullptr when none).
  static QWidget* windowWidget(const Window& w);
  static QWidget* controlWidget(const Window& w, int control);

  void openWindow(Window& w) override;
  void closeWindow(Window& w) override;
  void windowChanged(Window& w, unsigned aspects) override;
  void setWindowEnabled(Window& w, bool enabled) override;
  void controlCreated(Window& w, Control& c) override;
  void controlDestroyed(Window& w, Control& c) override;
  void controlChanged(Window& w, Control& c, unsigned aspects) override;
  void focus(Window& w, Control& c) override;
  bool measure(Window& w, Control& c, int* widthDlu, int* heightDlu) override;

  void waitForInput(int timeoutMs) override;
  void wake() override;
  long long nowMs() override;

  void beep() override;
  void setWaitCursor(bool on) override;
  int popupMenu(Window* w, const PopupMenu& menu, int x, int y) override;
  bool savePng(Window& w, const std::string& path) override;

 private:
  QtMessagePresenter presenter_;
  InputQueue input_;
  rt::MessagePresenter* previousPresenter_ = nullptr;
  Backend* previousBackend_ = nullptr;
  QElapsedTimer clock_;
  // Wakes loops of threads other than the GUI thread.
  std::mutex wakeMutex_;
  std::condition_variable wakeCv_;
  bool woken_ = false;
};

}  // namespace ui::qt
