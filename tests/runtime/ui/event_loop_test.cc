// Event loops: default processing, nesting, timers, posting across threads.
#include <thread>

#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"

namespace {

using namespace ui;
using uitest::ctl;
using uitest::Seen;

class EventLoop : public uitest::Headless {};

WindowDef oneButton() {
  WindowDef d;
  d.controls = {ctl(Ctl_Button, "OK")};
  return d;
}

TEST_F(EventLoop, ConsumedCloseKeepsWindowOpenAndUnconsumedCloseEndsLoop) {
  Window w(oneButton());
  w.open();
  hb.then([&] { w.inputCloseRequest(); });
  hb.then([&] { w.inputCloseRequest(); });
  int closes = 0;
  AcceptLoop loop(w);
  while (loop.next()) {
    if (Engine::current().event() == Event_CloseWindow && ++closes == 1) loop.cycle();
  }
  EXPECT_EQ(closes, 2);
  EXPECT_TRUE(w.closing());
  EXPECT_EQ(hb.idleCloses, 0);
}

TEST_F(EventLoop, InnerLoopOnSameWindowLeavesOuterLoopRunning) {
  Window w(oneButton());
  w.open();
  hb.then([&] { w.inputClick(1, 1); });  // starts the inner loop
  hb.then([&] { w.inputCloseRequest(); });
  Seen inner, outer;
  AcceptLoop loop(w);
  while (loop.next()) {
    Engine& e = Engine::current();
    outer.emplace_back(e.event(), e.field());
    if (e.event() == Event_Accepted) {
      AcceptLoop nested(w);
      while (nested.next()) {
        inner.emplace_back(e.event(), e.field());
        if (e.event() == Event_CloseWindow) {
          e.post(Event_CloseWindow, 0, &w);  // hand the close on to the outer loop
          break;
        }
      }
    }
  }
  EXPECT_EQ(inner, (Seen{{Event_CloseWindow, 0}}));
  EXPECT_EQ(outer, (Seen{{Event_OpenWindow, 0}, {Event_Accepted, 1}, {Event_CloseWindow, 0}}));
}

TEST_F(EventLoop, OwnerEventsWaitWhileOwnedWindowRuns) {
  Window outer(oneButton()), inner(oneButton());
  outer.open();
  inner.open(&outer);
  EXPECT_EQ(Engine::current().target(), &inner);
  Engine::current().post(Event_Accepted, 1, &outer);
  Seen seen = drain(inner);  // ends by the idle close of the target
  EXPECT_EQ(seen.front(), (std::pair<int, int>{Event_OpenWindow, 0}));
  for (auto& s : seen) EXPECT_NE(s.first, Event_Accepted);
  inner.close();
  Seen rest = drain(outer);
  EXPECT_EQ(rest[0], (std::pair<int, int>{Event_OpenWindow, 0}));
  EXPECT_EQ(rest[1], (std::pair<int, int>{Event_Accepted, 1}));
}

TEST_F(EventLoop, IdleOwnerLoopEndsAndPostsToClosedWindowsAreDropped) {
  Window outer(oneButton()), inner(oneButton());
  outer.open();
  inner.open(&outer);
  Engine::current().post(Event_Accepted, 1, &inner);
  inner.close();
  Window never(oneButton());
  Engine::current().post(Event_Accepted, 1, &never);  // not open: dropped
  // Waiting on the owner while the target is another window must still end.
  Window other(oneButton());
  other.open();
  Seen seen = drain(outer);
  EXPECT_EQ(seen, (Seen{{Event_OpenWindow, 0}, {Event_CloseDown, 0}}));
  never.open();
  EXPECT_EQ(drain(never), (Seen{{Event_OpenWindow, 0}, {Event_CloseDown, 0}}));
}

TEST_F(EventLoop, TimerFiresOnVirtualClockAndCanBeChanged) {
  WindowDef d = oneButton();
  d.timer = 50;  // half a second
  Window w(d);
  w.open();
  int timers = 0;
  AcceptLoop loop(w);
  while (loop.next()) {
    if (Engine::current().event() != Event_Timer) continue;
    ++timers;
    if (timers == 3) w.setProp(0, Prop_Timer, 0);
    if (timers == 3) Engine::current().post(Event_CloseWindow, 0, &w);
  }
  EXPECT_EQ(timers, 3);
  EXPECT_EQ(hb.nowMs(), 1500);
}

TEST_F(EventLoop, PostToAnotherThreadReachesItsTargetWindow) {
  Window w(oneButton());
  w.open();
  std::thread other([id = std::this_thread::get_id()] {
    EXPECT_TRUE(Engine::postToThread(id, Event_Accepted, 1));
  });
  other.join();
  Seen seen = drain(w);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Accepted, 1}));
  std::thread::id gone;
  {
    std::thread t([&] { Engine::current(); gone = std::this_thread::get_id(); });
    t.join();
  }
  EXPECT_FALSE(Engine::postToThread(gone, Event_Accepted, 1));
}

TEST_F(EventLoop, PressedKeyIsHandledAsTyped) {
  WindowDef d;
  d.controls = {ctl(Ctl_Entry, "@s10"), ctl(Ctl_Button, "B")};
  Window w(d);
  w.open();
  Engine::current().pressKey(Key_Tab);
  Seen seen = drain(w);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Accepted, 1}));
  EXPECT_EQ(w.focus(), 2);
}

TEST_F(EventLoop, NotificationIsReadOnce) {
  Window w(oneButton());
  w.open();
  Engine::current().notify(7, 8, 9, &w);
  Seen seen = drain(w);
  EXPECT_EQ(seen[1].first, Event_Notify);
  Notification n;
  ASSERT_TRUE(Engine::current().takeNotification(&n));
  EXPECT_EQ(n.code, 7);
  EXPECT_EQ(n.id, 8);
  EXPECT_EQ(n.parameter, 9);
  EXPECT_FALSE(Engine::current().takeNotification(&n));
}

}  // namespace
