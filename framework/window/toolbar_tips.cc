#include "framework/window/toolbar_tips.h"

#include <algorithm>

#include "framework/window/toolbar_target.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

std::vector<uint8_t> PackTips(const ToolbarTips& tips) {
  std::vector<uint8_t> out;
  out.push_back(uint8_t(tips.size()));
  for (const auto& [control, text] : tips) {
    out.push_back(uint8_t(control & 0xFF));
    out.push_back(uint8_t((control >> 8) & 0xFF));
    size_t n = std::min<size_t>(text.size(), 255);
    out.push_back(uint8_t(n));
    out.insert(out.end(), text.begin(), text.begin() + long(n));
  }
  return out;
}

ToolbarTips UnpackTips(const std::vector<uint8_t>& table) {
  ToolbarTips tips;
  if (table.empty()) return tips;
  size_t at = 1;
  for (int i = 0; i < table[0]; ++i) {
    if (at + 3 > table.size()) break;
    int32_t control = table[at] | (table[at + 1] << 8);
    size_t n = table[at + 2];
    at += 3;
    if (at + n > table.size()) break;
    tips.emplace_back(control, std::string(table.begin() + long(at), table.begin() + long(at + n)));
    at += n;
  }
  return tips;
}

const std::vector<uint8_t>& ListTipTable() {
  static const std::vector<uint8_t> t = PackTips({
      {Toolbar_Down, "Go to the Next Record"},
      {Toolbar_Bottom, "Go to the Last Page"},
      {Toolbar_Top, "Go to the First Page"},
      {Toolbar_PageDown, "Go to the Next Page"},
      {Toolbar_PageUp, "Go to the Prior Page"},
      {Toolbar_Up, "Go to the Prior Record"},
      {Toolbar_Insert, "Insert a new Record"},
  });
  return t;
}

const std::vector<uint8_t>& FormInsertTipTable() {
  static const std::vector<uint8_t> t = PackTips({
      {Toolbar_Insert, "Save record and add another"},
      {Toolbar_Down, "Save record and add another"},
  });
  return t;
}

const std::vector<uint8_t>& FormChangeTipTable() {
  static const std::vector<uint8_t> t = PackTips({
      {Toolbar_Bottom, "Save changes and go to last record"},
      {Toolbar_Top, "Save changes and go to first record"},
      {Toolbar_PageDown, "Save changes and page down to record"},
      {Toolbar_PageUp, "Save changes and page up to record"},
      {Toolbar_Down, "Save changes and go to next record"},
      {Toolbar_Up, "Save changes and go to previous record"},
      {Toolbar_Insert, "Save this record and add a new one"},
  });
  return t;
}

void SetTips(ui::Window* window, const std::vector<uint8_t>& table) {
  if (!window) return;
  for (const auto& [control, text] : UnpackTips(table))
    if (window->exists(control)) window->setProp(control, ui::Prop_Tip, text);
}

}  // namespace fw
