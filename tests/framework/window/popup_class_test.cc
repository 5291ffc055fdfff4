// PopupClass on the headless back-end: item names, menu text both ways,
// mimicking items, choices and the toolbox.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/window/popup_class.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/window.h"

namespace {

enum Ctl { kInsert = 1, kChange, kDelete, kToolboxButton, kEntry };

ui::WindowDef Buttons() {
  ui::WindowDef d;
  for (const char* text : {"&Insert", "&Change", "&Delete", "&Toolbox"}) {
    ui::ControlDef b;
    b.type = ui::Ctl_Button;
    b.text = text;
    d.controls.push_back(b);
  }
  ui::ControlDef e;
  e.type = ui::Ctl_Entry;
  e.text = "@s10";
  d.controls.push_back(e);
  return d;
}

// Counts assertion boxes instead of showing them.
class Asserts : public rt::MessagePresenter {
 public:
  Asserts() { previous_ = rt::setMessagePresenter(this); }
  ~Asserts() override { rt::setMessagePresenter(previous_); }
  uint32_t show(const rt::MessageRequest& r) override {
    if (r.caption == "Assertion failed") ++count;
    return r.defaultButton;
  }
  int count = 0;

 private:
  rt::MessagePresenter* previous_;
};

class Popup : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = ui::setBackend(&hb);
    popup.Init();
    window.open();
    // Drop the opening events; tests look at what the popup posts.
    ui::Engine& e = ui::Engine::current();
    while (e.hasQueuedFor(&window)) e.wait(window);
  }
  void TearDown() override {
    popup.Kill();
    window.close();
    ui::setBackend(previous_);
  }
  // The next event queued for the window, as (event, control); (0, 0) when none.
  std::pair<int, int> nextPosted() {
    ui::Engine& e = ui::Engine::current();
    if (!e.hasQueuedFor(&window)) return {0, 0};
    e.wait(window);
    return {e.event(), e.field()};
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const fw::PopupItem& i : *popup.Items()) out.push_back(i.Name);
    return out;
  }

  ui::HeadlessBackend hb;
  ui::Window window{Buttons()};
  fw::PopupClass popup;
  Asserts asserts;

 private:
  ui::Backend* previous_ = nullptr;
};

TEST_F(Popup, NamesAreMadeUniqueFromTheText) {
  EXPECT_EQ(popup.AddItem("&Insert"), "Insert");
  EXPECT_EQ(popup.AddItem("&Insert"), "Insert1");
  EXPECT_EQ(popup.AddItem("-"), "Separator");
  EXPECT_EQ(popup.AddItem("-"), "Separator1");
  EXPECT_EQ(popup.AddItem("Año 2 (b)"), "Ao2b");  // only ASCII letters, digits and _
  EXPECT_EQ(popup.AddItem("&&"), "Item");         // never an empty name
  EXPECT_EQ(popup.LocateName("Insert1"), 2);
  EXPECT_EQ(popup.LocateName("insert1"), 0);
  popup.DeleteItem("Insert");
  EXPECT_EQ(popup.LocateName("Insert1"), 1);
  EXPECT_EQ(popup.GetUniqueName("&Insert"), "Insert");
}

TEST_F(Popup, PrefixesOfTheTextSetTheMarks) {
  struct Case {
    const char* text;
    uint8_t disabled, check;
    const char* shown;
  } cases[] = {
      {"~+Bold", 1, 1, "Bold"}, {"-Italic", 0, 2, "Italic"}, {"+~-x", 1, 2, "x"},
      {"-", 0, 0, "-"},         {"Plain", 0, 0, "Plain"},
  };
  for (const Case& c : cases) {
    popup.AddMenu(c.text, 0);
    ASSERT_EQ(popup.GetItems(), 1) << c.text;
    const fw::PopupItem& item = popup.Items()->front();
    EXPECT_EQ(item.Disabled, c.disabled) << c.text;
    EXPECT_EQ(item.Check, c.check) << c.text;
    EXPECT_EQ(item.Text, c.shown) << c.text;
  }
  // The marks come back as prefixes of the popup text.
  popup.AddMenu("~+Bold|-|-Italic", 0);
  EXPECT_EQ(popup.GetMenuText(), "|~+Bold|-|-Italic");
}

TEST_F(Popup, MenuTextWithASubmenuRoundTrips) {
  popup.AddItem("Old");
  popup.AddMenu("File{Open|Close}|Exit", 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"File", "Open", "Close", "Exit"}));
  std::vector<int32_t> depths;
  for (const fw::PopupItem& i : *popup.Items()) depths.push_back(i.Depth);
  EXPECT_EQ(depths, (std::vector<int32_t>{1, 2, 2, 1}));
  EXPECT_EQ(popup.GetMenuText(), "|File{Open|Close}Exit");
  EXPECT_EQ(popup.GetName(1), "Open");
  EXPECT_EQ(popup.GetName(2), "Close");
  EXPECT_EQ(popup.GetName(3), "Exit");
  EXPECT_EQ(popup.GetName(4), "");
  EXPECT_EQ(popup.GetName(0), "");
  // The engine numbers the same entries from the text.
  hb.answerPopup(2);
  EXPECT_EQ(popup.Ask(), "Close");
  EXPECT_EQ(popup.GetLastSelection(), "Close");
  EXPECT_EQ(popup.LastNumberSelection, 2);
}

TEST_F(Popup, SelectableCountAndNumbersAgreeWithTheEngine) {
  popup.AddMenu("A|-|B{C|-|D{E|F}}|-|G", 0);
  popup.AddSubMenu("Sub", "H|I", "A");  // a titled submenu after A
  EXPECT_EQ(popup.GetItems(false), 13);
  const std::string text = popup.GetMenuText();
  ui::PopupMenu parsed = ui::PopupMenu::parse(text);
  ASSERT_EQ(popup.GetItems(true), parsed.selectableCount()) << text;
  for (int n = 1; n <= parsed.selectableCount(); ++n) {
    const fw::PopupItem& item = popup.Items()->at(popup.LocateName(popup.GetName(n)) - 1);
    EXPECT_EQ(item.Text, parsed.find(n)->text) << "choice " << n << " of " << text;
  }
  EXPECT_EQ(popup.GetName(1), "A");
  EXPECT_EQ(popup.GetName(2), "H");
  EXPECT_EQ(popup.GetName(parsed.selectableCount()), "G");
}

TEST_F(Popup, SubmenusInsertAfterTheNamedItemAtItsDepth) {
  popup.AddMenu("A|B|C", 0);
  popup.AddSubMenu("X|Y", "B");
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "X", "Y", "C"}));
  popup.AddItem("Z", "Z", "A", 0);
  popup.AddItem("Deep", "Deep", "Z", 3);
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "Z", "Deep", "B", "X", "Y", "C"}));
  EXPECT_EQ(popup.Items()->at(1).Depth, 1);
  EXPECT_EQ(popup.Items()->at(2).Depth, 3);
  // An unknown name appends.
  popup.AddSubMenu("W", "nothing");
  EXPECT_EQ(names().back(), "W");
}

TEST_F(Popup, MalformedMenuTextIsAnAssertionAndAddsNothingBad) {
  popup.AddMenu("A}|B", 0);  // more closing than opening
  EXPECT_EQ(asserts.count, 1);
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
  popup.AddMenu("", 0);
  EXPECT_EQ(asserts.count, 2);
  popup.AddItem("{x");
  EXPECT_EQ(asserts.count, 3);
  EXPECT_EQ(popup.GetItems(), 2);
}

TEST_F(Popup, MimicFollowsItsButtonWhenTheMenuOpens) {
  EXPECT_EQ(popup.AddItemMimic("&Change", kChange, "!&Change"), "Change");
  EXPECT_EQ(popup.GetMenuText(), "|&Change");
  window.setProp(kChange, ui::Prop_Text, "&Cambiar");
  window.disable(kChange);
  EXPECT_EQ(popup.GetMenuText(), "|~&Cambiar");
  window.enable(kChange);
  window.setProp(kChange, ui::Prop_Text, "");
  EXPECT_EQ(popup.GetMenuText(), "|&Change");  // the item's own text without "!"
  // The stored item keeps its own text and no state.
  EXPECT_EQ(popup.Items()->front().Text, "!&Change");
  EXPECT_EQ(popup.Items()->front().Disabled, 0);
  // An item forced on stays on, whatever the button.
  window.disable(kChange);
  popup.SetItemEnable("Change", true);
  EXPECT_EQ(popup.GetMenuText(), "|&Change");
}

TEST_F(Popup, ChoosingAMimicPressesItsButtonAndAnEventItemPostsItsEvent) {
  popup.AddItemMimic("&Insert", kInsert, "!&Insert");
  popup.AddItemEvent("Locate", ui::Event_Locate, kEntry);
  popup.AddItem("Plain");
  ui::Engine::current().setKeyCode(ui::Mouse_Right);
  hb.answerPopup(1);
  EXPECT_EQ(popup.Ask(), "Insert");
  EXPECT_EQ(ui::Engine::current().keyCode(), 0);
  EXPECT_EQ(nextPosted(), std::make_pair(int(ui::Event_Accepted), int(kInsert)));
  hb.answerPopup(2);
  EXPECT_EQ(popup.Ask(), "Locate");
  EXPECT_EQ(nextPosted(), std::make_pair(int(ui::Event_Locate), int(kEntry)));
  hb.answerPopup(3);
  EXPECT_EQ(popup.Ask(), "Plain");
  EXPECT_EQ(nextPosted(), std::make_pair(0, 0));
}

TEST_F(Popup, AnItemWithoutTextKeepsTheNumbersOfTheItemsAfterIt) {
  window.setProp(kInsert, ui::Prop_Text, std::string());
  popup.AddItemMimic("NoText", kInsert);  // no text of its own, none on the button
  popup.AddItemMimic("&Change", kChange, "!&Change");
  EXPECT_EQ(popup.GetMenuText(), "|NoText|&Change");
  hb.answerPopup(2);
  EXPECT_EQ(popup.Ask(), "Change");
  EXPECT_EQ(nextPosted(), std::make_pair(int(ui::Event_Accepted), int(kChange)));
}

TEST_F(Popup, DismissedMenuReturnsNothingAndPostsNothing) {
  popup.AddItemMimic("&Insert", kInsert, "!&Insert");
  hb.answerPopup(1);
  popup.Ask();
  nextPosted();
  hb.answerPopup(0);
  EXPECT_EQ(popup.Ask(10, 20), "");
  EXPECT_EQ(popup.GetLastSelection(), "");
  EXPECT_EQ(popup.LastNumberSelection, 0);
  EXPECT_EQ(nextPosted(), std::make_pair(0, 0));
  EXPECT_EQ(hb.popupsShown.size(), 2u);
}

TEST_F(Popup, MimicOfAControlThatIsNotAButtonIsRefused) {
  EXPECT_EQ(popup.AddItemMimic("Entry", kEntry), "");
  EXPECT_EQ(popup.AddItemMimic("Missing", 99), "");
  EXPECT_EQ(asserts.count, 2);
  EXPECT_EQ(popup.GetItems(), 0);
}

TEST_F(Popup, IconsAddAttributeBlocksToEveryItemButSeparators) {
  popup.AddMenu("A|-|B", 0);
  EXPECT_EQ(popup.GetMenuText().find('['), std::string::npos);
  popup.SetIcon("B", "AGREGAR");
  EXPECT_EQ(popup.GetMenuText(), "|[31290(0)]A|-|[31848(~AGREGAR),31290(0)]B");
  // The engine reads the icon and the text back out of the block.
  ui::PopupMenu parsed = ui::PopupMenu::parse(popup.GetMenuText());
  EXPECT_EQ(parsed.find(2)->icon, "AGREGAR");
  EXPECT_EQ(parsed.find(2)->text, "B");
  // A mimic without an icon takes its button's.
  popup.AddMenu("A", 0);
  popup.AddItemMimic("&Delete", kDelete, "!&Delete");
  window.setProp(kDelete, ui::Prop_Icon, "BORRAR");
  EXPECT_EQ(popup.GetMenuText(), "|[31290(0)]A|[31848(~BORRAR),31290(0)]&Delete");
}

TEST_F(Popup, EnableAndCheckLeaveSeparatorsAlone) {
  popup.AddMenu("A|-", 0);
  popup.SetItemEnable("Separator", false);
  popup.SetItemCheck("Separator", true);
  popup.SetItemEnable("A", false);
  popup.SetItemCheck("A", false);
  EXPECT_EQ(popup.GetMenuText(), "|~-A|-");
  popup.SetItemEnable("A", true);
  popup.SetItemCheck("A", true);
  popup.SetItemEnable("nothing", false);  // unknown names do nothing
  EXPECT_EQ(popup.GetMenuText(), "|+A|-");
}

class Upper : public fw::TranslatorClass {
 public:
  std::string TranslateString(const std::string& text) override {
    std::string out = text;
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
  }
};

TEST_F(Popup, TranslatorSeesEveryText) {
  Upper upper;
  popup.SetTranslator(&upper);
  popup.SetTranslator(nullptr);  // refused: keeps the translator
  EXPECT_EQ(asserts.count, 1);
  popup.AddMenu("~Open|Close", 0);
  EXPECT_EQ(popup.GetMenuText(), "|~OPEN|CLOSE");
}

TEST(RemoveAmpersand, KeepsDoubledMarksAndCapsTheLength) {
  EXPECT_EQ(fw::RemoveAmpersand("&Save && Close"), "Save & Close");
  EXPECT_EQ(fw::RemoveAmpersand("a&"), "a");
  EXPECT_EQ(fw::RemoveAmpersand(std::string(150, 'x')).size(), 100u);
}

// --- Toolbox -------------------------------------------------------------------

class Toolbox : public Popup {
 protected:
  void SetUp() override {
    Popup::SetUp();
    popup.AddItemMimic("&Insert", kInsert, "!&Insert");
    popup.AddItemMimic("&Change", kChange, "!&Change");
    popup.AddItem("Plain");
    popup.AddItem("-");
    popup.AddItemMimic("&Toolbox", kToolboxButton, "!&Toolbox");
    popup.SetToolbox("Toolbox", false);
  }
  std::vector<std::string> buttonTexts() {
    std::vector<std::string> out;
    ui::Window* t = popup.ToolboxWindow();
    for (ui::Control* c : t->controls())
      out.push_back(c->def.text + (t->enabled(c->number()) ? "" : " (off)"));
    return out;
  }
};

TEST_F(Toolbox, ShowsOnlyItsItemsAndActsOnTheOwner) {
  window.disable(kChange);
  popup.Toolbox("Browse Actions");
  ui::Window* t = popup.ToolboxWindow();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->title(), "Browse Actions");
  EXPECT_EQ(buttonTexts(), (std::vector<std::string>{"&Insert", "&Change (off)"}));
  // The buttons sit in one row and the window fits them.
  EXPECT_EQ(t->prop(2, ui::Prop_Xpos).toInt(), t->prop(1, ui::Prop_Width).toInt());
  EXPECT_EQ(t->prop(0, ui::Prop_Width).toInt(),
            t->prop(1, ui::Prop_Width).toInt() + t->prop(2, ui::Prop_Width).toInt());
  // The command the toolbox leaves out is unavailable while it is open.
  EXPECT_FALSE(window.enabled(kToolboxButton));
  // The owner stays the target and usable.
  EXPECT_EQ(ui::Engine::current().target(), &window);
  EXPECT_TRUE(window.enabled(kInsert));
  popup.Toolbox("again");  // already open: nothing happens
  EXPECT_EQ(t->title(), "Browse Actions");

  // Pressing a toolbox button while the owner's loop waits presses the owner's button.
  hb.then([&] { t->inputClick(1, ui::Mouse_Left); });
  ui::Engine& e = ui::Engine::current();
  ASSERT_TRUE(e.wait(window));
  EXPECT_EQ(std::make_pair(e.event(), e.field()), std::make_pair(int(ui::Event_Accepted), int(kInsert)));
  EXPECT_EQ(popup.GetLastSelection(), "Insert");

  // The change button comes back on: within a timer period so does its toolbox button.
  hb.then([&] {
    window.enable(kChange);
    window.setProp(kInsert, ui::Prop_Text, "&Nuevo");
    EXPECT_EQ(buttonTexts(), (std::vector<std::string>{"&Insert", "&Change (off)"}));
    hb.advanceClock(1000);
  });
  hb.then([&] { window.inputClick(kDelete, ui::Mouse_Left); });
  ASSERT_TRUE(e.wait(window));
  EXPECT_EQ(buttonTexts(), (std::vector<std::string>{"&Nuevo", "&Change"}));

  // Closing the toolbox ends it and gives back what it took.
  hb.then([&] { t->inputCloseRequest(); });
  hb.then([&] { window.inputClick(kDelete, ui::Mouse_Left); });
  ASSERT_TRUE(e.wait(window));
  EXPECT_EQ(popup.InToolbox, 0);
  EXPECT_EQ(popup.ToolboxWindow(), nullptr);
  EXPECT_FALSE(t->isOpen());
  EXPECT_TRUE(window.enabled(kToolboxButton));
}

TEST_F(Toolbox, AskWhileOpenWaitsForAToolboxButton) {
  popup.Toolbox("Browse Actions");
  ui::Window* t = popup.ToolboxWindow();
  ASSERT_NE(t, nullptr);
  hb.then([&] { t->inputClick(2, ui::Mouse_Left); });
  EXPECT_EQ(popup.Ask(), "Change");
  EXPECT_TRUE(hb.popupsShown.empty());
  EXPECT_EQ(nextPosted(), std::make_pair(int(ui::Event_Accepted), int(kChange)));
  hb.then([&] { t->inputCloseRequest(); });
  EXPECT_EQ(popup.Ask(), "");
  EXPECT_EQ(popup.InToolbox, 0);
}

TEST_F(Toolbox, ClosesWhenItsOwnerCloses) {
  popup.Toolbox("Browse Actions");
  ui::Window* t = popup.ToolboxWindow();
  ASSERT_NE(t, nullptr);
  ui::Window other(Buttons());
  other.open();
  window.close();
  // The next tick of its timer, while some loop waits, ends the toolbox.
  hb.then([&] { hb.advanceClock(1000); });
  hb.then([&] { other.inputClick(kInsert, ui::Mouse_Left); });
  ui::Engine& e = ui::Engine::current();
  while (e.wait(other) && e.event() != ui::Event_Accepted) {
  }
  EXPECT_EQ(popup.InToolbox, 0);
  EXPECT_FALSE(t->isOpen());
  other.close();
}

TEST_F(Toolbox, KillClosesAnOpenToolbox) {
  window.disable(kDelete);
  popup.AddItemMimic("&Delete", kDelete, "!&Delete");
  popup.SetToolbox("Delete", false);
  popup.Toolbox("Browse Actions");
  ui::Window* t = popup.ToolboxWindow();
  ASSERT_NE(t, nullptr);
  popup.Kill();
  EXPECT_TRUE(window.enabled(kToolboxButton));
  EXPECT_FALSE(window.enabled(kDelete));  // it was off before the toolbox
  EXPECT_FALSE(ui::Engine::current().isSideWindow(t));
}

}  // namespace
