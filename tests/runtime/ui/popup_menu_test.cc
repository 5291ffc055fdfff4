#include "runtime/ui/popup_menu.h"

#include <gtest/gtest.h>

#include "headless_fixture.h"

namespace {

using ui::PopupMenu;

TEST(PopupMenuText, SubmenusSeparatorsAndNumbering) {
  PopupMenu m = PopupMenu::parse("|File{Open|Close}Exit|-|~+Bold|-Plain");
  ASSERT_EQ(m.items.size(), 5u);
  EXPECT_EQ(m.items[0].text, "File");
  EXPECT_EQ(m.items[0].number, 0);  // a submenu title is not selectable
  ASSERT_EQ(m.items[0].children.size(), 2u);
  EXPECT_EQ(m.items[0].children[1].text, "Close");
  EXPECT_TRUE(m.items[2].separator);
  EXPECT_EQ(m.selectableCount(), 5);
  struct Case {
    int number;
    const char* text;
    bool disabled;
    int check;
  };
  for (const Case& c : {Case{1, "Open", false, 0}, Case{2, "Close", false, 0},
                        Case{3, "Exit", false, 0}, Case{4, "Bold", true, 1},
                        Case{5, "Plain", false, 2}}) {
    const ui::MenuEntry* e = m.find(c.number);
    ASSERT_NE(e, nullptr) << c.number;
    EXPECT_EQ(e->text, c.text);
    EXPECT_EQ(e->disabled, c.disabled) << c.text;
    EXPECT_EQ(e->check, c.check) << c.text;
  }
  EXPECT_EQ(m.find(6), nullptr);
  EXPECT_EQ(m.find(0), nullptr);
}

TEST(PopupMenuText, AttributeBlocksGiveIconsAndMayHoldDelimiters) {
  PopupMenu m = PopupMenu::parse(
      "|~[31848(~C:\\ICONOS\\EDITAR.ICO),31290(0)]&Change|-|[31290(0)]&Insert|[31848(~a|b{c}),31290(0)]Odd");
  ASSERT_EQ(m.selectableCount(), 3);
  EXPECT_EQ(m.find(1)->text, "&Change");
  EXPECT_TRUE(m.find(1)->disabled);
  EXPECT_EQ(m.find(1)->icon, "C:\\ICONOS\\EDITAR.ICO");
  EXPECT_EQ(m.find(2)->icon, "");
  EXPECT_EQ(m.find(3)->text, "Odd");
  EXPECT_EQ(m.numberOf("Insert"), 2);
  EXPECT_EQ(ui::stripAmpersands("Save && &Exit"), "Save & Exit");
}

TEST(PopupMenuText, MalformedTextNeverCrashes) {
  for (const char* t : {"", "|", "}}}|x", "{{{", "[unterminated", "|-|-", "a{}b", "|~|+|-"}) {
    PopupMenu m = PopupMenu::parse(t);
    for (int n = 1; n <= m.selectableCount(); ++n) EXPECT_NE(m.find(n), nullptr) << t;
  }
  EXPECT_EQ(PopupMenu::parse("a{}b").selectableCount(), 2);
}

class Popup : public uitest::Headless {};

TEST_F(Popup, EngineReturnsChosenNumberAndRejectsOutOfRangeAnswers) {
  hb.answerPopup(2);
  hb.answerPopup(9);
  EXPECT_EQ(ui::Engine::current().popup("|A|B"), 2);
  EXPECT_EQ(ui::Engine::current().popup("|A|B"), 0);
  EXPECT_EQ(ui::Engine::current().popup("|-"), 0);  // nothing to choose: not shown
  EXPECT_EQ(hb.popupsShown.size(), 2u);
}

}  // namespace
