#include "runtime/kestrel/store/lock_set.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "runtime/kestrel/os/lock_layout.h"

namespace kestrel::testing {
namespace {

// Two open-file descriptions of one file: their locks conflict as those of
// two processes would.
class LockSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrel_locks_XXXXXX";
    dir_ = mkdtemp(tmpl);
    const std::string path = dir_ + "/data.krl";
    ASSERT_EQ(File::Open(path, 0x42, true, false, &mine_), 0);
    ASSERT_EQ(File::Open(path, 0x42, false, false, &other_), 0);
  }
  void TearDown() override {
    mine_.reset();
    other_.reset();
    std::filesystem::remove_all(dir_);
  }
  // Whether the other description can lock the range exclusively right now.
  bool Free(uint64_t offset, uint64_t length = 1) {
    if (!other_->TryLock(offset, length, true)) return false;
    other_->Unlock(offset, length);
    return true;
  }

  std::string dir_;
  std::unique_ptr<File> mine_, other_;
};

TEST_F(LockSetTest, ReaderSlotHeldElsewhereMovesToTheNextSlotAndKeepsIt) {
  LockSet locks(mine_.get());
  const int first = locks.readerSlot();
  const int next = (first + 1) % kReaderSlots;
  ASSERT_TRUE(other_->TryLock(ReaderSlotOffset(first), 1, true));
  locks.TakeReaderSlot();
  EXPECT_TRUE(locks.holdsSlot());
  EXPECT_EQ(locks.readerSlot(), next);
  EXPECT_FALSE(Free(ReaderSlotOffset(next)));
  // Readers share their slots; only the exclusion is refused.
  EXPECT_TRUE(other_->TryLock(ReaderSlotOffset(next), 1, false));
  other_->Unlock(ReaderSlotOffset(next), 1);
  locks.ReleaseReaderSlot();
  EXPECT_FALSE(locks.holdsSlot());
  EXPECT_TRUE(Free(ReaderSlotOffset(next)));
  other_->Unlock(ReaderSlotOffset(first), 1);
  // The slot found is tried first next time.
  locks.TakeReaderSlot();
  EXPECT_EQ(locks.readerSlot(), next);
  locks.ReleaseReaderSlot();
}

TEST_F(LockSetTest, HeldAtMostOnceSoOneReleaseFreesWhatTwoTakesTook) {
  LockSet locks(mine_.get());
  locks.TakeWriterByte();
  locks.TakeWriterByte();
  EXPECT_FALSE(Free(kWriterByte));
  locks.ReleaseWriterByte();
  EXPECT_FALSE(locks.holdsWriter());
  EXPECT_TRUE(Free(kWriterByte));
  locks.ReleaseWriterByte();  // nothing held: nothing happens
  locks.ExcludeReaders();
  locks.ExcludeReaders();
  EXPECT_TRUE(locks.readersExcluded());
  EXPECT_FALSE(other_->TryLock(ReaderSlotOffset(kReaderSlots - 1), 1, false));
  locks.ReleaseReaders();
  EXPECT_TRUE(Free(kAllReadersOffset, kAllReadersLength));
}

TEST_F(LockSetTest, ExcludingReadersWaitsForAReaderToLeave) {
  LockSet locks(mine_.get());
  ASSERT_TRUE(other_->TryLock(ReaderSlotOffset(500), 1, false));
  std::atomic<bool> excluded{false};
  std::thread t([&] {
    locks.ExcludeReaders();
    excluded = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(excluded);
  other_->Unlock(ReaderSlotOffset(500), 1);
  t.join();
  EXPECT_TRUE(locks.readersExcluded());
  EXPECT_FALSE(other_->TryLock(ReaderSlotOffset(500), 1, false));
  locks.ReleaseReaders();
}

TEST_F(LockSetTest, DriverLocksAreCountedAndRefusedWithoutWaiting) {
  LockSet locks(mine_.get());
  std::vector<std::string> log;
  locks.setLog([&](const std::string& line) { log.push_back(line); });
  EXPECT_TRUE(locks.TryDriverLock(7));
  EXPECT_TRUE(locks.TryDriverLock(7));
  EXPECT_EQ(locks.driverLocks(), 1u);
  locks.ReleaseDriverLock(7);
  EXPECT_FALSE(Free(DriverLockOffset(7)));
  locks.ReleaseDriverLock(7);
  EXPECT_TRUE(Free(DriverLockOffset(7)));
  EXPECT_EQ(locks.driverLocks(), 0u);
  EXPECT_TRUE(log.empty());

  ASSERT_TRUE(other_->TryLock(DriverLockOffset(9), 1, true));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(locks.TryDriverLock(9));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  ASSERT_EQ(log.size(), 3u);  // three attempts
  EXPECT_EQ(log[0].rfind("LockFile failed with error ", 0), 0u) << log[0];
  EXPECT_EQ(locks.driverLocks(), 0u);
  other_->Unlock(DriverLockOffset(9), 1);
}

TEST_F(LockSetTest, ReleaseAllFreesEveryKind) {
  LockSet locks(mine_.get());
  locks.TakeReaderSlot();
  const int slot = locks.readerSlot();
  locks.TakeWriterByte();
  ASSERT_TRUE(locks.TryDriverLock(1));
  ASSERT_TRUE(locks.TryDriverLock(1));
  ASSERT_TRUE(locks.TryDriverLock(2));
  locks.ReleaseAll();
  EXPECT_FALSE(locks.holdsSlot());
  EXPECT_FALSE(locks.holdsWriter());
  EXPECT_EQ(locks.driverLocks(), 0u);
  EXPECT_TRUE(Free(ReaderSlotOffset(slot)));
  EXPECT_TRUE(Free(kWriterByte));
  EXPECT_TRUE(Free(DriverLockOffset(1)));
  EXPECT_TRUE(Free(DriverLockOffset(2)));
}

}  // namespace
}  // namespace kestrel::testing
