// A popup menu kept as an ordered list of named items, shown through the
// window engine's popup menu or as a toolbox (a small window with one button
// per item marked for it).
//
//   fw::PopupClass popup;
//   popup.Init();
//   popup.AddItemMimic("&Insert", insertButton, "!&Insert");  // follows the button
//   popup.AddItem("-");                                        // "Separator"
//   popup.AddItemEvent("Refresh", ui::Event_Accepted, refreshButton);
//   popup.AddMenu("File{Open|Close}|Exit", 0);                 // replaces the items
//   std::string chosen = popup.Ask();                          // "" when dismissed
//
// Menu text (AddMenu, AddSubMenu): items separated by "|"; "{" opens a
// submenu titled by the item written before it, "}" closes it. An item may
// begin with any run of "~" (disabled), "+" (checked) and "-" (unchecked
// check box); an item that is exactly "-" is a separator. Every item's name
// is made from its text: ASCII letters, digits and "_" kept, then 1, 2, ...
// appended until no other item has it ("Separator" for "-").
//
// An item either only names a choice (the caller reads the name), or posts
// an event to a control when chosen (AddItemEvent), or mimics a button
// (AddItemMimic): it shows the button's text, icon and enabled state as they
// are when the menu opens, and presses the button when chosen. A mimicking
// item whose text begins with "!" shows the button's own text when the
// button has one, else its own text without the "!".
//
// Positions are 1-based and byte sized: look-ups by name find items 1 to 255
// (0: not found). Operations that take a name act on the first item with
// that name and do nothing when there is none.
//
// The toolbox runs beside the window that was the target when Toolbox was
// called, on the same thread: the engine serves its events while any loop of
// the thread waits, so it stays usable while its owner's loop (or a nested
// one) runs. Its buttons post their items' events to the owner window; on
// every timer tick the buttons follow the enabled state of what they mimic.
// While the toolbox is open, Ask waits for a toolbox button instead of
// showing a menu. Closing the toolbox window (or Kill) ends it; its timer
// keeps a headless test's clock running, so such a test closes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ui {
class Window;
}

namespace fw {

class INIClass;

// Translates the texts of menus before they are shown.
class TranslatorClass {
 public:
  virtual ~TranslatorClass() = default;
  virtual std::string TranslateString(const std::string& text) = 0;
};

struct PopupItem {
  int32_t ControlID = 0;  // control receiving Event, or the mimicked button; 0: plain item
  int32_t Depth = 1;      // 1: top menu; an item followed by a deeper one titles a submenu
  int32_t Event = 0;      // posted to ControlID when chosen; 0: none
  uint8_t MimicMode = 0;  // 1: mimics the button ControlID
  uint8_t Disabled = 0;   // 0 not set, 1 disabled, 2 enabled
  uint8_t Check = 0;      // 0 no mark, 1 checked, 2 unchecked check box
  uint8_t OnToolbox = 0;  // 1: shown in the toolbox
  std::string Icon;       // up to 255 characters
  std::string Name;       // up to 1024 characters, unique in the menu
  std::string Text;       // up to 1024 characters; "-" is a separator
};

class PopupClass {
 public:
  PopupClass() = default;
  // Kills the popup when that has not happened.
  ~PopupClass();
  PopupClass(const PopupClass&) = delete;
  PopupClass& operator=(const PopupClass&) = delete;

  // Creates the item list; the calling thread receives the chosen items' events.
  void Init();
  // Closes the toolbox when open and drops the items. A second call does nothing.
  void Kill();

  // Appends an item named after its text; returns the name.
  std::string AddItem(const std::string& text);
  // Appends an item after the last one, at its depth.
  void AddItem(const std::string& text, const std::string& name);
  // Inserts after the item named `afterName` (none: at the end) at `depth`
  // (0: that item's depth).
  void AddItem(const std::string& text, const std::string& name, const std::string& afterName,
               int32_t depth);
  // The item `name` (created with that text when missing) posts `event` to
  // `control` when chosen and goes on the toolbox. Returns the item's name.
  std::string AddItemEvent(const std::string& name, int32_t event, int32_t control);
  // The item mimics `button` of the current target window, which must be a
  // button or a menu item; it presses the button when chosen and goes on the
  // toolbox. `text` is what it shows ("!..." : the button's own text first).
  std::string AddItemMimic(const std::string& name, int32_t button, const std::string& text = "");
  // Menu text into items. Position 0 replaces every item; otherwise the new
  // items go after item position - 1, starting at its depth.
  void AddMenu(const std::string& menuText, int32_t position = 0);
  // The menu text's items after the item named `afterName`.
  void AddSubMenu(const std::string& menuText, const std::string& afterName);
  // A submenu titled `title` holding the menu text's items, after `afterName`.
  void AddSubMenu(const std::string& title, const std::string& menuText,
                  const std::string& afterName);

  void DeleteItem(const std::string& name);
  void SetIcon(const std::string& name, const std::string& icon);
  void SetItemEnable(const std::string& name, bool enabled);  // separators left alone
  void SetItemCheck(const std::string& name, bool checked);   // separators left alone
  void SetToolbox(const std::string& name, bool on);

  // Number of items; with `selectableOnly`, those that are neither separators
  // nor submenu titles.
  uint16_t GetItems(bool selectableOnly = false) const;

  // Shows the menu (x, y of 0: at the mouse) and acts on the choice: an item
  // with an event posts it, a mimicking item presses its button. Returns the
  // chosen item's name, empty when nothing was chosen.
  std::string Ask(int32_t x = 0, int32_t y = 0);
  std::string GetLastSelection() const { return LastSelection; }

  // Opens the toolbox titled `title` beside the current target window;
  // nothing happens when it is already open.
  void Toolbox(const std::string& title);
  void SetTranslator(TranslatorClass* translator);  // must not be null

  // The engine's popup text for the items as they are now (mimics read).
  std::string GetMenuText();
  // Shows `menuText` (or, in toolbox mode, waits for a toolbox button).
  // Returns the chosen number, 0 for none.
  int32_t ExecutePopup(const std::string& menuText, int32_t x, int32_t y);
  // Name of the number-th selectable item (toolbox mode: of the toolbox's
  // number-th button); empty when none.
  std::string GetName(int32_t number) const;
  // Position of the first item named `name`, 0 when none.
  uint8_t LocateName(const std::string& name) const;
  std::string GetUniqueName(const std::string& name) const;
  // Inserts an item after `position` (0: after the last) at `depth` (0: the
  // depth of the item at `position`, 1 when none).
  void SetItem(int32_t position, int32_t depth, const std::string& name, const std::string& text);
  // A mimicking item as it shows now: its button's text, state and icon
  // filled in. Other items come back unchanged.
  PopupItem CheckMimics(const PopupItem& item) const;
  // The toolbox's set-up; the toolbox then runs until its window closes.
  void AskToolbox(const std::string& title);
  // Rebuilds the toolbox's buttons from the items and their mimicked buttons.
  void ResetToolbox();

  // The toolbox window, while open (nullptr otherwise).
  ui::Window* ToolboxWindow() const { return InToolbox ? ThisWindow : nullptr; }
  // Read-only view of the items, in order (nullptr before Init).
  const std::vector<PopupItem>* Items() const { return PopupItems.get(); }

  // Fields.
  uint8_t ClearKeyCode = 0;          // 1 after Init: clear the key code before posting
  std::string LastSelection;         // name of the last chosen item
  int32_t LastNumberSelection = 0;   // number the popup returned
  std::unique_ptr<std::vector<PopupItem>> PopupItems;
  TranslatorClass* Translator = nullptr;
  INIClass* IniMgr = nullptr;        // not used by the class
  uint8_t InToolbox = 0;             // the toolbox is open
  std::thread::id MyThread;          // the thread that called Init
  ui::Window* ParentWindow = nullptr;  // window the toolbox runs beside
  ui::Window* ThisWindow = nullptr;    // the toolbox window

 private:
  PopupItem* find(const std::string& name);
  // ParentWindow is still an open window of this thread.
  bool parentOpen() const;
  // The window whose buttons mimicking items read.
  ui::Window* mimicWindow() const;
  void post(int32_t event, int32_t control);
  // Toolbox: one event of the toolbox window, served beside the owner's loop.
  void toolboxEvent();
  // Toolbox: the chosen button's item acts (posts its event), or the toolbox ends.
  void toolboxChoice(int32_t number);
  void endToolbox();
  void placeToolbox();

  std::unique_ptr<ui::Window> toolbox_;
  std::vector<int32_t> disabledByToolbox_;  // owner controls disabled while the toolbox is open
  bool killed_ = true;
};

// The toolbox's body: runs AskToolbox on `popup`.
void PopToolbox(const std::string& title, PopupClass* popup);

// The text without "&" marks ("&&" gives one "&"), at most 100 characters.
std::string RemoveAmpersand(const std::string& text);

}  // namespace fw
