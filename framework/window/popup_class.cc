#include "framework/window/popup_class.h"

#include <algorithm>
#include <cctype>

#include "runtime/core/error_assert.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {

constexpr size_t kMaxNamed = 255;  // items reachable by name
constexpr size_t kRemoveAmpersandMax = 100;
// Toolbox refresh period, centiseconds.
constexpr int kToolboxTimer = 25;

bool isSeparator(const PopupItem& item) { return item.Text == "-"; }

bool beginsWithBrace(const std::string& text) {
  return !text.empty() && (text[0] == '{' || text[0] == '}');
}

}  // namespace

PopupClass::~PopupClass() {
  if (!killed_) Kill();
}

void PopupClass::Init() {
  PopupItems = std::make_unique<std::vector<PopupItem>>();
  ClearKeyCode = 1;
  MyThread = std::this_thread::get_id();
  LastNumberSelection = 0;
  killed_ = false;
}

void PopupClass::Kill() {
  if (killed_) return;
  if (InToolbox) endToolbox();
  toolbox_.reset();
  ThisWindow = nullptr;
  PopupItems.reset();
  killed_ = true;
}

// --- The item list --------------------------------------------------------

PopupItem* PopupClass::find(const std::string& name) {
  uint8_t at = LocateName(name);
  return at == 0 ? nullptr : &(*PopupItems)[at - 1];
}

uint8_t PopupClass::LocateName(const std::string& name) const {
  if (!PopupItems) return 0;
  const size_t n = std::min(PopupItems->size(), kMaxNamed);
  for (size_t i = 0; i < n; ++i)
    if ((*PopupItems)[i].Name == name) return uint8_t(i + 1);
  return 0;
}

std::string PopupClass::GetUniqueName(const std::string& name) const {
  std::string base;
  if (name == "-") {
    base = "Separator";
  } else {
    for (unsigned char c : name)
      if (c < 0x80 && (std::isalnum(c) || c == '_')) base.push_back(char(c));
    // An empty name would read as "nothing chosen".
    if (base.empty()) base = "Item";
  }
  if (LocateName(base) == 0) return base;
  for (int n = 1;; ++n) {
    std::string candidate = base + std::to_string(n);
    if (LocateName(candidate) == 0) return candidate;
  }
}

void PopupClass::SetItem(int32_t position, int32_t depth, const std::string& name,
                         const std::string& text) {
  if (!PopupItems) {
    rt::assertionFailed("PopupClass used before Init");
    return;
  }
  if (beginsWithBrace(text)) {
    rt::assertionFailed("Popup item text may not begin with { or }: " + text);
    return;
  }
  std::vector<PopupItem>& items = *PopupItems;
  size_t at = position <= 0 ? items.size() : std::min(size_t(position), items.size());
  if (depth == 0) depth = at >= 1 ? items[at - 1].Depth : 1;
  PopupItem item;
  item.Name = GetUniqueName(name);
  size_t i = 0;
  if (text != "-") {
    for (; i < text.size(); ++i) {
      if (text[i] == '~')
        item.Disabled = 1;
      else if (text[i] == '+')
        item.Check = 1;
      else if (text[i] == '-')
        item.Check = 2;
      else
        break;
    }
  }
  item.Text = text.substr(i);
  item.Depth = depth;
  items.insert(items.begin() + long(at), std::move(item));
}

std::string PopupClass::AddItem(const std::string& text) {
  std::string name = GetUniqueName(text);
  AddItem(text, name);
  return name;
}

void PopupClass::AddItem(const std::string& text, const std::string& name) {
  AddItem(text, name, std::string(), 0);
}

void PopupClass::AddItem(const std::string& text, const std::string& name,
                         const std::string& afterName, int32_t depth) {
  SetItem(afterName.empty() ? 0 : LocateName(afterName), depth, name, text);
}

std::string PopupClass::AddItemEvent(const std::string& name, int32_t event, int32_t control) {
  std::string itemName = name;
  if (LocateName(name) == 0) itemName = AddItem(name);
  PopupItem* item = find(itemName);
  if (!item) return itemName;
  item->MimicMode = 0;
  item->ControlID = control;
  item->Event = event;
  item->OnToolbox = 1;
  return itemName;
}

std::string PopupClass::AddItemMimic(const std::string& name, int32_t button,
                                     const std::string& text) {
  ui::Window* w = mimicWindow();
  const int type = w && w->exists(button) ? int(w->prop(button, ui::Prop_Type).toInt()) : 0;
  if (type != ui::Ctl_Button && type != ui::Ctl_MenuItem) {
    rt::assertionFailed("A popup item can only mimic a button, not control " +
                        std::to_string(button));
    return {};
  }
  std::string itemName = AddItemEvent(name, ui::Event_Accepted, button);
  if (PopupItem* item = find(itemName)) {
    item->Text = text;
    item->MimicMode = 1;
    item->OnToolbox = 1;
  }
  return itemName;
}

void PopupClass::AddMenu(const std::string& menuText, int32_t position) {
  if (!PopupItems) {
    rt::assertionFailed("PopupClass used before Init");
    return;
  }
  if (menuText.empty()) {
    rt::assertionFailed("Empty popup menu text");
    return;
  }
  int32_t depth = 1;
  int32_t at = 0;
  if (position == 0) {
    PopupItems->clear();
  } else {
    at = position - 1;
    depth = at >= 1 && size_t(at) <= PopupItems->size() ? (*PopupItems)[size_t(at) - 1].Depth : 1;
  }
  std::string pending;
  auto store = [&] {
    if (!pending.empty()) {
      SetItem(at, depth, pending, pending);
      ++at;
    }
    pending.clear();
  };
  for (char c : menuText) {
    switch (c) {
      case '|': store(); break;
      case '{':
        store();
        ++depth;
        break;
      case '}':
        store();
        if (depth <= 1)
          rt::assertionFailed("Popup menu text closes more submenus than it opens: " + menuText);
        else
          --depth;
        break;
      default: pending.push_back(c); break;
    }
  }
  store();
}

void PopupClass::AddSubMenu(const std::string& menuText, const std::string& afterName) {
  AddMenu(menuText, LocateName(afterName) + 1);
}

void PopupClass::AddSubMenu(const std::string& title, const std::string& menuText,
                            const std::string& afterName) {
  auto clip = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  AddSubMenu(clip(title) + "{" + clip(menuText) + "}", afterName);
}

void PopupClass::DeleteItem(const std::string& name) {
  if (uint8_t at = LocateName(name)) PopupItems->erase(PopupItems->begin() + (at - 1));
}

void PopupClass::SetIcon(const std::string& name, const std::string& icon) {
  if (PopupItem* item = find(name)) item->Icon = icon.substr(0, 255);
}

void PopupClass::SetItemEnable(const std::string& name, bool enabled) {
  PopupItem* item = find(name);
  if (item && !isSeparator(*item)) item->Disabled = enabled ? 2 : 1;
}

void PopupClass::SetItemCheck(const std::string& name, bool checked) {
  PopupItem* item = find(name);
  if (item && !isSeparator(*item)) item->Check = checked ? 1 : 2;
}

void PopupClass::SetToolbox(const std::string& name, bool on) {
  if (PopupItem* item = find(name)) item->OnToolbox = on ? 1 : 0;
}

uint16_t PopupClass::GetItems(bool selectableOnly) const {
  if (!PopupItems) return 0;
  if (!selectableOnly) return uint16_t(PopupItems->size());
  uint16_t n = 0;
  const PopupItem* previous = nullptr;  // the last non-separator item
  for (const PopupItem& item : *PopupItems) {
    if (isSeparator(item)) continue;
    if (!(previous && item.Depth > previous->Depth)) ++n;
    previous = &item;
  }
  return n;
}

void PopupClass::SetTranslator(TranslatorClass* translator) {
  if (!translator) {
    rt::assertionFailed("PopupClass::SetTranslator needs a translator");
    return;
  }
  Translator = translator;
}

// --- Showing the menu -------------------------------------------------------

bool PopupClass::parentOpen() const {
  // Looked up among the thread's windows: the owner may be gone altogether.
  const auto& open = ui::Engine::current().windows();
  return ParentWindow && std::find(open.begin(), open.end(), ParentWindow) != open.end() &&
         ParentWindow->isOpen();
}

ui::Window* PopupClass::mimicWindow() const {
  if (InToolbox) return parentOpen() ? ParentWindow : nullptr;
  return ui::Engine::current().target();
}

PopupItem PopupClass::CheckMimics(const PopupItem& item) const {
  PopupItem shown = item;
  if (!item.MimicMode) return shown;
  ui::Window* w = mimicWindow();
  if (w && w->exists(item.ControlID)) {
    std::string own = w->prop(item.ControlID, ui::Prop_Text).toString();
    if (!own.empty() && (shown.Text.empty() || shown.Text[0] == '!')) shown.Text = own;
    if (shown.Disabled == 0) shown.Disabled = w->prop(item.ControlID, ui::Prop_Disable).toInt() ? 1 : 2;
    if (shown.Icon.empty()) shown.Icon = w->prop(item.ControlID, ui::Prop_Icon).toString();
  }
  if (!shown.Text.empty() && shown.Text[0] == '!') shown.Text.erase(0, 1);
  return shown;
}

std::string PopupClass::GetMenuText() {
  std::string out;
  if (!PopupItems) return out;
  std::vector<PopupItem> shown;
  shown.reserve(PopupItems->size());
  for (const PopupItem& item : *PopupItems) shown.push_back(CheckMimics(item));
  const bool icons =
      std::any_of(shown.begin(), shown.end(), [](const PopupItem& i) { return !i.Icon.empty(); });
  int32_t level = 1;
  for (const PopupItem& item : shown) {
    out.push_back(item.Depth == level ? '|' : item.Depth > level ? '{' : '}');
    level = item.Depth;
    if (item.Disabled == 1) out.push_back('~');
    if (item.Check == 1) out.push_back('+');
    if (item.Check == 2) out.push_back('-');
    if (icons && item.Text != "-") {
      out.push_back('[');
      if (!item.Icon.empty())
        out += std::to_string(ui::Prop_Icon) + "(~" + item.Icon + "),";
      out += std::to_string(ui::Prop_FontCharSet) + "(" + std::to_string(ui::Engine::charSet()) +
             ")]";
    }
    std::string text = Translator ? Translator->TranslateString(item.Text) : item.Text;
    // The engine leaves out empty entries, which would shift the numbers of
    // the entries after it onto the wrong items: show the item's name instead.
    if (text.empty() && !icons) text = item.Name;
    out += text;
  }
  return out;
}

int32_t PopupClass::ExecutePopup(const std::string& menuText, int32_t x, int32_t y) {
  if (!InToolbox) return ui::Engine::current().popup(menuText, x, y);
  // Toolbox mode: the toolbox is the menu; wait for one of its buttons.
  ui::Window* w = ThisWindow;
  if (!w) return 0;
  ui::Engine& e = ui::Engine::current();
  // A loop, not bare waits: a click on a toolbox button arrives as
  // "Selecting" and becomes "Accepted" through the loop's default processing.
  ui::AcceptLoop loop(*w);
  while (loop.next()) {
    const int event = e.event();
    if (event == ui::Event_Accepted && e.field() != 0) return e.field();
    if (event == ui::Event_CloseWindow || event == ui::Event_CloseDown) {
      endToolbox();
      return 0;
    }
    if (event == ui::Event_Timer) ResetToolbox();
  }
  endToolbox();
  return 0;
}

std::string PopupClass::GetName(int32_t number) const {
  if (number == 0 || !PopupItems) return {};
  const std::vector<PopupItem>& items = *PopupItems;
  int32_t n = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const PopupItem& item = items[i];
    const bool title = i + 1 < items.size() && items[i + 1].Depth > item.Depth;
    if (title) continue;
    const bool counts = InToolbox ? item.OnToolbox && !isSeparator(item) : !isSeparator(item);
    if (counts && ++n == number) return item.Name;
  }
  return {};
}

void PopupClass::post(int32_t event, int32_t control) {
  ui::Engine& e = ui::Engine::current();
  if (std::this_thread::get_id() != MyThread) {
    ui::Engine::postToThread(MyThread, event, control);
    return;
  }
  // Toolbox choices go to the window the toolbox runs beside.
  if (InToolbox && parentOpen())
    e.post(event, control, ParentWindow);
  else
    e.post(event, control);
}

std::string PopupClass::Ask(int32_t x, int32_t y) {
  ui::Engine::current().setKeyCode(0);
  LastNumberSelection = ExecutePopup(GetMenuText(), x, y);
  if (LastNumberSelection == 0) {
    LastSelection.clear();
    return {};
  }
  LastSelection = GetName(LastNumberSelection);
  PopupItem* item = LastSelection.empty() ? nullptr : find(LastSelection);
  if (item && (item->Event != 0 || item->MimicMode)) {
    if (ClearKeyCode) ui::Engine::current().setKeyCode(0);
    post(item->MimicMode ? int32_t(ui::Event_Accepted) : item->Event, item->ControlID);
  }
  return LastSelection;
}

// --- The toolbox --------------------------------------------------------------

void PopupClass::Toolbox(const std::string& title) {
  if (InToolbox || !PopupItems) return;
  ParentWindow = ui::Engine::current().target();
  if (!ParentWindow) return;
  InToolbox = 1;
  PopToolbox(title, this);
}

void PopToolbox(const std::string& title, PopupClass* popup) {
  if (popup) popup->AskToolbox(title);
}

void PopupClass::AskToolbox(const std::string& title) {
  ui::Window* parent = ParentWindow;
  if (!parentOpen()) {
    InToolbox = 0;
    return;
  }
  // The commands the toolbox leaves out are unavailable while it is open.
  disabledByToolbox_.clear();
  for (const PopupItem& item : *PopupItems) {
    if (item.OnToolbox || isSeparator(item) || item.ControlID == 0) continue;
    if (parent->exists(item.ControlID) && parent->prop(item.ControlID, ui::Prop_Disable).toInt() == 0) {
      parent->disable(item.ControlID);
      disabledByToolbox_.push_back(item.ControlID);
    }
  }
  ui::WindowDef def;
  def.title = title;
  def.name = "Toolbox";
  def.fontName = "MS Sans Serif";
  def.fontSize = 8;
  def.timer = kToolboxTimer;
  def.resizable = false;
  def.width = 1;
  def.height = 1;
  toolbox_ = std::make_unique<ui::Window>(def);
  ThisWindow = toolbox_.get();
  ui::Engine& e = ui::Engine::current();
  // Side window first, so that opening it never makes it the target.
  e.addSideWindow(ThisWindow, [this] { toolboxEvent(); });
  ThisWindow->open();
  ResetToolbox();
}

void PopupClass::ResetToolbox() {
  ui::Window* w = ThisWindow;
  if (!w || !w->isOpen() || !PopupItems) return;
  int n = 0;
  int x = 0;
  int rowHeight = 0;
  std::vector<PopupItem> shown;
  for (size_t i = 0; i < PopupItems->size(); ++i) {
    const PopupItem& item = (*PopupItems)[i];
    const bool title = i + 1 < PopupItems->size() && (*PopupItems)[i + 1].Depth > item.Depth;
    if (!item.OnToolbox || isSeparator(item) || title) continue;
    const PopupItem s = CheckMimics(item);
    ++n;
    if (!w->exists(n)) {
      ui::ControlDef b;
      b.type = ui::Ctl_Button;
      b.number = n;
      w->create(b);
    }
    if (!s.Icon.empty()) {
      w->setProp(n, ui::Prop_Icon, "~" + s.Icon);
      w->setProp(n, ui::Prop_Tip, RemoveAmpersand(s.Text));
      w->setProp(n, ui::Prop_Text, std::string());
    } else {
      w->setProp(n, ui::Prop_Icon, std::string());
      w->setProp(n, ui::Prop_Tip, std::string());
      w->setProp(n, ui::Prop_Text, s.Text);
    }
    w->setProp(n, ui::Prop_Disable, s.Disabled == 1 ? 1 : 0);
    w->setProp(n, ui::Prop_Width, ui::Auto);
    w->setProp(n, ui::Prop_Height, ui::Auto);
    w->setProp(n, ui::Prop_Xpos, x);
    w->setProp(n, ui::Prop_Ypos, 0);
    x += int(w->prop(n, ui::Prop_Width).toInt());
    rowHeight = std::max(rowHeight, int(w->prop(n, ui::Prop_Height).toInt()));
    w->unhide(n);
  }
  if (w->lastControl() > n) w->destroy(n + 1, w->lastControl());
  w->setProp(0, ui::Prop_Width, std::max(x, 1));
  w->setProp(0, ui::Prop_Height, std::max(rowHeight, 1));
}

void PopupClass::toolboxEvent() {
  ui::Engine& e = ui::Engine::current();
  // The toolbox goes with the window it serves.
  if (!parentOpen()) {
    endToolbox();
    return;
  }
  switch (e.event()) {
    case ui::Event_Accepted:
      if (e.field() != 0) toolboxChoice(e.field());
      break;
    case ui::Event_CloseWindow:
    case ui::Event_CloseDown: endToolbox(); break;
    case ui::Event_Timer: ResetToolbox(); break;
    default: break;
  }
}

void PopupClass::toolboxChoice(int32_t number) {
  LastNumberSelection = number;
  LastSelection = GetName(number);
  PopupItem* item = LastSelection.empty() ? nullptr : find(LastSelection);
  if (item && (item->Event != 0 || item->MimicMode)) {
    if (ClearKeyCode) ui::Engine::current().setKeyCode(0);
    post(item->MimicMode ? int32_t(ui::Event_Accepted) : item->Event, item->ControlID);
  }
}

void PopupClass::endToolbox() {
  if (!InToolbox) return;
  ui::Engine& e = ui::Engine::current();
  if (ThisWindow) {
    e.removeSideWindow(ThisWindow);
    ThisWindow->close();
  }
  ui::Window* parent = ParentWindow;
  if (parentOpen() && PopupItems) {
    for (int32_t control : disabledByToolbox_) {
      bool markedDisabled = false;
      for (const PopupItem& item : *PopupItems)
        if (item.ControlID == control && item.Disabled == 1) markedDisabled = true;
      if (!markedDisabled && parent->exists(control)) parent->enable(control);
    }
  }
  disabledByToolbox_.clear();
  InToolbox = 0;
}

std::string RemoveAmpersand(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < kRemoveAmpersandMax; ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out.push_back('&');
        ++i;
      }
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace fw
