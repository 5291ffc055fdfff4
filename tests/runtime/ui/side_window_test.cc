// Side windows: served from inside the waits of the thread's other loops.
#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"

namespace {

using namespace ui;
using uitest::ctl;

class SideWindow : public uitest::Headless {
 protected:
  SideWindow() {
    WindowDef d;
    d.controls = {ctl(Ctl_Button, "A"), ctl(Ctl_Button, "B")};
    owner = std::make_unique<Window>(d);
    d.timer = 10;
    side = std::make_unique<Window>(d);
    owner->open();
    Engine& e = Engine::current();
    e.addSideWindow(side.get(), [this, &e] {
      served.emplace_back(e.event(), e.field());
      EXPECT_EQ(e.eventWindow(), side.get());
    });
    side->open();
    while (e.hasQueuedFor(owner.get())) e.wait(*owner);  // the opening events
  }
  ~SideWindow() override {
    Engine::current().removeSideWindow(side.get());
    side->close();
    owner->close();
  }
  std::unique_ptr<Window> owner, side;
  uitest::Seen served;
};

TEST_F(SideWindow, EventsAreServedWhileTheOwnerWaitsAndTheOwnersEventStays) {
  Engine& e = Engine::current();
  hb.then([&] { owner->inputClick(1, Mouse_Left); });
  ASSERT_TRUE(e.wait(*owner));
  ASSERT_EQ(e.field(), 1);
  hb.then([&] { side->inputClick(2, Mouse_Left); });
  hb.then([&] {
    // The side click was served before this step; the owner's event is back.
    EXPECT_EQ(e.event(), Event_Accepted);
    EXPECT_EQ(e.field(), 1);
    EXPECT_EQ(e.eventWindow(), owner.get());
    owner->inputClick(2, Mouse_Left);
  });
  ASSERT_TRUE(e.wait(*owner));
  EXPECT_EQ(e.field(), 2);
  EXPECT_EQ(e.eventWindow(), owner.get());
  ASSERT_FALSE(served.empty());
  EXPECT_EQ(served.front().first, Event_OpenWindow);
  EXPECT_EQ(served.back(), std::make_pair(int(Event_Accepted), 2));
}

TEST_F(SideWindow, NeverTheTargetAndItsTimerTicks) {
  Engine& e = Engine::current();
  EXPECT_EQ(e.target(), owner.get());
  e.post(Event_Notify);  // unaddressed: the owner's
  ASSERT_TRUE(e.wait(*owner));
  EXPECT_EQ(e.event(), Event_Notify);
  hb.then([&] { hb.advanceClock(250); });
  hb.then([&] { owner->inputClick(1, Mouse_Left); });
  ASSERT_TRUE(e.wait(*owner));
  EXPECT_NE(std::find(served.begin(), served.end(), std::make_pair(int(Event_Timer), 0)), served.end());
}

TEST_F(SideWindow, ALoopOnTheSideWindowItselfTakesItsEvents) {
  Engine& e = Engine::current();
  e.wait(*side);  // its opening event
  served.clear();
  hb.then([&] { side->inputClick(1, Mouse_Left); });
  ASSERT_TRUE(e.wait(*side));
  EXPECT_EQ(std::make_pair(e.event(), e.field()), std::make_pair(int(Event_Accepted), 1));
  EXPECT_TRUE(served.empty());
  // Once removed it is an ordinary window again: waiting on the owner leaves it alone.
  e.removeSideWindow(side.get());
  EXPECT_FALSE(e.isSideWindow(side.get()));
  hb.then([&] { side->inputClick(2, Mouse_Left); });
  hb.then([&] { owner->inputClick(1, Mouse_Left); });
  ASSERT_TRUE(e.wait(*owner));
  EXPECT_TRUE(served.empty());
  EXPECT_TRUE(e.hasQueuedFor(side.get()));
}

}  // namespace
