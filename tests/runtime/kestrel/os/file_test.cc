#include "runtime/kestrel/os/file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "runtime/kestrel/os/fault_injection.h"
#include "runtime/kestrel/os/lock_layout.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"

namespace kestrel {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrel_os_XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/data.krl";
  }
  void TearDown() override {
    fault::Disarm();
    std::filesystem::remove_all(dir_);
  }
  std::unique_ptr<File> OpenOk(int mode, bool create = false) {
    std::unique_ptr<File> f;
    EXPECT_EQ(File::Open(path_, mode, create, false, &f), rt::Error_NoError);
    return f;
  }
  std::string dir_, path_;
};

TEST_F(FileTest, PositionedIoTruncateAndDelete) {
  auto f = OpenOk(kAccessReadWrite | kDenyNone, true);
  ASSERT_EQ(f->Write(1000, "abcd", 4), rt::Error_NoError);
  uint64_t size = 0;
  ASSERT_EQ(f->Size(&size), rt::Error_NoError);
  EXPECT_EQ(size, 1004u);
  char buf[8] = {};
  size_t got = 0;
  ASSERT_EQ(f->Read(1002, buf, 8, &got), rt::Error_NoError);
  EXPECT_EQ(got, 2u);  // short only at end of file
  EXPECT_EQ(std::string(buf, 2), "cd");
  ASSERT_EQ(f->Truncate(10), rt::Error_NoError);
  ASSERT_EQ(f->Size(&size), rt::Error_NoError);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(f->Flush(), rt::Error_NoError);
  f.reset();
  EXPECT_EQ(File::Delete(path_), rt::Error_NoError);
  EXPECT_EQ(File::Delete(path_), rt::Error_FileNotFound);
}

TEST_F(FileTest, OpenFailuresMapToRuntimeCodes) {
  std::unique_ptr<File> f;
  EXPECT_EQ(File::Open(path_, kAccessRead, false, false, &f), rt::Error_FileNotFound);
  EXPECT_EQ(File::Open(dir_ + "/missing/x.krl", kAccessRead, false, false, &f), rt::Error_PathNotFound);
  EXPECT_EQ(File::Open("", kAccessRead, false, false, &f), rt::Error_InvalidFilename);
  EXPECT_EQ(File::Open(dir_ + "/" + std::string(300, 'n'), kAccessRead, true, false, &f), rt::Error_InvalidFilename);
  EXPECT_EQ(File::Open(dir_, kAccessReadWrite, false, false, &f), rt::Error_AccessDenied);
  EXPECT_EQ(f, nullptr);
}

TEST_F(FileTest, ErrnoMapping) {
  EXPECT_EQ(ErrnoToCode(EACCES, path_), rt::Error_AccessDenied);
  EXPECT_EQ(ErrnoToCode(EAGAIN, path_), rt::Error_AccessDenied);
  EXPECT_EQ(ErrnoToCode(ENOTDIR, path_), rt::Error_PathNotFound);
  EXPECT_EQ(ErrnoToCode(ENAMETOOLONG, path_), rt::Error_InvalidFilename);
  EXPECT_EQ(ErrnoToCode(ENOSPC, path_), rt::Error_SystemHandleDiskFull);
}

// Windows share modes, emulated between open file descriptions.
TEST_F(FileTest, ShareModesRefuseConflictingOpens) {
  struct Case {
    int first, second;
    bool second_ok;
  };
  const Case cases[] = {
      {kAccessReadWrite | kDenyNone, kAccessReadWrite | kDenyNone, true},
      {kAccessReadWrite, kAccessReadWrite | kDenyNone, true},  // no share bits: deny none
      {kAccessReadWrite | kDenyAll, kAccessRead | kDenyNone, false},
      {kAccessReadWrite | kDenyWrite, kAccessRead | kDenyNone, true},
      {kAccessReadWrite | kDenyWrite, kAccessReadWrite | kDenyNone, false},
      {kAccessRead | kDenyNone, kAccessReadWrite | kDenyWrite, true},
      {kAccessReadWrite | kDenyNone, kAccessRead | kDenyWrite, false},
      {kAccessRead | kDenyRead, kAccessRead | kDenyNone, false},
      {kAccessRead | kDenyNone, kAccessReadWrite | kDenyAll, false},
  };
  OpenOk(kAccessReadWrite, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.first << " then " << c.second);
    auto a = OpenOk(c.first);
    std::unique_ptr<File> b;
    EXPECT_EQ(File::Open(path_, c.second, false, false, &b) == rt::Error_NoError, c.second_ok);
  }
  // A create that would empty the file is refused before it empties it.
  {
    auto a = OpenOk(kAccessReadWrite | kDenyWrite);
    ASSERT_EQ(a->Write(0, "kept", 4), rt::Error_NoError);
    std::unique_ptr<File> b;
    EXPECT_EQ(File::Open(path_, kAccessReadWrite | kDenyNone, true, true, &b), rt::Error_AccessDenied);
    uint64_t size = 0;
    ASSERT_EQ(a->Size(&size), rt::Error_NoError);
    EXPECT_EQ(size, 4u);
  }
  // A refused opener leaves no marks behind.
  auto a = OpenOk(kAccessReadWrite | kDenyAll);
  a.reset();
  OpenOk(kAccessReadWrite | kDenyNone);
}

TEST_F(FileTest, LocksConflictBetweenFilesOfOneProcess) {
  auto a = OpenOk(kAccessReadWrite | kDenyNone, true);
  auto b = OpenOk(kAccessReadWrite | kDenyNone);
  ASSERT_TRUE(a->TryLock(kWriterByte, 1, true));
  EXPECT_FALSE(b->TryLock(kWriterByte, 1, true));
  EXPECT_FALSE(AcquireLock(*b, kWriterByte, 1, true, false));
  // Readers share their slots; excluding all readers waits for every one.
  ASSERT_TRUE(b->TryLock(ReaderSlotOffset(7), 1, false));
  EXPECT_TRUE(a->TryLock(ReaderSlotOffset(7), 1, false));
  a->Unlock(ReaderSlotOffset(7), 1);
  EXPECT_FALSE(a->TryLock(kAllReadersOffset, kAllReadersLength, true));
  b->Unlock(ReaderSlotOffset(7), 1);
  EXPECT_TRUE(a->TryLock(kAllReadersOffset, kAllReadersLength, true));
  // Closing a third descriptor of the file keeps a's locks.
  OpenOk(kAccessRead | kDenyNone).reset();
  EXPECT_FALSE(b->TryLock(kWriterByte, 1, true));
  a->Unlock(kWriterByte, 1);
  EXPECT_TRUE(b->TryLock(kWriterByte, 1, true));
}

TEST_F(FileTest, FaultInjectionFailsOrStopsWrites) {
  auto f = OpenOk(kAccessReadWrite | kDenyNone, true);
  fault::Arm({.fail_write = 1});
  EXPECT_EQ(f->Write(0, "a", 1), rt::Error_NoError);
  EXPECT_EQ(f->Write(1, "b", 1), rt::Error_SystemWriteFault);
  EXPECT_EQ(f->Write(1, "c", 1), rt::Error_NoError);
  fault::Arm({.fail_flush = 0});
  EXPECT_NE(f->Flush(), rt::Error_NoError);
  // Stop from index 2: write 0, flush 1 happen; everything after is lost.
  fault::Arm({.stop_from = 2});
  EXPECT_EQ(f->Write(0, "x", 1), rt::Error_NoError);
  EXPECT_EQ(f->Flush(), rt::Error_NoError);
  EXPECT_EQ(f->Write(1, "y", 1), rt::Error_NoError);
  EXPECT_EQ(f->Truncate(0), rt::Error_NoError);
  EXPECT_EQ(fault::OperationsSeen(), 3);
  fault::Disarm();
  char buf[2];
  size_t got = 0;
  ASSERT_EQ(f->Read(0, buf, 2, &got), rt::Error_NoError);
  EXPECT_EQ(std::string(buf, got), "xc");
}

// The power-loss model at its worst: what a flush made durable stays,
// unflushed writes and truncations go, and a new file stays only once its
// directory was flushed (as Open does for the files it creates).
// What a file wrote stays unflushed until a flush succeeds: a write, a
// gathered write or a truncation sets it; a failed or skipped flush keeps it.
TEST_F(FileTest, UnflushedUntilAFlushSucceeds) {
  auto f = OpenOk(kAccessReadWrite | kDenyNone, true);
  EXPECT_FALSE(f->unflushed());
  const std::function<int()> changes[] = {
      [&] { return f->Write(0, "abcd", 4); },
      [&] { return f->WriteGather(8, {"ef", "gh"}); },
      [&] { return f->Truncate(6); },
  };
  for (const auto& change : changes) {
    ASSERT_EQ(change(), rt::Error_NoError);
    EXPECT_TRUE(f->unflushed());
    fault::Arm({.fail_flush = 0});
    EXPECT_NE(f->Flush(), rt::Error_NoError);
    EXPECT_TRUE(f->unflushed());
    fault::Arm({.skip_flush = 0});
    EXPECT_EQ(f->Flush(), rt::Error_NoError);
    EXPECT_TRUE(f->unflushed());
    fault::Disarm();
    EXPECT_EQ(f->Flush(), rt::Error_NoError);
    EXPECT_FALSE(f->unflushed());
  }
}

TEST_F(FileTest, PowerLossKeepsOnlyWhatWasFlushed) {
  auto read_all = [](const std::string& path) {
    std::unique_ptr<File> f;
    if (File::Open(path, kAccessRead | kDenyNone, false, false, &f) != rt::Error_NoError) return std::string("(gone)");
    uint64_t size = 0;
    f->Size(&size);
    std::string out(size, '\0');
    size_t got = 0;
    f->Read(0, out.data(), out.size(), &got);
    return out.substr(0, got);
  };
  { auto f = OpenOk(kAccessReadWrite | kDenyNone, true); }
  fault::Arm({.power_loss = true});
  auto f = OpenOk(kAccessReadWrite | kDenyNone);
  ASSERT_EQ(f->Write(0, "durable", 7), rt::Error_NoError);
  ASSERT_EQ(f->Flush(), rt::Error_NoError);
  ASSERT_EQ(f->Write(0, "LOST", 4), rt::Error_NoError);
  ASSERT_EQ(f->Write(7, "+more", 5), rt::Error_NoError);
  ASSERT_EQ(f->Truncate(3), rt::Error_NoError);
  std::unique_ptr<File> fresh;
  ASSERT_EQ(File::Open(dir_ + "/new.krl", kAccessReadWrite | kDenyNone, true, false, &fresh), rt::Error_NoError);
  ASSERT_EQ(fresh->Write(0, "x", 1), rt::Error_NoError);
  ASSERT_EQ(fresh->Flush(), rt::Error_NoError);
  f.reset();
  fresh.reset();
  EXPECT_EQ(read_all(path_), "LOS");  // as the process left it
  fault::PowerLoss(0, fault::Fate::kDropAll);
  EXPECT_EQ(read_all(path_), "durable");
  EXPECT_EQ(read_all(dir_ + "/new.krl"), "x");
}

// A descriptor open for reading only still takes exclusive locks that
// exclude every other opener, read-only or not.
TEST_F(FileTest, ExclusiveLocksExcludeReadOnlyOpenersToo) {
  { auto f = OpenOk(kAccessReadWrite | kDenyNone, true); }
  auto ro1 = OpenOk(kAccessRead | kDenyNone);
  auto ro2 = OpenOk(kAccessRead | kDenyNone);
  auto rw = OpenOk(kAccessReadWrite | kDenyNone);
  const uint64_t at = DriverLockOffset(7);
  ASSERT_TRUE(ro1->TryLock(at, 1, true));
  EXPECT_FALSE(ro2->TryLock(at, 1, true));
  EXPECT_FALSE(rw->TryLock(at, 1, true));
  ro1->Unlock(at, 1);
  ASSERT_TRUE(rw->TryLock(at, 1, true));
  EXPECT_FALSE(ro2->TryLock(at, 1, true));
  rw->Unlock(at, 1);
  EXPECT_TRUE(ro2->TryLock(at, 1, true));
}

}  // namespace
}  // namespace kestrel
