#include "runtime/ui/qt/qt_backend.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <functional>

#include "runtime/ui/control.h"
#include "runtime/ui/icon_resolver.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/qt/icons.h"
#include "runtime/ui/qt/picture_loader.h"
#include "runtime/ui/qt/window_view.h"
#include "runtime/ui/window.h"

namespace ui::qt {

namespace {

// Widgets live on the GUI thread only. Windows of other threads run without
// a display: their loops still get posted events and timers.
bool guiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

WindowView* view(const Window& w) { return static_cast<WindowView*>(w.backendData); }

void addEntries(QMenu* menu, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& e : entries) {
    if (e.separator) {
      menu->addSeparator();
      continue;
    }
    QString text = QString::fromStdString(e.text);
    if (!e.children.empty()) {
      QMenu* sub = menu->addMenu(text);
      sub->setEnabled(!e.disabled);
      addEntries(sub, e.children);
      continue;
    }
    QAction* a = menu->addAction(text);
    a->setData(e.number);
    a->setEnabled(!e.disabled);
    if (e.check) {
      a->setCheckable(true);
      a->setChecked(e.check == 1);
    }
    if (!e.icon.empty()) a->setIcon(loadIcon(e.icon));
  }
}

}  // namespace

QtBackend::QtBackend() {
  clock_.start();
  previousBackend_ = setBackend(this);
  previousPresenter_ = rt::setMessagePresenter(&presenter_);
}

QtBackend::~QtBackend() {
  setBackend(previousBackend_);
  rt::MessagePresenter* p = previousPresenter_;
  // setMessagePresenter returns the built-in presenter when none was installed.
  if (p == &rt::messagePresenter() || dynamic_cast<rt::StderrMessagePresenter*>(p)) p = nullptr;
  rt::setMessagePresenter(p);
}

QWidget* QtBackend::windowWidget(const Window& w) { return view(w); }

QWidget* QtBackend::controlWidget(const Window& w, int control) {
  WindowView* v = view(w);
  return v ? v->widget(control) : nullptr;
}

void QtBackend::openWindow(Window& w) {
  if (!guiThread()) return;
  auto* v = new WindowView(&w);
  w.backendData = v;
  for (Control* c : w.controls()) v->createControl(*c);
  v->shown_ = true;
  v->placeOnScreen(!v->hasPosition());
  if (w.prop(0, Prop_Hide).toInt() == 0) v->show();
  v->activateWindow();
  v->raise();
  for (Control* c : w.controls())
    if (c->isList()) v->sync(*c, Aspect_Geometry);
}

void QtBackend::closeWindow(Window& w) {
  WindowView* v = view(w);
  if (!v) return;
  v->closingByEngine = true;
  v->close();
  w.backendData = nullptr;
  delete v;
}

void QtBackend::windowChanged(Window& w, unsigned) {
  if (WindowView* v = view(w)) v->syncWindow();
}

void QtBackend::setWindowEnabled(Window& w, bool enabled) {
  if (WindowView* v = view(w)) v->setEnabled(enabled);
}

void QtBackend::controlCreated(Window& w, Control& c) {
  if (WindowView* v = view(w)) v->createControl(c);
}

void QtBackend::controlDestroyed(Window& w, Control& c) {
  if (WindowView* v = view(w)) v->destroyControl(c);
}

void QtBackend::controlChanged(Window& w, Control& c, unsigned aspects) {
  if (WindowView* v = view(w)) v->sync(c, aspects);
}

void QtBackend::focus(Window& w, Control& c) {
  if (WindowView* v = view(w)) v->focusControl(c);
}

bool QtBackend::measure(Window& w, Control& c, int* widthDlu, int* heightDlu) {
  WindowView* v = view(w);
  QWidget* widget = v ? v->widget(c.number()) : nullptr;
  if (!widget) return false;
  QSize s = widget->sizeHint();
  if (c.type() == Ctl_Image) {
    // The picture's own size, whatever the control's.
    IconRef ref = resolveIcon(c.def.icon.empty() ? c.def.text : c.def.icon);
    QSize own = ref.kind == IconRef::File ? pictureSize(QString::fromStdString(ref.path)) : QSize();
    if (own.isValid()) s = own;
  }
  *widthDlu = v->dluFromPx(s.width());
  *heightDlu = v->dluFromPy(s.height());
  return true;
}

void QtBackend::waitForInput(int timeoutMs) {
  if (!guiThread()) {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    auto woken = [this] { return woken_; };
    if (timeoutMs < 0)
      wakeCv_.wait(lock, woken);
    else
      wakeCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), woken);
    woken_ = false;
    return;
  }
  if (timeoutMs == 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  QTimer timer;
  if (timeoutMs > 0) {
    timer.setSingleShot(true);
    timer.start(timeoutMs);
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtBackend::wake() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    woken_ = true;
  }
  wakeCv_.notify_all();
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
}

long long QtBackend::nowMs() { return clock_.elapsed(); }

void QtBackend::beep() {
  if (guiThread()) QApplication::beep();
}

void QtBackend::setWaitCursor(bool on) {
  if (!guiThread()) return;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

int QtBackend::popupMenu(Window* w, const PopupMenu& menu, int x, int y) {
  if (!guiThread()) return 0;
  WindowView* v = w ? view(*w) : nullptr;
  QMenu qmenu(v);
  qmenu.setObjectName("qv_popup");
  addEntries(&qmenu, menu.items);
  QPoint at = QCursor::pos();
  if (v && (x != 0 || y != 0)) at = v->mapToGlobal(QPoint(v->px(x), v->py(y)));
  QAction* chosen = qmenu.exec(at);
  return chosen ? chosen->data().toInt() : 0;
}

bool QtBackend::savePng(Window& w, const std::string& path) {
  WindowView* v = view(w);
  if (!v) return false;
  return v->grab().save(QString::fromStdString(path), "PNG");
}

}  // namespace ui::qt
