#include <gtest/gtest.h>

#include <thread>

#include "file_fake_driver.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/file_notice.h"

namespace rt {
namespace {

using testing::FakeDriver;

class DiscardLog : public FileCallback {
 public:
  bool FunctionCalled(FileControlBlock&, FileNotice& n) override {
    if (n.op == Op_DISCARD) {
      ++discards;
      cleanup = n.cleanup;
    }
    return true;
  }
  bool FunctionDone(FileControlBlock&, FileNotice&) override { return true; }
  int discards = 0;
  bool cleanup = false;
};

TEST(FileInstanceTest, ThreadedFileGivesEachThreadItsOwnBuffers) {
  FakeDriver driver;
  DeclaredFile declared(testing::smallDecl());
  FileControlBlock& mine = declared.instance();
  EXPECT_EQ(&declared.instance(), &mine);
  setInteger(mine, 0, 1);
  Open(mine);

  FileControlBlock* theirs = nullptr;
  std::optional<int64_t> seen;
  DiscardLog log;
  std::thread t([&] {
    theirs = &declared.instance();
    seen = getInteger(*theirs, 0);
    setInteger(*theirs, 0, 2);
    theirs->callback = &log;
    Open(*theirs);  // gives the block a driver part
  });
  t.join();
  EXPECT_NE(theirs, &mine);
  EXPECT_EQ(seen, 0);               // a fresh buffer, not this thread's
  EXPECT_EQ(getInteger(mine, 0), 1);  // untouched by the other thread
  EXPECT_TRUE(mine.open);
  // The other thread's block went with the thread: the observer was told
  // to clean up and the driver released its part.
  EXPECT_EQ(log.discards, 1);
  EXPECT_TRUE(log.cleanup);
  EXPECT_EQ(driver.destroyed(), 1);
}

TEST(FileInstanceTest, UnthreadedFileIsOneBlockForTheProgram) {
  FakeDriver driver;
  DeclaredFile declared(testing::smallDecl("FAKE", kFileCreate));
  FileControlBlock* mine = &declared.instance();
  FileControlBlock* theirs = nullptr;
  std::thread t([&] { theirs = &declared.instance(); });
  t.join();
  EXPECT_EQ(mine, theirs);
}

TEST(FileInstanceTest, DiscardingGivesAFreshInstanceNextTime) {
  FakeDriver driver;
  DeclaredFile declared(testing::smallDecl());
  EXPECT_EQ(declared.existingInstance(), nullptr);
  FileControlBlock& first = declared.instance();
  DiscardLog log;
  first.callback = &log;
  setText(first, 1, "Ana");
  Open(first);
  declared.discardInstance();
  EXPECT_EQ(log.discards, 1);
  EXPECT_FALSE(log.cleanup);
  EXPECT_EQ(driver.destroyed(), 1);
  EXPECT_EQ(declared.existingInstance(), nullptr);
  EXPECT_EQ(getText(declared.instance(), 1), std::string(10, ' '));
}

}  // namespace
}  // namespace rt
