// A popup menu read from the framework's menu text: items separated by "|",
// "{" opens a submenu titled by the item before it, "}" closes it; an item
// may start with "~" (disabled), "+" (checked), "-" (unchecked box) and a
// bracketed attribute block; "-" alone is a separator. Selectable entries
// (not separators, not submenu titles) are numbered from 1 in text order.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct MenuEntry {
  std::string text;
  bool separator = false;
  bool disabled = false;
  int check = 0;            // 0 none, 1 checked, 2 unchecked check box
  std::string icon;         // from the attribute block, without "~"
  int number = 0;           // selectable number; 0 for separators and titles
  std::vector<MenuEntry> children;
};

class PopupMenu {
 public:
  static PopupMenu parse(const std::string& text);

  std::vector<MenuEntry> items;
  int selectableCount() const { return count_; }
  // The entry with that selectable number, nullptr when none.
  const MenuEntry* find(int number) const;
  // Number of the first selectable entry with that text ("&" marks ignored), 0 when none.
  int numberOf(const std::string& text) const;

 private:
  int count_ = 0;
};

// The text without "&" marks; "&&" stands for one "&".
std::string stripAmpersands(const std::string& text);

}  // namespace ui
