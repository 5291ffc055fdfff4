#include "runtime/ui/standard_toolbar.h"

#include <array>

namespace ui {

namespace {

struct StdButton {
  const char* icon;
  const char* caption;  // shown where no icon can be drawn
  const char* tip;
};

// 3001 to 3013.
constexpr std::array<StdButton, 13> kButtons{{
    {"VCRINSERT", "&Insert", "Insert a new Record"},
    {"VCRCHANGE", "&Change", "Change the Record"},
    {"VCRDELETE", "&Delete", "Delete the Record"},
    {"VCRSELECT", "&Select", "Select the Record"},
    {"VCRBOTTOM", ">|", "Go to the Last Page"},
    {"VCRTOP", "|<", "Go to the First Page"},
    {"VCRPAGEDOWN", ">>", "Go to the Next Page"},
    {"VCRPAGEUP", "<<", "Go to the Prior Page"},
    {"VCRDOWN", ">", "Go to the Next Record"},
    {"VCRUP", "<", "Go to the Prior Record"},
    {"VCRLOCATE", "&Locate", "Locate a Record"},
    {"VCRHISTORY", "&History", "Previous value of the field"},
    {"VCRHELP", "&Help", "Help"},
}};

}  // namespace

void addStandardToolbar(WindowDef& def) {
  for (size_t i = 0; i < kButtons.size(); ++i) {
    ControlDef b;
    b.type = Ctl_Button;
    b.number = kToolbarFirst + 1 + int(i);
    b.label = "?Toolbar" + std::to_string(b.number);
    b.text = kButtons[i].caption;
    b.icon = kButtons[i].icon;
    b.tip = kButtons[i].tip;
    b.disabled = true;
    def.controls.push_back(b);
  }
}

std::string standardToolbarIcon(int number) {
  int i = number - kToolbarFirst - 1;
  if (i < 0 || i >= int(kButtons.size())) return {};
  return kButtons[size_t(i)].icon;
}

}  // namespace ui
