// The toolbar and its targets inside a running window procedure (headless):
// which target is current, which buttons are enabled, what each button does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/window/request_codes.h"
#include "framework/window/toolbar.h"
#include "framework/window/toolbar_list_box_class.h"
#include "framework/window/toolbar_update_class.h"
#include "framework/window/toolbar_tips.h"
#include "framework/window/window_manager.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/standard_toolbar.h"
#include "runtime/ui/window.h"

namespace {

using Seen = std::vector<std::pair<int, int>>;  // (event, control)

enum Ctl { kList1 = 1, kList2, kInsert, kChange, kDelete, kSelect, kHelp };

ui::WindowDef Browser() {
  ui::WindowDef d;
  for (int i = 0; i < 2; ++i) {
    ui::ControlDef l;
    l.type = ui::Ctl_List;
    l.columns.resize(1);
    d.controls.push_back(l);
  }
  for (int i = 0; i < 5; ++i) {
    ui::ControlDef b;
    b.type = ui::Ctl_Button;
    d.controls.push_back(b);
  }
  ui::addStandardToolbar(d);
  d.alerts = {ui::Key_F1};
  return d;
}

// Records what reaches the window, then lets the window manager go on.
class Recorder : public fw::WindowComponent {
 public:
  void Kill() override {}
  void Reset(uint8_t) override {}
  bool ResetRequired() override { return false; }
  void SetAlerts() override {}
  fw::Level TakeEvent() override {
    ui::Engine& e = ui::Engine::current();
    seen.emplace_back(e.event(), e.field());
    if (e.event() == ui::Event_AlertKey) keys.push_back(e.keyCode());
    return fw::Level::Benign;
  }
  void Update() override {}
  void UpdateWindow() override {}
  Seen seen;
  std::vector<int> keys;
};

class Proc : public fw::WindowManager {
 public:
  Proc() : window(Browser()) {}
  std::function<void(Proc&)> setUp;
  fw::Level Init() override {
    fw::Level r = WindowManager::Init();
    VCRRequest = &vcr;
    AddItem(&toolbar);
    AddItem(&recorder);
    Open(window);
    if (setUp) setUp(*this);
    return r;
  }
  void Update() override {
    ++updates;
    WindowManager::Update();
  }
  ui::Window window;
  fw::ToolbarClass toolbar;
  Recorder recorder;
  int32_t vcr = 0;
  int updates = 0;
};

// The toolbar buttons that can be pressed.
std::set<int> enabledButtons(ui::Window& w) {
  std::set<int> on;
  for (int c = fw::Toolbar_First; c <= fw::Toolbar_Last; ++c)
    if (w.exists(c) && w.enabled(c)) on.insert(c);
  return on;
}

class Toolbar : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = ui::setBackend(&hb); }
  void TearDown() override { ui::setBackend(previous_); }
  // Runs the procedure; `steps` run in its loop, then the window is closed.
  void run(Proc& p, std::vector<std::function<void()>> steps) {
    for (auto& s : steps) hb.then(s);
    hb.then([&p] { p.window.inputCloseRequest(); });
    p.Run();
  }
  // A list target with the own buttons filled in, as a browse does it.
  static void addList(Proc& p, fw::ToolbarListBoxClass& t, int list) {
    t.InsertButton = kInsert;
    t.ChangeButton = kChange;
    t.DeleteButton = kDelete;
    t.SelectButton = kSelect;
    p.toolbar.AddTarget(&t, list);
  }
  ui::HeadlessBackend hb;

 private:
  ui::Backend* previous_ = nullptr;
};

TEST_F(Toolbar, SetTargetZeroGivesTheToolbarToTheLastVisibleList) {
  Proc p;
  fw::ToolbarListBoxClass first, second;
  fw::ToolbarUpdateClass form;
  p.setUp = [&](Proc& pr) {
    addList(pr, first, kList1);
    addList(pr, second, kList2);
  };
  run(p, {[&] {
            p.toolbar.SetTarget(0);
            EXPECT_EQ(p.toolbar.Current(), &second);
            p.window.hide(kList2);
            p.toolbar.SetTarget(0);
            EXPECT_EQ(p.toolbar.Current(), &first);
            p.toolbar.SetTarget(kList2);  // by id, hidden or not
            EXPECT_EQ(p.toolbar.Current(), &second);
            p.window.hide(kList1);
            p.toolbar.SetTarget(0);  // nobody accepts: the current one stays
            EXPECT_EQ(p.toolbar.Current(), &second);
            // A form always accepts; its id -1 sorts first, the lists after it.
            form.Request = fw::Request_Change;
            p.toolbar.AddTarget(&form, -1);
            p.window.unhide(kList1);
            p.toolbar.SetTarget(0);
            EXPECT_EQ(p.toolbar.Current(), &first);
            p.window.hide(kList1);
            p.toolbar.SetTarget(0);
            EXPECT_EQ(p.toolbar.Current(), &form);
          }});
  EXPECT_EQ(first.Control, kList1);
  EXPECT_EQ(first.Window, &p);
}

TEST_F(Toolbar, ListTargetEnablesByItsOwnButtonsAndSetsItsTips) {
  Proc p;
  fw::ToolbarListBoxClass list;
  p.setUp = [&](Proc& pr) { addList(pr, list, kList1); };
  run(p, {[&] {
    p.window.disable(kDelete);
    p.toolbar.SetTarget(kList1);
    // Locate needs the browse's own locate button, like insert, change and delete.
    EXPECT_EQ(enabledButtons(p.window),
              (std::set<int>{3001, 3002, 3004, 3005, 3006, 3007, 3008, 3009, 3010}));
    EXPECT_EQ(p.window.prop(3009, ui::Prop_Tip).toString(), "Go to the Next Record");
    EXPECT_EQ(p.window.prop(3001, ui::Prop_Tip).toString(), "Insert a new Record");
    list.HelpButton = kHelp;
    list.LocateButton = kHelp;
    p.window.enable(kDelete);
    p.toolbar.DisplayButtons();
    EXPECT_TRUE(p.window.enabled(3013));
    EXPECT_TRUE(p.window.enabled(3011));
    EXPECT_TRUE(p.window.enabled(3003));
    EXPECT_FALSE(p.window.enabled(3012));
  }});
}

TEST_F(Toolbar, FormEnablesByItsRequest) {
  struct Case {
    uint8_t request;
    uint8_t history;
    bool help;
    std::set<int> on;
  } cases[] = {
      {fw::Request_Insert, 0, false, {3001, 3009}},
      {fw::Request_Insert, 1, true, {3001, 3009, 3012, 3013}},
      {fw::Request_Change, 0, true, {3001, 3005, 3006, 3007, 3008, 3009, 3010, 3013}},
      {fw::Request_Change, 1, false, {3001, 3005, 3006, 3007, 3008, 3009, 3010, 3012}},
      // Other requests switch everything off but help, which is left as it was.
      {fw::Request_Delete, 1, true, {3013}},
      {fw::Request_View, 0, false, {3013}},
  };
  for (const Case& c : cases) {
    Proc p;
    fw::ToolbarUpdateClass form;
    p.setUp = [&](Proc& pr) {
      // Everything on first, so that each "off" is the target's doing.
      pr.window.enable(fw::Toolbar_First, fw::Toolbar_Last);
      form.HelpButton = c.help ? kHelp : 0;
      pr.OriginalRequest = c.request;
      pr.HistoryKey = c.history ? ui::Key_F1 : 0;
      pr.AddItem(&form);
    };
    std::set<int> on;
    run(p, {[&] {
      on = enabledButtons(p.window);
      EXPECT_EQ(p.toolbar.Current(), &form);
    }});
    EXPECT_EQ(on, c.on) << "request " << int(c.request) << " history " << int(c.history);
  }
}

TEST_F(Toolbar, FormTipsFollowTheRequest) {
  for (uint8_t request : {fw::Request_Insert, fw::Request_Change}) {
    Proc p;
    fw::ToolbarUpdateClass form;
    p.setUp = [&](Proc& pr) {
      pr.OriginalRequest = request;
      pr.AddItem(&form);
    };
    std::string tip3009, tip3005;
    run(p, {[&] {
      tip3009 = p.window.prop(3009, ui::Prop_Tip).toString();
      tip3005 = p.window.prop(3005, ui::Prop_Tip).toString();
    }});
    if (request == fw::Request_Insert) {
      EXPECT_EQ(tip3009, "Save record and add another");
      EXPECT_EQ(tip3005, "Go to the Last Page");  // the button's own tip stays
    } else {
      EXPECT_EQ(tip3009, "Save changes and go to next record");
      EXPECT_EQ(tip3005, "Save changes and go to last record");
    }
  }
}

TEST_F(Toolbar, ListTargetRoutesEachButton) {
  struct Case {
    int button;
    int event;    // what reaches the window afterwards
    int control;
  } cases[] = {
      {3005, ui::Event_ScrollBottom, kList1}, {3006, ui::Event_ScrollTop, kList1},
      {3007, ui::Event_PageDown, kList1},     {3008, ui::Event_PageUp, kList1},
      {3009, ui::Event_ScrollDown, kList1},   {3010, ui::Event_ScrollUp, kList1},
      {3011, ui::Event_Locate, kList1},       {3001, ui::Event_Accepted, kInsert},
      {3002, ui::Event_Accepted, kChange},    {3003, ui::Event_Accepted, kDelete},
  };
  for (const Case& c : cases) {
    Proc p;
    fw::ToolbarListBoxClass list;
    p.setUp = [&](Proc& pr) {
      list.LocateButton = kHelp;  // the browse's own locate button
      addList(pr, list, kList1);
      pr.toolbar.SetTarget(kList1);
    };
    run(p, {[&] {
              p.recorder.seen.clear();
              p.window.inputClick(c.button, ui::Mouse_Left);
            },
            [] {}});
    ASSERT_GE(p.recorder.seen.size(), 2u) << c.button;
    EXPECT_EQ(p.recorder.seen[0], std::make_pair(int(ui::Event_Accepted), c.button));
    EXPECT_EQ(p.recorder.seen[1], std::make_pair(c.event, c.control)) << c.button;
    EXPECT_EQ(p.vcr, 0);
  }
}

TEST_F(Toolbar, SelectOnAListCompletesAndHelpPressesF1) {
  Proc p;
  fw::ToolbarListBoxClass list;
  p.setUp = [&](Proc& pr) {
    list.HelpButton = kHelp;
    addList(pr, list, kList1);
    pr.toolbar.SetTarget(kList1);
  };
  hb.then([&] { p.window.inputClick(3013, ui::Mouse_Left); });
  hb.then([] {});
  hb.then([&] { p.window.inputClick(3004, ui::Mouse_Left); });
  EXPECT_EQ(p.Run(), fw::Response_Completed);
  EXPECT_EQ(p.recorder.keys, std::vector<int>{ui::Key_F1});
  EXPECT_GE(p.updates, 1);
  EXPECT_EQ(hb.idleCloses, 0);  // the select closed it, not the end of the script
}

TEST_F(Toolbar, FormNavigationStoresTheRequestAndCompletes) {
  for (int button : {3001, 3005, 3009, 3010}) {
    Proc p;
    fw::ToolbarUpdateClass form;
    p.setUp = [&](Proc& pr) {
      // A change form; Request 0 keeps the save itself out of this test.
      pr.OriginalRequest = fw::Request_Change;
      pr.AddItem(&form);
    };
    run(p, {[&] { p.window.inputClick(button, ui::Mouse_Left); }, [] {}});
    EXPECT_EQ(p.vcr, button);
    // The save protocol's accept-all pass ran to its end.
    EXPECT_EQ(std::count(p.recorder.seen.begin(), p.recorder.seen.end(),
                         std::make_pair(int(ui::Event_Completed), 0)),
              1)
        << button;
  }
  // Buttons a form does not handle leave the request alone.
  Proc p;
  fw::ToolbarUpdateClass form;
  p.setUp = [&](Proc& pr) {
    pr.OriginalRequest = fw::Request_Change;
    pr.AddItem(&form);
  };
  run(p, {[&] { p.toolbar.TakeEvent(&p.vcr, p); }});
  EXPECT_EQ(p.vcr, 0);
}

TEST_F(Toolbar, MisuseIsAnAssertion) {
  class Asserts : public rt::MessagePresenter {
   public:
    uint32_t show(const rt::MessageRequest& r) override {
      count += r.caption == "Assertion failed";
      return r.defaultButton;
    }
    int count = 0;
  } asserts;
  rt::MessagePresenter* previous = rt::setMessagePresenter(&asserts);
  fw::ToolbarClass t;
  fw::ToolbarListBoxClass list;
  t.AddTarget(&list, 5);  // before Init
  t.Init();
  t.DisplayButtons();     // no current target
  t.SetTarget(7);         // never added
  t.AddTarget(&list, 5);
  t.SetTarget(0);         // no window: the list is not visible, nothing current
  EXPECT_EQ(t.Current(), nullptr);
  rt::setMessagePresenter(previous);
  EXPECT_EQ(asserts.count, 3);
}

TEST(ToolbarTips, PackedTablesReadBack) {
  fw::ToolbarTips tips = fw::UnpackTips(fw::FormChangeTipTable());
  ASSERT_EQ(tips.size(), 7u);
  EXPECT_EQ(tips.front(), std::make_pair(3005, std::string("Save changes and go to last record")));
  EXPECT_EQ(tips.back(), std::make_pair(3001, std::string("Save this record and add a new one")));
  EXPECT_EQ(fw::ListTipTable()[0], 7);
  EXPECT_EQ(fw::ListTipTable()[1] | (fw::ListTipTable()[2] << 8), 3009);
  // A table cut short yields the whole entries before the cut.
  std::vector<uint8_t> cut = fw::FormInsertTipTable();
  cut.resize(cut.size() - 3);
  EXPECT_EQ(fw::UnpackTips(cut).size(), 1u);
}

}  // namespace
