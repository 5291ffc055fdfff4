// The store's state after each move of its lifecycle, the locks another
// process meets in it, and the moves it refuses.
#include <gtest/gtest.h>

#include "runtime/core/error_codes.h"
#include "runtime/kestrel/os/file.h"
#include "runtime/kestrel/os/lock_layout.h"
#include "store_fixture.h"

namespace kestrel {
// Attempts moves the store's own operations never make.
struct PageStoreStateProbe {
  static void MoveTo(PageStore& store, PageStore::State to) { store.MoveTo(to); }
};
}  // namespace kestrel

namespace kestrel::testing {
namespace {

using State = PageStore::State;

class StateTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    store_ = Open();
    ASSERT_TRUE(store_);
    ASSERT_TRUE(InsertRecords(*store_, 0, 50, 100).ok());
    ASSERT_EQ(File::Open(path_, 0x42, false, false, &other_), 0);
  }
  void TearDown() override {
    store_.reset();
    other_.reset();
    StoreTest::TearDown();
  }

  // The locks of the store as another process sees them.
  struct Seen {
    bool writer = false;      // the writer byte is held
    bool excluded = false;    // no reader slot can be had
    bool reader = false;      // some reader slot is held (all slots cannot be excluded)
    bool operator==(const Seen&) const = default;
  };
  Seen Look() {
    Seen seen;
    seen.writer = !TryAndRelease(kWriterByte, 1, true);
    seen.excluded = !TryAndRelease(ReaderSlotOffset(17), 1, false);
    seen.reader = !seen.excluded && !TryAndRelease(kAllReadersOffset, kAllReadersLength, true);
    return seen;
  }
  bool TryAndRelease(uint64_t offset, uint64_t length, bool exclusive) {
    if (!other_->TryLock(offset, length, exclusive)) return false;
    other_->Unlock(offset, length);
    return true;
  }
  void Find(uint32_t n, bool unlocked = false) {
    store_->BeginOperation(unlocked);
    Cursor c;
    bool found = false;
    ASSERT_TRUE(store_->Find(Key(n), &c, &found).ok());
    EXPECT_TRUE(found);
  }

  std::unique_ptr<PageStore> store_;
  std::unique_ptr<File> other_;
};

TEST_F(StateTest, ReadOperationsHoldASlotOnlyWhileTheyRead) {
  EXPECT_EQ(store_->state(), State::kIdle);
  EXPECT_EQ(Look(), Seen{});
  Find(3);
  EXPECT_EQ(store_->state(), State::kReading);
  EXPECT_EQ(Look(), (Seen{.reader = true}));
  EXPECT_TRUE(store_->EndOperation().ok());
  EXPECT_EQ(store_->state(), State::kIdle);
  EXPECT_EQ(Look(), Seen{});
  // The cache is current: an operation that allows it reads without a slot.
  Find(4, true);
  EXPECT_EQ(store_->state(), State::kReadingUnlocked);
  EXPECT_EQ(Look(), Seen{});
  EXPECT_TRUE(store_->EndOperation().ok());
  EXPECT_EQ(store_->state(), State::kIdle);
}

TEST_F(StateTest, TwoPhaseCommitMovesThroughEveryWriteState) {
  Find(3);
  store_->BeginWriteCycle();
  EXPECT_EQ(store_->state(), State::kWriteCycle);
  EXPECT_EQ(Look(), Seen{});  // the slot went with the read state
  ASSERT_TRUE(store_->Insert(Rec(1000, 100)).ok());
  EXPECT_EQ(store_->state(), State::kWriting);
  EXPECT_EQ(Look(), (Seen{.writer = true}));
  ASSERT_TRUE(store_->CommitPhase1().ok());
  EXPECT_EQ(store_->state(), State::kPhase1Done);
  EXPECT_EQ(Look(), (Seen{.writer = true, .excluded = true}));
  EXPECT_TRUE(store_->CommitPhase1().ok());  // done once only
  EXPECT_EQ(store_->state(), State::kPhase1Done);
  ASSERT_TRUE(store_->CommitPhase2().ok());
  EXPECT_EQ(store_->state(), State::kWriting);
  EXPECT_EQ(Look(), (Seen{.writer = true}));
  EXPECT_TRUE(store_->EndOperation().ok());
  EXPECT_EQ(store_->state(), State::kIdle);
  EXPECT_EQ(Look(), Seen{});
  EXPECT_EQ(ReadAll(*store_).count(Key(1000)), 1u);
}

TEST_F(StateTest, EveryWayOutOfAWriteCycleReleasesItsLocks) {
  struct Case {
    const char* name;
    std::function<void(PageStore&)> leave;
    bool kept;  // the insert survives
  };
  const Case cases[] = {
      {"discard", [](PageStore& s) { s.Discard(); }, false},
      {"abort phase 1",
       [](PageStore& s) {
         ASSERT_TRUE(s.CommitPhase1(false).ok());
         ASSERT_TRUE(s.AbortPhase1().ok());
       },
       false},
      {"failed journal write",
       [](PageStore& s) {
         fault::Plan plan;
         plan.fail_write = 0;
         fault::Arm(plan);
         EXPECT_FALSE(s.Commit().ok());
         fault::Disarm();
       },
       false},
      {"commit", [](PageStore& s) { ASSERT_TRUE(s.EndOperation().ok()); }, true},
  };
  uint32_t key = 2000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_->BeginOperation();
    store_->BeginWriteCycle();
    ASSERT_TRUE(store_->Insert(Rec(++key, 100)).ok());
    c.leave(*store_);
    store_->EndOperation();
    EXPECT_EQ(store_->state(), State::kIdle);
    EXPECT_EQ(Look(), Seen{});
    EXPECT_EQ(ReadAll(*store_).count(Key(key)), c.kept ? 1u : 0u);
  }
}

TEST_F(StateTest, CloseEndsInClosedFromAWriteCycle) {
  store_->BeginOperation();
  store_->BeginWriteCycle();
  ASSERT_TRUE(store_->Insert(Rec(3000, 100)).ok());
  ASSERT_TRUE(store_->Close().ok());
  EXPECT_EQ(store_->state(), State::kClosed);
  EXPECT_EQ(Look(), Seen{});
  auto again = Open(0x42, false);
  EXPECT_EQ(ReadAll(*again).count(Key(3000)), 1u);
}

// Operations on a closed store answer "file not open" and leave it closed:
// nothing leads out of kClosed.
TEST_F(StateTest, AClosedStoreRefusesOperationsAndStaysClosed) {
  ASSERT_TRUE(store_->Close().ok());
  Cursor c;
  bool found = true;
  store_->BeginOperation();
  EXPECT_EQ(store_->Find(Key(3), &c, &found).code(), rt::Error_FileNotOpen);
  EXPECT_EQ(store_->EndOperation().code(), 0);
  store_->BeginOperation();
  store_->BeginWriteCycle();
  EXPECT_EQ(store_->Insert(Rec(4000, 100)).code(), rt::Error_FileNotOpen);
  uint32_t id = 0;
  EXPECT_EQ(store_->NextId(&id).code(), rt::Error_FileNotOpen);
  store_->EndOperation();
  store_->Discard();
  EXPECT_EQ(store_->state(), State::kClosed);
  EXPECT_FALSE(store_->failed());
  EXPECT_EQ(Look(), Seen{});
  store_.reset();
  auto again = Open(0x42, false);
  EXPECT_EQ(ReadAll(*again).count(Key(3)), 1u);
  EXPECT_EQ(ReadAll(*again).count(Key(4000)), 0u);
}

using StateDeathTest = StateTest;

// A move the diagram does not draw, or one into a state whose promises do
// not hold, stops the process before anything is written under it.
TEST_F(StateDeathTest, AMoveOffTheDiagramOrIntoABrokenStateStopsTheProcess) {
  struct Case {
    const char* name;
    std::function<void(PageStore&)> reach;  // leads to the state the move starts from
    State to;
    const char* message;
  };
  const auto idle = [](PageStore&) {};
  const auto reading = [](PageStore& s) {
    s.BeginOperation();
    Cursor c;
    bool found = false;
    ASSERT_TRUE(s.Find(Key(3), &c, &found).ok());
  };
  const auto write_cycle = [&](PageStore& s) {
    reading(s);
    s.BeginWriteCycle();
  };
  uint32_t key = 5000;  // closing commits each case's insert
  const auto writing = [&key](PageStore& s) {
    s.BeginOperation();
    s.BeginWriteCycle();
    ASSERT_TRUE(s.Insert(Rec(++key, 100)).ok());
  };
  const auto closed = [](PageStore& s) { ASSERT_TRUE(s.Close().ok()); };
  const Case cases[] = {
      {"idle to phase 1", idle, State::kPhase1Done, "from kIdle to kPhase1Done refused: the move is not in the diagram"},
      {"reading to writing", reading, State::kWriting,
       "from kReading to kWriting refused: the move is not in the diagram"},
      {"write cycle to phase 1", write_cycle, State::kPhase1Done,
       "from kWriteCycle to kPhase1Done refused: the move is not in the diagram"},
      {"writing to reading", writing, State::kReading,
       "from kWriting to kReading refused: the move is not in the diagram"},
      {"out of closed", closed, State::kIdle, "from kClosed to kIdle refused: the move is not in the diagram"},
      // Drawn moves, but the state entered would not hold its locks.
      {"reading without a slot", idle, State::kReading,
       "from kIdle to kReading refused: no reader slot is held"},
      {"writing without the writer byte", write_cycle, State::kWriting,
       "from kWriteCycle to kWriting refused: the writer byte is not held"},
      {"phase 1 before the journal is written", writing, State::kPhase1Done,
       "from kWriting to kPhase1Done refused: the header holds no journal bounds"},
      {"idle with the writer byte held", writing, State::kIdle,
       "from kWriting to kIdle refused: the writer byte is held"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_.reset();
    store_ = Open(0x42, false);
    ASSERT_TRUE(store_);
    reading(*store_);  // the header is adopted, as after any earlier operation
    store_->EndOperation();
    c.reach(*store_);
    EXPECT_DEATH(PageStoreStateProbe::MoveTo(*store_, c.to), c.message);
  }
}

}  // namespace
}  // namespace kestrel::testing
