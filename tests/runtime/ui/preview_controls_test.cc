// What the print preview needs of pictures, spin boxes and menus.
#include <string>

#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/use_var.h"

namespace {

using namespace ui;
using uitest::ctl;
using uitest::Seen;

class PreviewControls : public uitest::Headless {};

TEST_F(PreviewControls, PictureScrollPositionsRunFrom0To255) {
  WindowDef d;
  d.controls = {ctl(Ctl_Image), ctl(Ctl_List)};
  Window w(d);
  w.setProp(1, Prop_DrawWidth, 900);
  w.setProp(1, Prop_DrawHeight, 1200);
  w.setProp(1, Prop_HScroll, 1);
  w.setProp(1, Prop_VScroll, 1);
  struct Case {
    int prop;
    long long set, read;
  } cases[] = {{Prop_HScrollPos, 128, 128}, {Prop_HScrollPos, 300, 255}, {Prop_HScrollPos, -5, 0},
               {Prop_VScrollPos, 255, 255}, {Prop_VScrollPos, 256, 255}};
  for (const Case& c : cases) {
    w.setProp(1, c.prop, c.set);
    EXPECT_EQ(w.prop(1, c.prop).toInt(), c.read) << c.prop << " " << c.set;
  }
  EXPECT_EQ(w.prop(1, Prop_DrawWidth).toInt(), 900);
  EXPECT_EQ(w.prop(1, Prop_DrawHeight).toInt(), 1200);
  EXPECT_EQ(w.prop(1, Prop_HScroll).toInt(), 1);
  // A list's thumb still runs 0..100, and its bar is its own.
  w.setProp(2, Prop_VScrollPos, 255);
  EXPECT_EQ(w.prop(2, Prop_VScrollPos).toInt(), 100);
  EXPECT_EQ(w.prop(2, Prop_VScroll).toInt(), 0);
}

// The right button released over a picture is reported even when only the
// left button is alerted; other controls report only alerted mouse keys.
TEST_F(PreviewControls, RightReleaseOverAPictureIsAnAlertKey) {
  WindowDef d;
  d.controls = {ctl(Ctl_Image), ctl(Ctl_Box)};
  d.controls[0].alerts = {Mouse_Left};
  d.controls[0].cursor = Cursor_Zoom;
  Window w(d);
  w.open();
  hb.then([&] {
    w.inputMousePosition(40, 30);
    w.inputClick(1, Mouse_RightUp);
    w.inputClick(2, Mouse_RightUp);
    w.inputClick(1, Mouse_Left);
  });
  std::vector<std::pair<int, int>> alerts;  // (control, key)
  int mouseX = -1;
  AcceptLoop loop(w);
  while (loop.next()) {
    Engine& e = Engine::current();
    if (e.event() != Event_AlertKey) continue;
    alerts.emplace_back(e.field(), e.keyCode());
    if (e.keyCode() == Mouse_RightUp) mouseX = int(w.prop(0, Prop_MouseX).toInt());
  }
  EXPECT_EQ(alerts, (std::vector<std::pair<int, int>>{{1, Mouse_RightUp}, {1, Mouse_Left}}));
  EXPECT_EQ(mouseX, 40);
  EXPECT_EQ(w.prop(1, Prop_Cursor).toInt(), Cursor_Zoom);
}

// A spin box refuses a typed value outside its range; its message is a property.
TEST_F(PreviewControls, SpinBoxRefusesValuesAboveItsUpperLimit) {
  WindowDef d;
  d.controls = {ctl(Ctl_Spin, "@n3"), ctl(Ctl_Button, "OK")};
  Window w(d);
  int32_t page = 1;
  Int32Var pageVar(&page);
  w.bind(1, &pageVar);
  w.setProp(1, Prop_RangeLow, 1);
  w.setProp(1, Prop_RangeHigh, 8);
  w.setProp(1, Prop_Msg, "Enter a page number from 1 to 8");
  w.open();
  hb.then([&] {
    w.inputText(1, "9");
    w.inputKey(1, Key_Tab);
  });
  hb.then([&] {
    w.inputText(1, "8");
    w.inputKey(1, Key_Tab);
  });
  Seen seen = drain(w);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Rejected, 1}));
  EXPECT_EQ(seen[2], (std::pair<int, int>{Event_Accepted, 1}));
  EXPECT_EQ(page, 8);
  EXPECT_EQ(w.prop(1, Prop_Msg).toString(), "Enter a page number from 1 to 8");
  // Stepping stops at the limit.
  w.inputSpin(1, 12);
  EXPECT_EQ(PropValue(w.prop(1, Prop_ScreenText).toString()).toInt(), 8);
}

// A check item shows its variable and a click sets the variable.
TEST_F(PreviewControls, CheckMenuItemFollowsItsVariable) {
  WindowDef d;
  d.controls = {ctl(Ctl_Menu, "&Zoom")};
  Window w(d);
  w.open();
  ControlDef item = ctl(Ctl_MenuItem, "Page Width");
  item.parent = 1;
  item.number = 201;
  ASSERT_EQ(w.create(item), 201);
  std::string checked = "0";
  StringVar var(&checked);
  w.bind(201, &var);
  w.setProp(201, Prop_CheckItem, 1);
  EXPECT_EQ(w.prop(201, Prop_Checked).toInt(), 0);
  checked = "1";
  w.display(201);
  EXPECT_EQ(w.prop(201, Prop_Checked).toInt(), 1);
  hb.then([&] { w.inputClick(201, Mouse_Left); });
  Seen seen = drain(w);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Accepted, 201}));
  EXPECT_EQ(checked, "0");
  EXPECT_EQ(w.prop(201, Prop_Checked).toInt(), 0);
}

}  // namespace
