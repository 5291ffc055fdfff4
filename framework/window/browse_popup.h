// The browse list's popup menu: items that mimic the browse's buttons (a
// chosen item presses its button) and separators. A mimicking item whose
// text starts with "!" shows the button's own text when it has one; it is
// disabled whenever its button is.
//
// This is the part of a popup menu the browse needs; it keeps the names of
// the window framework's popup operations so that it can give way to the
// full popup class.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class Window;
}

namespace fw {

class BrowsePopup {
 public:
  struct Item {
    std::string Name;
    std::string Text;
    int32_t Control = 0;  // the mimicked button (0: none)
    bool OnToolbox = true;
  };

  void Init() { Items.clear(); }
  void Kill() { Items.clear(); }
  // Returns the item's name (made unique when taken).
  std::string AddItemMimic(std::string_view name, int32_t button, std::string_view text);
  // A plain item; the text "-" makes a separator.
  std::string AddItem(std::string_view name, std::string_view text);
  void SetToolbox(std::string_view name, bool on);
  bool Has(std::string_view name) const;
  size_t Count() const { return Items.size(); }
  // The menu text as shown now in `window` (buttons' texts and states).
  std::string MenuText(ui::Window& window) const;
  // Shows the menu at the mouse; the chosen item's button gets
  // "EVENT:Accepted". Returns the chosen item's name ("" for none).
  std::string Ask(ui::Window& window);
  // The items meant for the toolbox, shown the same way.
  std::string Toolbox(ui::Window& window, std::string_view title);

  std::vector<Item> Items;
  std::string LastSelection;

 private:
  std::string Show(ui::Window& window, bool toolboxOnly);
  std::string UniqueName(std::string_view name) const;
};

}  // namespace fw
