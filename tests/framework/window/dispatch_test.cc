// The window manager's life and event dispatch, on the headless back-end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/request_codes.h"
#include "framework/window/window_manager.h"
#include "framework/window/window_placement.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/use_var.h"
#include "runtime/view/bindings.h"
#include "runtime/ui/window.h"

namespace {

using fw::Level;
using Log = std::vector<std::string>;

// A component that logs what it is asked and consumes the events it is told to.
class Probe : public fw::WindowComponent {
 public:
  Probe(std::string name, Log& log, fw::WindowManager* owner = nullptr)
      : name_(std::move(name)), log_(log), owner_(owner) {}
  int consume = 0;         // event code it consumes
  bool resetWanted = false;
  int resets = 0;
  int lastForce = -1;
  void Kill() override {
    bool listed = false;
    if (owner_ && owner_->CL)
      for (auto& e : *owner_->CL) listed |= e.WC == this;
    log_.push_back(name_ + (listed ? " kill (still listed)" : " kill"));
  }
  void Reset(uint8_t force) override {
    ++resets;
    lastForce = force;
  }
  bool ResetRequired() override {
    log_.push_back(name_ + " reset?");
    return resetWanted;
  }
  void SetAlerts() override {}
  Level TakeEvent() override {
    int event = ui::Engine::current().event();
    log_.push_back(name_ + " " + std::to_string(event));
    return event == consume ? Level::Notify : Level::Benign;
  }
  void Update() override {}
  void UpdateWindow() override {}

 private:
  std::string name_;
  Log& log_;
  fw::WindowManager* owner_;
};

ui::WindowDef TwoButtons() {
  ui::WindowDef d;
  ui::ControlDef b;
  b.type = ui::Ctl_Button;
  d.controls = {b, b};
  return d;
}

// A procedure whose Init opens its window and registers the probes.
class Proc : public fw::WindowManager {
 public:
  Proc() : window(TwoButtons()) {}
  bool failInit = false;
  std::vector<fw::WindowComponent*> components;
  size_t scopeDepthInInit = 0;
  int asks = 0;
  Level Init() override {
    Level r = WindowManager::Init();
    scopeDepthInInit = rt::threadBindings().depth();
    if (failInit) return Level::Notify;
    for (auto* c : components) AddItem(c);
    AddItem(2, fw::Response_Completed);
    Open(window);
    return r;
  }
  void Ask() override {
    ++asks;
    WindowManager::Ask();
  }
  ui::Window window;
};

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = ui::setBackend(&hb); }
  void TearDown() override { ui::setBackend(previous_); }
  ui::HeadlessBackend hb;
  Log log;

 private:
  ui::Backend* previous_ = nullptr;
};

TEST_F(Dispatch, FailedInitSkipsAskButKillsOnceAndReturnsCancelled) {
  Proc p;
  Probe probe("a", log, &p);
  p.components = {&probe};
  p.failInit = true;
  size_t depth = rt::threadBindings().depth();
  ui::Engine::current().setKeyCode(ui::Mouse_RightUp);  // the click that called the procedure
  EXPECT_EQ(p.Run(), fw::Response_Cancelled);
  EXPECT_EQ(ui::Engine::current().keyCode(), 0);
  EXPECT_EQ(p.asks, 0);
  EXPECT_EQ(p.Dead, 1);
  EXPECT_EQ(p.scopeDepthInInit, depth + 1);
  EXPECT_EQ(rt::threadBindings().depth(), depth);
  // A second Kill does nothing.
  EXPECT_EQ(p.Kill(), Level::Notify);
  EXPECT_EQ(rt::threadBindings().depth(), depth);
}

TEST_F(Dispatch, ComponentsInOrderUntilOneConsumesAndKilledOutOfTheList) {
  Proc p;
  Probe a("a", log, &p), b("b", log, &p), c("c", log, &p);
  b.consume = ui::Event_Accepted;
  p.components = {&a, &b, &c};
  hb.then([&] { log.clear(); });
  hb.then([&] { p.window.inputClick(1, ui::Mouse_Left); });
  hb.then([&] { p.window.inputClick(2, ui::Mouse_Left); });  // a button entry: ends the window
  EXPECT_EQ(p.Run(), fw::Response_Completed);
  // Button 1: consumed by b, so c and the refresh check never see it.
  // Button 2 (clicked while button 1 has the focus): its Selecting and
  // Selected reach every component, its Accepted none. Then the close, and
  // Kill in order.
  Log expected = {"a 1",      "b 1",      "a 258",    "b 258",    "c 258",    "a reset?",
                  "b reset?", "c reset?", "a 257",    "b 257",    "c 257",    "a reset?",
                  "b reset?", "c reset?", "a 513",    "b 513",    "c 513",    "a reset?",
                  "b reset?", "c reset?", "a kill",   "b kill",   "c kill"};
  EXPECT_EQ(log, expected);
}

TEST_F(Dispatch, RefreshCheckStopsAtTheFirstComponentThatWantsAReset) {
  Proc p;
  Probe a("a", log), b("b", log), c("c", log);
  b.resetWanted = true;
  p.components = {&a, &b, &c};
  hb.then([&] {
    log.clear();
    p.window.inputClick(1, ui::Mouse_Left);
  });
  hb.then([&] { p.window.inputClick(2, ui::Mouse_Left); });
  p.Run();
  EXPECT_EQ(Log(log.begin(), log.begin() + 5), (Log{"a 1", "b 1", "c 1", "a reset?", "b reset?"}));
  EXPECT_GE(c.resets, 1);  // the reset refreshed every component
}

TEST_F(Dispatch, FirstSizedEventAfterOpeningDoesNotReset) {
  Proc p;
  Probe a("a", log);
  p.components = {&a};
  int afterOpen = -1, afterFirst = -1, afterSecond = -1;
  hb.then([&] { afterOpen = a.resets; });
  hb.then([&] { p.window.inputResized(300, 200); });
  hb.then([&] { afterFirst = a.resets; });
  hb.then([&] { p.window.inputResized(320, 210); });
  hb.then([&] { afterSecond = a.resets; });
  p.Run();
  EXPECT_EQ(afterOpen, 1);  // Open resets once
  EXPECT_EQ(afterFirst, 1);
  EXPECT_EQ(afterSecond, 2);
  // Every size event is followed by the framework's resize event.
  EXPECT_EQ(std::count(log.begin(), log.end(), "a 1023"), 2);
}

// A toolbar target that notes what reaches it.
class NotingTarget : public fw::ToolbarTarget {
 public:
  explicit NotingTarget(Log& log) : log_(log) {}
  uint8_t TryTakeToolbar() override {
    log_.push_back("take toolbar");
    return 1;
  }
  void TakeEvent(int32_t* vcr, fw::WindowManager&) override {
    log_.push_back("toolbar " + std::to_string(ui::Engine::current().field()) + (vcr ? " vcr" : ""));
  }

 private:
  Log& log_;
};

TEST_F(Dispatch, RegainingTheFocusResetsAndForcesItOnlyWhenAsked) {
  for (uint8_t flag : {0, 1}) {
    Proc p;
    Probe a("a", log);
    p.components = {&a};
    p.ResetOnGainFocus = flag;
    hb.then([&] { p.window.inputActivated(false); });
    hb.then([&] { p.window.inputActivated(true); });
    int resets = 0, force = -1;
    hb.then([&] { resets = a.resets, force = a.lastForce; });
    p.Run();
    EXPECT_EQ(resets, 2);  // Open, then the regained focus
    EXPECT_EQ(force, flag);
    EXPECT_EQ(p.ForcedReset, 0);
  }
}

TEST_F(Dispatch, ToolbarSeesAcceptedControlsAndATabChangeRetargetsIt) {
  Proc p;
  Probe a("a", log);
  p.components = {&a};
  fw::ToolbarClass toolbar;
  NotingTarget target(log);
  int32_t vcr = 0;
  // A sheet of two tabs beside the two buttons.
  ui::ControlDef sheet, tab;
  sheet.type = ui::Ctl_Sheet;
  tab.type = ui::Ctl_Tab;
  tab.parent = 3;
  for (const auto& d : {sheet, tab, tab}) p.window.create(d);
  hb.then([&] {
    p.VCRRequest = &vcr;
    p.AddItem(&toolbar);
    toolbar.AddTarget(&target, 3);
    toolbar.SetTarget(3);
    log.clear();
    p.window.inputClick(1, ui::Mouse_Left);
  });
  hb.then([&] { p.window.inputChoice(3, 2); });
  hb.then([&] { p.window.inputClick(2, ui::Mouse_Left); });
  p.Run();
  EXPECT_EQ(Log(log.begin(), log.begin() + 2), (Log{"toolbar 1 vcr", "a 1"}));
  // The tab change resets the window, then gives the toolbar to a target.
  auto take = std::find(log.begin(), log.end(), "take toolbar");
  ASSERT_NE(take, log.end());
  EXPECT_EQ(*(take + 1), "a 2");
  EXPECT_EQ(std::count(log.begin(), log.end(), "toolbar 2 vcr"), 1);
  EXPECT_EQ(a.resets, 2);  // Open, then the tab change
}

TEST_F(Dispatch, CancelButtonsDisabledAndEnabledOnlyWhenAsked) {
  for (uint8_t flag : {0, 1}) {
    Proc p;
    p.Init();
    p.AddItem(1, fw::Response_Cancelled);
    p.DisableCancelButton = flag;
    p.DisableCancelControls();
    EXPECT_EQ(p.window.enabled(1), flag == 0);
    EXPECT_TRUE(p.window.enabled(2));  // a button with another response
    p.EnableCancelControls();
    EXPECT_TRUE(p.window.enabled(1));
    p.Kill();
  }
}

TEST_F(Dispatch, RequestGlobalsArePerThread) {
  fw::GlobalRequest() = fw::Request_Change;
  uint8_t seen = 99;
  std::thread([&] { seen = fw::GlobalRequest(); }).join();
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(fw::GlobalRequest(), fw::Request_Change);
  fw::GlobalRequest() = 0;
}

// Lets a loop take what the window has queued: a new size or state is
// made by the default processing of its request event.
void Settle(ui::Window& w) {
  constexpr int kDone = 0x7FF0;
  ui::Engine::current().post(kDone, 0, &w);
  ui::AcceptLoop loop(w);
  while (loop.next() && ui::Engine::current().event() != kDone) {
  }
}

TEST_F(Dispatch, WindowPositionSurvivesTheSettingsFile) {
  std::string path = ::testing::TempDir() + "fwwin_positions.ini";
  std::remove(path.c_str());
  fw::INIClass ini;
  ini.Init(path);
  {
    ui::Window w(TwoButtons());
    w.open();
    w.inputMoved(40, 30);
    w.inputResized(250, 120);
    Settle(w);
    fw::SaveWindowPosition(ini, "Proc", w);
  }
  ui::Window w(TwoButtons());
  w.open();
  fw::RestoreWindowPosition(ini, "Proc", w);
  EXPECT_EQ(w.prop(0, ui::Prop_Xpos).toInt(), 40);
  EXPECT_EQ(w.prop(0, ui::Prop_Ypos).toInt(), 30);
  EXPECT_EQ(w.prop(0, ui::Prop_Width).toInt(), 250);
  EXPECT_EQ(w.prop(0, ui::Prop_Height).toInt(), 120);
  // Closed maximised: no position is kept, and the system places it.
  w.inputStateChanged(true, false);
  Settle(w);
  fw::SaveWindowPosition(ini, "Proc", w);
  ui::Window again(TwoButtons());
  again.open();
  again.setProp(0, ui::Prop_Xpos, 7);
  fw::RestoreWindowPosition(ini, "Proc", again);
  EXPECT_EQ(again.prop(0, ui::Prop_Maximize).toInt(), 1);
  EXPECT_EQ(again.prop(0, ui::Prop_Xpos).toInt(), ui::Auto);
  ini.Kill();
  std::remove(path.c_str());
}

// A TakeAccepted that calls another procedure first and the inherited
// operation last still finds its own accepted control afterwards.
TEST_F(Dispatch, HandlerSeesItsOwnEventAfterAnInnerProcedureReturns) {
  struct Outer : Proc {
    Proc* inner = nullptr;
    int fieldAfterInner = -1;
    Level TakeAccepted() override {
      inner->Run();
      fieldAfterInner = ui::Engine::current().field();
      return WindowManager::TakeAccepted();
    }
  };
  Outer outer;
  Proc inner;
  outer.inner = &inner;
  hb.then([&] { outer.window.select(2); });
  hb.then([&] { outer.window.inputClick(2, ui::Mouse_Left); });  // a button entry: Completed
  // The inner procedure's window opens on top and ends by its own button.
  hb.then([&] { inner.window.inputClick(1, ui::Mouse_Left); });
  hb.then([&] { inner.window.inputClick(2, ui::Mouse_Left); });
  EXPECT_EQ(outer.Run(), fw::Response_Completed);
  EXPECT_EQ(inner.Response, fw::Response_Completed);
  EXPECT_EQ(outer.fieldAfterInner, 2);
  EXPECT_EQ(hb.idleCloses, 0);
}

// A manager that opens no window (as edit-in-place) runs its loop on the
// window of the event being handled: it posts, selects and redisplays
// there, and sees every event until it ends its loop.
TEST_F(Dispatch, ManagerWithoutAWindowLoopsOnTheWindowOfTheEvent) {
  struct Inline : fw::WindowManager {
    Log seen;
    Level Init() override {
      Level r = WindowManager::Init();
      Select(2);
      Post(ui::Event_Notify);
      return r;
    }
    Level TakeEvent() override {
      ui::Engine& e = ui::Engine::current();
      seen.push_back(std::to_string(e.event()) + "/" + std::to_string(e.field()));
      return e.event() == ui::Event_Accepted ? Level::Fatal : Level::Benign;
    }
  };
  struct Outer : Proc {
    Inline edit;
    Level TakeAccepted() override {
      if (ui::Engine::current().field() == 1) edit.Run();
      return WindowManager::TakeAccepted();
    }
  };
  Outer outer;
  Probe probe("outer", log);
  outer.components = {&probe};
  hb.then([&] {
    log.clear();
    outer.window.inputClick(1, ui::Mouse_Left);
  });
  hb.then([&] { outer.window.inputClick(2, ui::Mouse_Left); });  // ends the inline loop
  hb.then([&] { outer.window.inputClick(2, ui::Mouse_Left); });  // ends the window
  EXPECT_EQ(outer.Run(), fw::Response_Completed);
  EXPECT_EQ(outer.edit.seen, (Log{"257/2", "522/0", "1/2"}));
  EXPECT_EQ(outer.edit.MyWindow, nullptr);
  // The outer window's component saw none of the inline loop's events.
  EXPECT_EQ(std::count(log.begin(), log.end(), "outer 522"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "outer 1"), 1);
}

// A refused value beeps, shows the variable again and selects the control.
TEST_F(Dispatch, RejectedValueBeepsRedisplaysAndSelectsAgain) {
  Proc p;
  int32_t number = 7;
  ui::Int32Var var(&number);
  ui::ControlDef entry;
  entry.type = ui::Ctl_Entry;
  entry.text = "@n14";
  int n = p.window.create(entry);
  p.window.bind(n, &var);
  int focusAfter = 0;
  std::string screenAfter;
  hb.then([&] {
    p.window.select(n);
    p.window.inputText(n, "99999999999");  // beyond the variable's range
    p.window.inputKey(n, ui::Key_Tab);
  });
  hb.then([&] {
    focusAfter = p.window.focus();
    screenAfter = p.window.prop(n, ui::Prop_ScreenText).toString();
  });
  p.Run();
  EXPECT_EQ(hb.beeps, 1);
  EXPECT_EQ(focusAfter, n);
  EXPECT_EQ(ui::PropValue(screenAfter).toInt(), 7);
  EXPECT_EQ(number, 7);
}

}  // namespace
