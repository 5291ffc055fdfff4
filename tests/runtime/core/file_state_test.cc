#include <gtest/gtest.h>

#include "file_fake_driver.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_state.h"

namespace rt {
namespace {

using testing::FakeDriver;

class FileStateTest : public ::testing::Test {
 protected:
  FileStateTest() {
    driver.handler = [this](int32_t op, FileControlBlock&, DriverArgs& a) {
      if (op == Op_GETSTATE) a.value = ++driver_handles;
      return driver.codes.count(op) ? driver.codes[op] : 0;
    };
  }
  FakeDriver driver;
  int64_t driver_handles = 100;
  FileControlBlock file{testing::smallDecl()};
};

TEST_F(FileStateTest, RestorePutsBuffersBackAndHandsTheDriverItsHandle) {
  setInteger(file, 0, 5);
  setMemo(file, 0, "first");
  int64_t h = GetState(file);
  ASSERT_GT(h, 0);
  setInteger(file, 0, 6);
  setMemo(file, 0, "second");

  EXPECT_EQ(RestoreState(file, h), 0);
  EXPECT_EQ(getInteger(file, 0), 5);
  EXPECT_EQ(getMemo(file, 0), "first");
  EXPECT_EQ(driver.calls().back().args.state, 101);

  setInteger(file, 0, 7);
  EXPECT_EQ(RestoreState(file, h), 0);  // a handle serves more than once
  EXPECT_EQ(getInteger(file, 0), 5);

  EXPECT_EQ(FreeState(file, h), 0);
  EXPECT_EQ(driver.calls().back().op, Op_FREESTATE);
  EXPECT_EQ(driver.calls().back().args.state, 101);
  EXPECT_EQ(savedStateCount(file), 0u);
  EXPECT_EQ(RestoreState(file, h), 78);
  EXPECT_EQ(FreeState(file, h), 78);
  EXPECT_EQ(ERRORCODE(), 78);
}

TEST_F(FileStateTest, FailuresLeaveBuffersAndHandlesConsistent) {
  driver.codes[Op_GETSTATE] = 80;
  EXPECT_EQ(GetState(file), 0);
  EXPECT_EQ(savedStateCount(file), 0u);
  driver.codes.erase(Op_GETSTATE);

  setInteger(file, 0, 5);
  int64_t h1 = GetState(file);
  int64_t h2 = GetState(file);
  EXPECT_NE(h1, h2);
  setInteger(file, 0, 9);
  driver.codes[Op_RESTORESTATE] = 37;
  EXPECT_EQ(RestoreState(file, h1), 37);
  EXPECT_EQ(getInteger(file, 0), 9);  // the driver could not restore: neither do the buffers

  driver.codes[Op_FREESTATE] = 37;
  EXPECT_EQ(FreeState(file, h1), 37);
  EXPECT_EQ(savedStateCount(file), 1u);  // freed on this side all the same
}

}  // namespace
}  // namespace rt
