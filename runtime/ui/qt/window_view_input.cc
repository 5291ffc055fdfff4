// Input that reaches a window's widgets, reported to the engine.
#include "runtime/ui/qt/window_view.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>
#include <QStatusBar>
#include <QTableView>

#include "runtime/ui/backend.h"
#include "runtime/ui/control.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/qt/key_map.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/window.h"

namespace ui::qt {

bool WindowView::listMouse(Control& c, QObject* watched, QEvent* event) {
  auto* me = static_cast<QMouseEvent*>(event);
  int key = 0;
  if (event->type() == QEvent::MouseButtonPress)
    key = me->button() == Qt::LeftButton ? Mouse_Left : me->button() == Qt::RightButton ? Mouse_Right : 0;
  else if (event->type() == QEvent::MouseButtonDblClick)
    key = me->button() == Qt::LeftButton ? Mouse_LeftDouble
          : me->button() == Qt::RightButton ? Mouse_RightDouble : 0;
  else if (event->type() == QEvent::MouseButtonRelease)
    key = me->button() == Qt::RightButton ? Mouse_RightUp : 0;
  else
    return false;
  auto* t = qobject_cast<QTableView*>(widget(c.number()));
  if (!t) return false;
  if (key == 0) return event->type() != QEvent::MouseButtonRelease;
  QPoint pos = me->position().toPoint();
  int row = 0, column = 0, zone = Zone_Field;
  if (watched->property(kHeaderProp).toBool()) {
    zone = Zone_Header;
    column = t->horizontalHeader()->logicalIndexAt(pos.x()) + 1;
  } else {
    QModelIndex idx = t->indexAt(pos);
    row = idx.isValid() ? idx.row() + 1 : 0;
    column = t->columnAt(pos.x()) + 1;
    if (!idx.isValid()) zone = Zone_None;
  }
  if (key == Mouse_Left || key == Mouse_Right) t->setFocus(Qt::MouseFocusReason);
  // Rows are numbered on the screen page as the engine sees them.
  window_->inputClick(c.number(), key, row, column, zone);
  return true;
}

bool WindowView::eventFilter(QObject* watched, QEvent* event) {
  int n = watched->property(kControlProp).toInt();
  if (n == 0) return QWidget::eventFilter(watched, event);
  Control* c = window_->control(n);
  if (!c) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      int code = keyCode(*ke);
      return code != 0 && window_->inputKey(n, code, typedChar(*ke));
    }
    case QEvent::ShortcutOverride: {
      // Keys the engine takes must reach it, not a shortcut.
      int code = keyCode(*static_cast<QKeyEvent*>(event));
      if (code == Key_Esc || code == Key_Enter || c->alerted(code)) event->accept();
      return false;
    }
    case QEvent::FocusIn: {
      // An editable combo's focus sits in its line edit.
      bool mouse = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
      if (watched == widget(n) || (c->type() == Ctl_Combo && qobject_cast<QLineEdit*>(watched))) {
        showMessageFor(*c);
        window_->inputFocus(n, mouse ? Mouse_Left : 0);
      }
      return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (auto* from = qobject_cast<QWidget*>(watched); from && event->type() != QEvent::MouseButtonRelease) {
        QPoint at = from->mapTo(this, me->position().toPoint());
        window_->inputMousePosition(dluFromPx(at.x()), dluFromPy(at.y() - clientTop_));
      }
      if (c->type() == Ctl_List && watched != widget(n)) return listMouse(*c, watched, event);
      if (c->type() == Ctl_Image || c->type() == Ctl_Box) {
        bool dbl = event->type() == QEvent::MouseButtonDblClick;
        int key = 0;
        if (event->type() == QEvent::MouseButtonRelease)
          key = me->button() == Qt::RightButton ? Mouse_RightUp : 0;
        else
          key = me->button() == Qt::LeftButton ? (dbl ? Mouse_LeftDouble : Mouse_Left)
                : me->button() == Qt::RightButton ? (dbl ? Mouse_RightDouble : Mouse_Right) : 0;
        if (key) window_->inputClick(n, key);
        return key != 0;
      }
      return false;
    }
    case QEvent::Wheel: {
      // A list that holds only its page scrolls through the program: one
      // line per notch of the wheel.
      if (c->type() != Ctl_List || !c->def.immediate) return false;
      int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
      for (int i = 0; i < std::abs(notches); ++i)
        window_->inputScroll(n, notches > 0 ? Event_ScrollUp : Event_ScrollDown);
      return true;
    }
    default:
      return false;
  }
}

void WindowView::keyPressEvent(QKeyEvent* event) {
  // Keys that reach the window itself: no control has the focus.
  int code = keyCode(*event);
  if (code == 0 || !window_->inputKey(window_->focus(), code, typedChar(*event)))
    QWidget::keyPressEvent(event);
}

void WindowView::closeEvent(QCloseEvent* event) {
  if (closingByEngine) {
    event->accept();
    return;
  }
  event->ignore();
  // Queued behind the keys and clicks that came before it.
  Window* w = window_;
  w->engine().queueInput(w, [w] { w->inputCloseRequest(); });
}

void WindowView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !syncing_)
    window_->inputStateChanged(isMaximized(), isMinimized());
  if (event->type() == QEvent::ActivationChange && !syncing_ && !closingByEngine)
    window_->inputActivated(isActiveWindow());
}

void WindowView::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!syncing_ && isVisible()) window_->inputMoved(dluFromPx(x()), dluFromPy(y()));
}

void WindowView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (status_) status_->setGeometry(0, height() - status_->height(), width(), status_->height());
  if (syncing_ || !isVisible()) return;
  if (menuBar_) menuBar_->setGeometry(0, 0, width(), clientTop_);
  window_->inputResized(dluFromPx(width()),
                        dluFromPy(height() - clientTop_ - (status_ ? status_->height() : 0)));
  for (Control* c : window_->controls()) {
    if (c->type() == Ctl_Sheet && c->def.width == Auto) sync(*c, Aspect_Geometry);
    if (c->type() == Ctl_List) measureList(*c);
  }
}

}  // namespace ui::qt
