#include "framework/window/browse_popup.h"

#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

std::string BrowsePopup::UniqueName(std::string_view name) const {
  std::string n(name);
  for (int i = 2; Has(n); ++i) n = std::string(name) + std::to_string(i);
  return n;
}

bool BrowsePopup::Has(std::string_view name) const {
  for (const Item& i : Items)
    if (i.Name == name) return true;
  return false;
}

std::string BrowsePopup::AddItemMimic(std::string_view name, int32_t button, std::string_view text) {
  std::string n = ui::stripAmpersands(std::string(name));
  if (Has(n)) n = UniqueName(n);
  Items.push_back(Item{n, std::string(text), button, true});
  return n;
}

std::string BrowsePopup::AddItem(std::string_view name, std::string_view text) {
  std::string n = Has(name) ? UniqueName(name) : std::string(name);
  Items.push_back(Item{n, std::string(text), 0, true});
  return n;
}

void BrowsePopup::SetToolbox(std::string_view name, bool on) {
  for (Item& i : Items)
    if (i.Name == name) i.OnToolbox = on;
}

namespace {

// The item's text as shown: the button's own text for "!" items.
std::string Shown(const BrowsePopup::Item& item, ui::Window& w, bool* disabled) {
  *disabled = false;
  std::string text = item.Text;
  if (item.Control != 0) {
    std::string own = w.exists(item.Control) ? w.prop(item.Control, ui::Prop_Text).toString() : std::string();
    if (!own.empty() && (text.empty() || text.front() == '!')) text = own;
    if (!text.empty() && text.front() == '!') text.erase(0, 1);
    *disabled = !w.exists(item.Control) || !w.enabled(item.Control) || !w.visible(item.Control);
  }
  // Menu-text markers in a caption are taken literally.
  std::string out;
  for (char c : text) {
    if (c == '|' || c == '{' || c == '}') continue;
    out += c;
  }
  if (!out.empty() && out != "-" && (out.front() == '~' || out.front() == '+' || out.front() == '-'))
    out.insert(out.begin(), ' ');
  return out;
}

}  // namespace

std::string BrowsePopup::MenuText(ui::Window& window) const {
  std::string text;
  for (const Item& i : Items) {
    bool disabled = false;
    std::string shown = i.Text == "-" ? std::string("-") : Shown(i, window, &disabled);
    if (!text.empty()) text += '|';
    text += (disabled ? "~" : "") + shown;
  }
  return text;
}

std::string BrowsePopup::Show(ui::Window& window, bool toolboxOnly) {
  std::string text;
  std::vector<const Item*> numbered;  // selectable items in menu order
  for (const Item& i : Items) {
    if (toolboxOnly && (!i.OnToolbox || i.Text == "-")) continue;
    bool disabled = false;
    std::string shown = i.Text == "-" ? std::string("-") : Shown(i, window, &disabled);
    if (!text.empty()) text += '|';
    text += (disabled ? "~" : "") + shown;
    if (shown != "-") numbered.push_back(&i);
  }
  LastSelection.clear();
  if (numbered.empty()) return LastSelection;
  int chosen = ui::Engine::current().popup(text);
  if (chosen < 1 || chosen > int(numbered.size())) return LastSelection;
  const Item& item = *numbered[size_t(chosen - 1)];
  LastSelection = item.Name;
  if (item.Control != 0) {
    ui::Engine::current().setKeyCode(0);
    ui::Engine::current().post(ui::Event_Accepted, item.Control, &window);
  }
  return LastSelection;
}

std::string BrowsePopup::Ask(ui::Window& window) { return Show(window, false); }

std::string BrowsePopup::Toolbox(ui::Window& window, std::string_view /*title*/) { return Show(window, true); }

}  // namespace fw
