#include "runtime/ui/control.h"

#include <algorithm>

namespace ui {

Control::Control(int number, const ControlDef& d) : def(d), number_(number) {
  def.number = number;
  if (isList()) {
    list.columns = def.columns;
    list.editable.assign(def.columns.size(), 1);
    list.colColor.assign(def.columns.size(), Color_None);
    list.vscroll = def.vscroll;
  }
  for (int k : def.alerts) addAlert(k);
  def.alerts.clear();
}

bool Control::focusable() const {
  switch (def.type) {
    case Ctl_Entry:
    case Ctl_MultiLine:
    case Ctl_Spin:
    case Ctl_Combo:
    case Ctl_Button:
    case Ctl_Check:
    case Ctl_List:
    case Ctl_DropList:
      return true;
    default:
      return false;
  }
}

namespace {
// Row and header height of a list in dialog units until the back-end measures them.
constexpr int kRowDlu = 10;
constexpr int kHeaderDlu = 10;
}  // namespace

int Control::itemsShown() const {
  if (list.items > 0) return list.items;
  if (def.type == Ctl_DropList || def.type == Ctl_Combo) return def.dropRows > 0 ? def.dropRows : 1;
  int h = def.height > 0 ? def.height : kRowDlu * 5;
  return std::max(1, (h - kHeaderDlu) / kRowDlu);
}

bool Control::alerted(int key) const {
  return key != 0 && std::find(alerts.begin(), alerts.end(), key) != alerts.end();
}

void Control::addAlert(int key) {
  if (key == 0 || alerted(key)) return;
  auto free = std::find(alerts.begin(), alerts.end(), 0);
  if (free != alerts.end())
    *free = key;
  else if (alerts.size() < 254)
    alerts.push_back(key);
}

void Control::removeAlert(int key) {
  for (int& k : alerts)
    if (k == key) k = 0;
}

}  // namespace ui
