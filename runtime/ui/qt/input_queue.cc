#include "runtime/ui/qt/input_queue.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "runtime/ui/engine.h"
#include "runtime/ui/qt/key_map.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/window_view.h"
#include "runtime/ui/window.h"

namespace ui::qt {

namespace {

QEvent* replaying = nullptr;  // the held event being sent on (GUI thread only)

bool heldType(QEvent::Type t) {
  switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return true;
    default:
      return false;
  }
}

// The engine window behind a top-level Qt window, nullptr for any other.
WindowView* viewOf(QWindow* qw) {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->windowHandle() == qw) return dynamic_cast<WindowView*>(top);
  return nullptr;
}

}  // namespace

InputQueue::InputQueue() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

InputQueue::~InputQueue() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool InputQueue::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Qt would press a button for its Alt+letter the moment the key
    // arrives, ahead of the keys typed before it (and a key press it takes
    // as a shortcut never reaches the queue). Claiming the key makes Qt
    // deliver it as a plain key press, which waits its turn below; the
    // engine then presses the button.
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* view = widget ? dynamic_cast<WindowView*>(widget->QWidget::window()) : nullptr;
    if (!view || view->closingByEngine || !view->isEnabled()) return false;
    if (view->window()->mnemonicTarget(keyCode(*static_cast<QKeyEvent*>(event))) == 0) return false;
    event->accept();
    return true;
  }
  if (!heldType(event->type()) || event == replaying) return false;
  auto* qw = qobject_cast<QWindow*>(watched);
  if (!qw || !qw->isTopLevel()) return false;
  WindowView* view = viewOf(qw);
  if (!view || view->closingByEngine) return false;
  // What Qt refuses itself (a disabled owner, a window under a modal
  // dialog, a click that closes a popup) stays Qt's.
  if (!view->isEnabled() || QApplication::activePopupWidget()) return false;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != view) return false;
  Window* window = view->window();
  std::shared_ptr<QEvent> held(event->clone());
  QPointer<QWindow> origin(qw);
  // Keys go where typing goes when their turn comes: to the engine's target
  // window, which is the form a key before them opened. Clicks stay with the
  // window they were made on, and go with it when it closes.
  const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
  Engine& engine = window->engine();
  engine.queueInput(key ? nullptr : window, [origin, held, key, &engine] {
    QWindow* to = origin;
    if (key)
      if (Window* t = engine.target())
        if (QWidget* w = QtBackend::windowWidget(*t); w && w->windowHandle()) to = w->windowHandle();
    if (!to) return;
    QEvent* outer = replaying;
    replaying = held.get();
    QCoreApplication::sendEvent(to, held.get());
    replaying = outer;
  });
  event->accept();
  return true;
}

}  // namespace ui::qt
