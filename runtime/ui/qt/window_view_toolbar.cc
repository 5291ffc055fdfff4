// The standard toolbar: window buttons numbered 3000 to 3019 shown as tool
// buttons in a tool bar under the menu bar. Their icon, tip, enabled and
// hidden state follow the engine's control like any button's.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "runtime/ui/control.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/qt/icons.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/qt/window_view.h"
#include "runtime/ui/standard_toolbar.h"
#include "runtime/ui/window.h"

namespace ui::qt {

namespace {

// The picture of a standard button whose icon name finds nothing.
QIcon standardIcon(int number) {
  const char* builtin = nullptr;
  QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
  switch (number) {
    case 3001: builtin = "AGREGAR"; break;
    case 3002: builtin = "EDITAR"; break;
    case 3003: builtin = "BORRAR"; break;
    case 3004: builtin = "Aceptar"; break;
    case 3005: pixmap = QStyle::SP_MediaSkipForward; break;
    case 3006: pixmap = QStyle::SP_MediaSkipBackward; break;
    case 3007: pixmap = QStyle::SP_MediaSeekForward; break;
    case 3008: pixmap = QStyle::SP_MediaSeekBackward; break;
    case 3009: pixmap = QStyle::SP_ArrowDown; break;
    case 3010: pixmap = QStyle::SP_ArrowUp; break;
    case 3011: pixmap = QStyle::SP_FileDialogContentsView; break;
    case 3012: pixmap = QStyle::SP_BrowserReload; break;
    case 3013: pixmap = QStyle::SP_DialogHelpButton; break;
    default: break;
  }
  if (builtin) return drawnIcon(builtin);
  if (pixmap != QStyle::SP_CustomBase) return QApplication::style()->standardIcon(pixmap);
  return {};
}

}  // namespace

bool WindowView::createToolButton(Control& c) {
  const int n = c.number();
  if (c.type() != Ctl_Button || !isToolbarControl(n)) return false;
  if (!toolBar_) {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName("qv_toolbar");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setIconSize(QSize(py(10), py(10)));
  }
  // Kept in control-number order whatever the creation order.
  QAction* before = nullptr;
  auto next = toolActions_.upper_bound(n);
  if (next != toolActions_.end()) before = next->second;
  auto* a = new QAction(toolBar_);
  a->setProperty(kControlProp, n);
  a->setObjectName(qs(c.def.label.empty() ? "toolbar_" + std::to_string(n) : c.def.label));
  toolBar_->insertAction(before, a);
  connect(a, &QAction::triggered, this, [this, n] { window_->inputClick(n, Mouse_Left); });
  toolActions_[n] = a;
  syncToolButton(c);
  placeToolBar();
  return true;
}

bool WindowView::syncToolButton(Control& c) {
  auto it = toolActions_.find(c.number());
  if (it == toolActions_.end()) return false;
  QAction* a = it->second;
  QIcon icon = c.def.icon.empty() ? QIcon() : loadIcon(c.def.icon);
  if (icon.isNull()) icon = standardIcon(c.number());
  a->setIcon(icon);
  a->setText(qs(c.def.text));
  a->setToolTip(qs(c.def.tip.empty() ? c.def.text : c.def.tip));
  a->setEnabled(window_->enabled(c.number()));
  a->setVisible(!c.def.hidden);
  return true;
}

bool WindowView::destroyToolButton(Control& c) {
  auto it = toolActions_.find(c.number());
  if (it == toolActions_.end()) return false;
  delete it->second;
  toolActions_.erase(it);
  c.backendData = nullptr;
  return true;
}

void WindowView::placeToolBar() {
  if (!toolBar_) return;
  const int top = menuBar_ ? menuBar_->sizeHint().height() : 0;
  const int h = toolBar_->sizeHint().height();
  toolBar_->setGeometry(0, top, std::max(width(), toolBar_->sizeHint().width()), h);
  toolBar_->show();
  if (clientTop_ != top + h) {
    clientTop_ = top + h;
    for (Control* o : window_->controls())
      if (QWidget* ow = widget(o->number())) applyGeometry(*o, ow);
    resize(px(window_->def().width), clientTop_ + py(window_->def().height) +
                                         (status_ ? status_->sizeHint().height() : 0));
  }
}

}  // namespace ui::qt
