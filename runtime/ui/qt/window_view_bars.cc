// Menu bars and status bars of a window.
#include "runtime/ui/qt/window_view.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "runtime/ui/control.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/qt/icons.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/window.h"

namespace ui::qt {

void WindowView::syncStatus() {
  const WindowDef& d = window_->def();
  if (d.statusZones.empty()) return;
  if (!status_) {
    status_ = new QStatusBar(this);
    status_->setSizeGripEnabled(false);
    for (size_t i = 0; i < d.statusZones.size(); ++i) {
      auto* l = new QLabel(status_);
      l->setObjectName(QString("zone_%1").arg(i + 1));
      if (d.statusZones[i] > 0) l->setFixedWidth(px(d.statusZones[i]));
      status_->addWidget(l, d.statusZones[i] > 0 ? 0 : 1);
      zones_.push_back(l);
    }
  }
  for (size_t i = 0; i < zones_.size(); ++i)
    zones_[i]->setText(qs(window_->prop(0, Prop_StatusText, int(i) + 1).toString()));
  // The status line explains the list's current row: a screen reader reads
  // it as the lists' description.
  const QString why = zones_.empty() ? QString() : zones_[0]->text();
  for (Control* c : window_->controls())
    if (c->type() == Ctl_List)
      if (QWidget* list = widget(c->number())) list->setAccessibleDescription(why);
  int h = status_->sizeHint().height();
  status_->setGeometry(0, height() - h, width(), h);
}

void WindowView::showMessageFor(const Control& c) {
  if (zones_.empty()) return;
  zones_[0]->setText(qs(c.def.msg.empty() ? window_->prop(0, Prop_StatusText, 1).toString() : c.def.msg));
}

void WindowView::createMenu(Control& c) {
  const int n = c.number();
  Control* parent = window_->control(c.def.parent);
  QMenu* parentMenu = nullptr;
  if (parent && parent->type() == Ctl_Menu) parentMenu = qobject_cast<QMenu*>(widget(parent->number()));
  QAction* action = nullptr;
  if (c.type() == Ctl_Menu) {
    auto* menu = new QMenu(qs(c.def.text), this);
    menu->setObjectName(qs(c.def.label.empty() ? "menu_" + std::to_string(n) : c.def.label));
    if (parentMenu) {
      action = parentMenu->addMenu(menu);
    } else {
      if (!menuBar_) {
        menuBar_ = new QMenuBar(this);
        clientTop_ = menuBar_->sizeHint().height();
        for (Control* o : window_->controls())
          if (QWidget* ow = widget(o->number())) applyGeometry(*o, ow);
        syncWindow();
      }
      action = menuBar_->addMenu(menu);
      menuBar_->setGeometry(0, 0, width(), clientTop_);
    }
    widgets_[n] = menu;
  } else {
    action = parentMenu ? parentMenu->addAction(qs(c.def.text)) : nullptr;
    if (!action) return;  // an item outside any menu has nowhere to show
    connect(action, &QAction::triggered, this, [this, n] { window_->inputClick(n, Mouse_Left); });
  }
  action->setProperty(kControlProp, n);
  actions_[n] = action;
  syncMenu(c);
}

void WindowView::syncMenu(Control& c) {
  auto it = actions_.find(c.number());
  if (it == actions_.end()) return;
  QAction* a = it->second;
  a->setText(qs(c.def.text));
  a->setVisible(!c.def.hidden);
  a->setEnabled(window_->enabled(c.number()));
  a->setCheckable(c.def.checkItem || c.checked);
  a->setChecked(c.checked);
  if (!c.def.icon.empty()) a->setIcon(loadIcon(c.def.icon));
}

}  // namespace ui::qt
