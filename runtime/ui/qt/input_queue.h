// Holds the user's keys and clicks for the engine's windows
// until the engine asks for them. Qt would otherwise deliver every pending
// input to its widget the moment events are processed, ahead of the program
// handling the events of the earlier input. The filter takes the input as
// it reaches a window (before Qt picks the widget under the focus or the
// mouse), queues a copy with the engine, and sends the copy on when its turn
// comes (a click to the window it was made on, a key to the window typing
// goes to then); Qt then routes it as things stand at that time.
// Input for dialogs and popup menus, and input that a modal dialog blocks,
// is left to Qt.
#pragma once

#include <QObject>

class QEvent;

namespace ui::qt {

class InputQueue : public QObject {
 public:
  InputQueue();
  ~InputQueue() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ui::qt
