// Controls by number: run-time creation, properties, lists, sheets.
#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/row_source.h"

namespace {

using namespace ui;
using uitest::ctl;
using uitest::Seen;

class Controls : public uitest::Headless {};

ControlDef listDef(bool immediate) {
  ControlDef l = ctl(Ctl_List);
  l.immediate = immediate;
  l.height = 50;  // four rows under the header
  for (int i = 1; i <= 3; ++i) {
    ListColumn c;
    c.header = "C" + std::to_string(i);
    c.picture = "@s" + std::to_string(i * 10);
    l.columns.push_back(c);
  }
  l.columns[2].field = 7;
  return l;
}

TableRowSource rows(int n) {
  TableRowSource t;
  for (int i = 1; i <= n; ++i) t.rows.push_back({"r" + std::to_string(i), "x", "y"});
  return t;
}

TEST_F(Controls, RunTimeControlsNumberAboveAllAndDestroyClearsEditorAndFocus) {
  WindowDef d;
  d.controls = {ctl(Ctl_Entry), listDef(true), ctl(Ctl_Button)};
  d.controls[2].number = 3001;  // toolbar-style fixed number
  Window w(d);
  EXPECT_TRUE(w.exists(1) && w.exists(2) && w.exists(3001) && !w.exists(3));
  w.open();
  int e = w.create(Ctl_Entry);
  EXPECT_EQ(e, 3002);
  EXPECT_EQ(w.prop(e, Prop_Type).toInt(), Ctl_Entry);
  w.setProp(2, Prop_Edit, e, 2);
  EXPECT_EQ(w.prop(2, Prop_Edit, 2).toInt(), e);
  w.setProp(2, Prop_Edit, 999, 1);  // no such control: nothing is laid over
  EXPECT_EQ(w.prop(2, Prop_Edit, 1).toInt(), 0);
  w.select(e);
  w.destroy(e);
  EXPECT_FALSE(w.exists(e));
  EXPECT_EQ(w.prop(2, Prop_Edit, 2).toInt(), 0);
  EXPECT_EQ(w.focus(), 2);  // the list takes the keyboard back from its editor
  EXPECT_EQ(w.create(Ctl_Entry), 3002);
}

TEST_F(Controls, AlertedKeysBySlotReadSetAndClear) {
  WindowDef d;
  d.controls = {listDef(true)};
  d.controls[0].alerts = {Mouse_LeftDouble, Mouse_Left, Mouse_RightUp};
  Window w(d);
  int slot = 0;
  for (int i = 1; i <= 254 && !slot; ++i)
    if (w.prop(1, Prop_Alrt, i).toInt() == Mouse_Left) slot = i;
  ASSERT_EQ(slot, 2);
  w.setProp(1, Prop_Alrt, 0, slot);  // cleared while a row is edited
  w.removeAlert(1, Mouse_LeftDouble);
  TableRowSource t = rows(3);
  w.setRowSource(1, &t);
  w.open();
  hb.then([&] { w.inputClick(1, Mouse_Left, 2, 1); });
  hb.then([&] { w.inputClick(1, Mouse_LeftDouble, 2, 1); });
  Seen seen = drain(w);
  // Neither key is alerted now: a plain selection, then the list's own accept.
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_NewSelection, 1}));
  EXPECT_EQ(seen[2], (std::pair<int, int>{Event_Accepted, 1}));
  w.setProp(1, Prop_Alrt, Mouse_Left, slot);  // put back in its slot
  EXPECT_EQ(w.prop(1, Prop_Alrt, 2).toInt(), Mouse_Left);
  EXPECT_EQ(w.prop(1, Prop_Alrt, 3).toInt(), Mouse_RightUp);
  EXPECT_EQ(w.prop(1, Prop_Alrt, 255).toInt(), 0);
}

TEST_F(Controls, ListColumnPropertiesByNumber) {
  WindowDef d;
  d.controls = {listDef(true)};
  Window w(d);
  EXPECT_EQ(w.prop(1, Prop_ColExists, 3).toInt(), 1);
  EXPECT_EQ(w.prop(1, Prop_ColExists, 4).toInt(), 0);
  EXPECT_EQ(w.prop(1, Prop_ColExists, 0).toInt(), 0);
  EXPECT_EQ(w.prop(1, Prop_ColFieldNo, 2).toInt(), 2);
  EXPECT_EQ(w.prop(1, Prop_ColFieldNo, 3).toInt(), 7);
  EXPECT_EQ(w.prop(1, Prop_ColPicture, 2).toString(), "@s20");
  EXPECT_EQ(w.prop(1, Prop_ColEditable, 1).toInt(), 1);
  w.setProp(1, Prop_ColEditable, 0, 1);
  EXPECT_EQ(w.prop(1, Prop_ColEditable, 1).toInt(), 0);
  EXPECT_EQ(w.prop(1, Prop_ColColor, 2).toInt(), Color_None);
  w.setProp(1, Prop_ColColor, Color_GrayText, 2);
  EXPECT_EQ(w.prop(1, Prop_ColColor, 2).toInt(), 0x80000011LL);
  w.setProp(1, Prop_ColColor, 5, 9);  // out of range: ignored
  EXPECT_EQ(w.prop(1, Prop_Items).toInt(), 4);
}

TEST_F(Controls, ImmediateListPostsScrollEventsPlainListMovesHighlight) {
  WindowDef d;
  d.controls = {listDef(true), listDef(false)};
  Window w(d);
  TableRowSource t = rows(10);
  w.setRowSource(1, &t);
  w.setRowSource(2, &t);
  w.open();
  w.setProp(2, Prop_Choice, 1);
  hb.then([&] {
    for (int k : std::initializer_list<int>{Key_Down, Key_PageDown, Key_Up, Key_Ctrl + Key_Home, Key_End}) w.inputKey(1, k);
  });
  hb.then([&] {
    for (int k : std::initializer_list<int>{Key_Down, Key_PageDown, Key_End, Key_Down}) w.inputKey(2, k);
  });
  Seen seen = drain(w);
  Seen expected = {{Event_OpenWindow, 0},    {Event_ScrollDown, 1},   {Event_PageDown, 1},
                   {Event_ScrollUp, 1},      {Event_ScrollTop, 1},    {Event_ScrollBottom, 1},
                   {Event_NewSelection, 2},  {Event_NewSelection, 2}, {Event_NewSelection, 2},
                   {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w.prop(1, Prop_Choice).toInt(), 0);
  EXPECT_EQ(w.prop(2, Prop_Choice).toInt(), 10);
  EXPECT_EQ(w.prop(2, Prop_YOrigin).toInt(), 7);  // last four rows shown
  w.setProp(2, Prop_SelStart, 50);
  EXPECT_EQ(w.prop(2, Prop_Choice).toInt(), 10);  // clamped to the rows
}

TEST_F(Controls, MouseOnListSetsMouseDownPropertiesAndAlertedKeys) {
  WindowDef d;
  d.controls = {listDef(true)};
  Window w(d);
  TableRowSource t = rows(5);
  w.setRowSource(1, &t);
  w.alert(1, Mouse_RightUp);
  w.alert(1, Mouse_LeftDouble);
  w.open();
  hb.then([&] { w.inputClick(1, Mouse_Left, 3, 2); });
  hb.then([&] { w.inputClick(1, Mouse_LeftDouble, 3, 2); });
  hb.then([&] { w.inputClick(1, Mouse_RightUp, 4, 1, Zone_Field); });
  hb.then([&] { w.inputClick(1, Mouse_Left, 0, 1, Zone_Header); });
  Seen seen = drain(w);
  Seen expected = {{Event_OpenWindow, 0}, {Event_NewSelection, 1}, {Event_AlertKey, 1},
                   {Event_AlertKey, 1}, {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w.prop(1, Prop_Choice).toInt(), 3);  // right click does not move the highlight
  EXPECT_EQ(w.prop(1, Prop_MouseDownRow).toInt(), 0);
  EXPECT_EQ(w.prop(1, Prop_MouseDownZone).toInt(), Zone_Header);
}

TEST_F(Controls, SheetShowsOnlyControlsOfSelectedVisibleTab) {
  WindowDef d;
  d.controls = {ctl(Ctl_Sheet), ctl(Ctl_Tab, "One"), ctl(Ctl_Entry), ctl(Ctl_Tab, "Two"),
                ctl(Ctl_Entry)};
  d.controls[1].parent = 1;
  d.controls[2].parent = 2;
  d.controls[3].parent = 1;
  d.controls[4].parent = 4;
  d.controls[3].hidden = true;
  Window w(d);
  w.open();
  EXPECT_EQ(w.prop(1, Prop_Choice).toInt(), 1);
  EXPECT_TRUE(w.visible(3));
  EXPECT_FALSE(w.visible(5));
  w.setProp(1, Prop_Choice, 2);
  EXPECT_FALSE(w.visible(3));
  EXPECT_FALSE(w.visible(5));  // its tab is hidden
  w.unhide(4);
  EXPECT_TRUE(w.visible(5));
  w.hide(1);
  EXPECT_FALSE(w.visible(5));
  hb.then([&] { w.inputChoice(1, 1); });
  Seen seen = drain(w);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_NewSelection, 1}));
  w.destroy(2);  // a tab takes its controls along
  EXPECT_FALSE(w.exists(2) || w.exists(3));
  EXPECT_TRUE(w.exists(4) && w.exists(5));
  w.destroy(1);
  EXPECT_EQ(w.lastControl(), 0);
}

TEST_F(Controls, RangeOperationsAndGeometry) {
  WindowDef d;
  d.controls = {ctl(Ctl_Button), ctl(Ctl_Button), ctl(Ctl_Button), ctl(Ctl_Button)};
  Window w(d);
  w.disable(2, 3);
  w.hide(4);
  std::vector<long long> disabled;
  for (int n = 1; n <= 4; ++n) disabled.push_back(w.prop(n, Prop_Disable).toInt());
  EXPECT_EQ(disabled, (std::vector<long long>{0, 1, 1, 0}));
  EXPECT_FALSE(w.visible(4));
  w.setProp(1, Prop_Xpos, 116);
  w.setProp(1, Prop_Tip, "hint");
  EXPECT_EQ(w.prop(1, Prop_Xpos).toInt(), 116);
  EXPECT_EQ(w.prop(1, Prop_Tip).toString(), "hint");
  w.setProp(0, Prop_Width, 450);
  w.setProp(0, Prop_Maximize, 1);
  EXPECT_EQ(w.prop(0, Prop_Width).toInt(), 450);
  EXPECT_EQ(w.prop(0, Prop_Maximize).toInt(), 1);
  EXPECT_EQ(w.prop(77, Prop_Text).toString(), "");  // unknown control reads empty
  // A size that follows the content reads as measured once the window is open.
  w.setProp(2, Prop_Text, "Salir");
  EXPECT_EQ(w.prop(2, Prop_Width).toInt(), Auto);
  w.open();
  EXPECT_EQ(w.prop(2, Prop_Width).toInt(), 4 * 5 + 16);
  EXPECT_EQ(w.prop(1, Prop_Width).toInt(), 4 * 0 + 16);
}

}  // namespace
