// What one process sees of another's holds, table locks and changes.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <random>

#include "child_process.h"
#include "driver_fixture.h"
#include "runtime/kestrel/driver/file_log.h"
#include "runtime/kestrel/driver/transaction.h"

namespace kestrel::testing {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KestrelTable t(StudentDecl(name));
    CreateAndOpen(t);
    AddStudent(t, 1, "Ana", "A1", "note");
    id = t.currentId();
    ASSERT_EQ(t.Close(), 0);
  }

  TempDir dir;
  std::string name = dir.File("shared\\!students");
  uint32_t id = 0;
};

TEST_F(ProcessTest, HoldOnARecordHeldElsewhere) {
  ChildProcess child([&](ChildProcess& c) {
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0) return 1;
    t.Hold();
    if (t.GetById(id) != 0) return 2;
    c.Signal();
    if (!c.Await()) return 3;
    ::usleep(600 * 1000);
    if (t.Release() != 0) return 4;
    return t.Close();
  });
  ASSERT_TRUE(child.Await());
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Share(), 0);

  auto start = Clock::now();
  t.Hold(2);
  EXPECT_EQ(t.GetById(id), rt::Error_RecordIsAlreadyHeld);
  EXPECT_GE(SecondsSince(start), 1.9);
  EXPECT_LT(SecondsSince(start), 4.0);

  // Without seconds the read waits until the other process lets go.
  child.Signal();
  start = Clock::now();
  t.Hold();
  EXPECT_EQ(t.GetById(id), 0);
  EXPECT_GE(SecondsSince(start), 0.4);
  EXPECT_EQ(child.Join(), 0);
}

TEST_F(ProcessTest, TableLockedElsewhereFailsAtOnce) {
  // Probes the lock after the parent locked twice and released once, then
  // after the second release.
  ChildProcess probe([&](ChildProcess& c) {
    if (!c.Await()) return 1;
    KestrelTable other(StudentDecl(name));
    if (other.Share() != 0) return 2;
    if (other.Lock() != rt::Error_FileIsAlreadyLocked) return 3;
    c.Signal();
    if (!c.Await()) return 4;
    return other.Lock() == 0 ? 0 : 5;
  });
  ChildProcess child([&](ChildProcess& c) {
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0 || t.Lock() != 0) return 1;
    c.Signal();
    if (!c.Await()) return 2;
    return t.Unlock() == 0 && t.Close() == 0 ? 0 : 3;
  });
  ASSERT_TRUE(child.Await());
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Share(), 0);
  auto start = Clock::now();
  EXPECT_EQ(t.Lock(), rt::Error_FileIsAlreadyLocked);
  EXPECT_LT(SecondsSince(start), 0.5);
  start = Clock::now();
  EXPECT_EQ(t.Lock(1), rt::Error_FileIsAlreadyLocked);  // tried again after a second
  EXPECT_GE(SecondsSince(start), 0.9);

  child.Signal();
  EXPECT_EQ(child.Join(), 0);
  ASSERT_EQ(t.Lock(), 0);
  ASSERT_EQ(t.Lock(), 0);  // nests
  ASSERT_EQ(t.Unlock(), 0);
  probe.Signal();  // still held once: refused
  ASSERT_TRUE(probe.Await());
  ASSERT_EQ(t.Unlock(), 0);
  probe.Signal();
  EXPECT_EQ(probe.Join(), 0);
}

TEST_F(ProcessTest, PutAfterAnotherProcessChangedTheWatchedRecord) {
  ChildProcess child([&](ChildProcess& c) {
    if (!c.Await()) return 1;
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0 || t.GetById(id) != 0) return 2;
    t.memos()[0] = "changed elsewhere";
    if (t.Put() != 0) return 3;
    c.Signal();
    return t.Close();
  });
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Share(), 0);
  t.Watch();
  ASSERT_EQ(t.GetById(id), 0);
  child.Signal();
  ASSERT_TRUE(child.Await());
  SetRow(t, 1, "Ana Maria", "A1");
  EXPECT_EQ(t.Put(), rt::Error_RecordChangedByAnotherStation);
  EXPECT_EQ(child.Join(), 0);
  ASSERT_EQ(t.GetById(id), 0);
  EXPECT_EQ(RowName(t), "Ana");
  EXPECT_EQ(t.memos()[0], "changed elsewhere");
}

// A sequence stands between two reads while another process changes the
// entries around it: the next read sees the file as that process left it.
TEST_F(ProcessTest, NextFollowsChangesMadeElsewhereBetweenReads) {
  ChildProcess child([&](ChildProcess& c) {
    if (!c.Await()) return 1;
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0) return 2;
    AddStudent(t, 3, "Bruno");  // right after the parent's place
    SetRow(t, 4, "");
    if (t.GetByKey(kKeyId) != 0 || t.Delete() != 0) return 3;  // "Carla", the one after
    if (t.Close() != 0) return 4;
    c.Signal();
    return 0;
  });
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Share(), 0);
  AddStudent(t, 2, "Beatriz");
  AddStudent(t, 4, "Carla");
  AddStudent(t, 5, "Diego");
  ASSERT_EQ(t.SetKey(kKeyName), 0);
  ASSERT_EQ(t.Next(), 0);
  ASSERT_EQ(t.Next(), 0);
  ASSERT_EQ(RowName(t), "Beatriz");
  child.Signal();
  ASSERT_TRUE(child.Await());
  std::vector<std::string> rest;
  while (t.Next() == 0) rest.push_back(RowName(t));
  EXPECT_EQ(rest, (std::vector<std::string>{"Bruno", "Diego"}));
  ASSERT_EQ(t.Previous(), 0);
  EXPECT_EQ(RowName(t), "Bruno");
  EXPECT_EQ(child.Join(), 0);
}

// Reads skip the reader slot; one that loads a page while a commit is made
// elsewhere starts over (the store's tests show the restart itself). Here
// reads and commits run side by side. Each row's name is its own prefix
// and a suffix that every change lowers, so no change moves a row past
// another in name order, nor past the place of a scan that read it: every
// scan must meet every row exactly once, in order, and each restart must
// still end.
TEST_F(ProcessTest, ReadsDuringCommitsElsewhereNeverMixTwoStates) {
  constexpr int kRows = 20000;
  auto prefix_of = [](int32_t id) {
    char b[8];
    std::snprintf(b, sizeof b, "N%05u", static_cast<uint32_t>(id) * 7919u % 100000);
    return std::string(b);
  };
  auto suffix = [](int g) {
    char b[8];
    std::snprintf(b, sizeof b, "%04d", 9999 - g);
    return std::string(b);
  };
  ChildProcess child([&](ChildProcess& c) {
    if (!c.Await()) return 1;
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0) return 2;
    std::mt19937 rng(5);
    for (int g = 1; g < 9999 && !c.Await(0); ++g) {
      // Many rows a commit, so that a read mixing states would likely meet one.
      if (t.Logout() != 0) return 3;
      for (int i = 0; i < 200; ++i) {
        const int32_t id = static_cast<int32_t>(2 + rng() % kRows);
        SetRow(t, id, "");
        if (t.GetByKey(kKeyId) != 0) return 4;
        t.record().replace(4, 20, Text(prefix_of(id) + suffix(g), 20));
        if (t.Put() != 0) return 5;
      }
      if (!Transaction::Global().Commit().ok()) return 6;
    }
    return t.Close() == 0 ? 0 : 7;
  });
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Share(), 0);
  ASSERT_EQ(t.Logout(), 0);
  for (int i = 2; i < kRows + 2; ++i) {
    SetRow(t, i, prefix_of(i) + suffix(0));
    t.memos() = {""};
    ASSERT_EQ(t.Add(), 0);
  }
  ASSERT_TRUE(Transaction::Global().Commit().ok());
  child.Signal();
  uint64_t restarts = 0;
  int scans = 0;
  const auto start = Clock::now();
  while ((restarts == 0 || scans < 2) && SecondsSince(start) < 60) {
    ASSERT_EQ(t.SetKey(kKeyName), 0);
    ASSERT_EQ(t.Next(), 0);
    ASSERT_EQ(RowName(t), "Ana");
    std::string last;
    int rows = 0;
    while (t.Next() == 0) {
      const std::string row_name = RowName(t);
      const std::string prefix = prefix_of(RowId(t));
      ASSERT_EQ(row_name.substr(0, 6), prefix) << "row " << RowId(t);
      ASSERT_LT(last, prefix) << "row " << RowId(t) << " after " << rows << " rows";
      last = prefix;
      ++rows;
    }
    ASSERT_EQ(rows, kRows) << "scan " << scans;
    ++scans;
    restarts = t.physicalFile()->store->restarts();
  }
  child.Signal();
  EXPECT_GT(restarts, 0u) << "no read met a commit in " << scans << " scans";
  EXPECT_EQ(child.Join(), 0);
}

// Holds and table locks exclude each other whatever the openers' access:
// two read-only processes cannot hold one record or lock one table, and
// every refusal is logged while logging is on.
TEST_F(ProcessTest, ReadOnlyOpenersExcludeEachOtherAndRefusalsAreLogged) {
  ChildProcess child([&](ChildProcess& c) {
    KestrelTable t(StudentDecl(name));
    if (t.Open(0x40) != 0) return 1;
    t.Hold();
    if (t.GetById(id) != 0 || t.Lock() != 0) return 2;
    c.Signal();
    if (!c.Await()) return 3;
    return t.Close();
  });
  ASSERT_TRUE(child.Await());
  std::vector<std::string> log;
  SetFileLog([&](const std::string& line) { log.push_back(line); });
  KestrelTable t(StudentDecl(name));
  ASSERT_EQ(t.Open(0x40), 0);
  t.Hold(0);
  EXPECT_EQ(t.GetById(id), rt::Error_RecordIsAlreadyHeld);
  EXPECT_EQ(t.Lock(1), rt::Error_FileIsAlreadyLocked);
  SetFileLog(nullptr);
  auto logged = [&](const std::string& head) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(head, 0) == 0; });
  };
  EXPECT_TRUE(logged("LockFile failed with error "));
  EXPECT_TRUE(logged("Locking failed with error "));
  child.Signal();
  EXPECT_EQ(child.Join(), 0);
  ASSERT_EQ(t.Lock(), 0);
  t.Hold();
  EXPECT_EQ(t.GetById(id), 0);
}

// Remove of a file's last table while another process uses the file: the
// file stays (error 5), and what that process writes afterwards is there.
TEST_F(ProcessTest, RemoveLeavesAFileAnotherProcessUses) {
  ChildProcess child([&](ChildProcess& c) {
    KestrelTable t(StudentDecl(name));
    if (t.Share() != 0) return 1;
    c.Signal();
    if (!c.Await()) return 2;
    SetRow(t, 2, "Later");
    t.memos() = {""};
    if (t.Add() != 0) return 3;
    return t.Close();
  });
  ASSERT_TRUE(child.Await());
  KestrelTable t(StudentDecl(name));
  EXPECT_EQ(t.Remove(), rt::Error_AccessDenied);
  EXPECT_TRUE(std::filesystem::exists(dir.File("shared.KRL")));
  child.Signal();
  ASSERT_EQ(child.Join(), 0);
  ASSERT_EQ(t.Share(), 0);
  uint32_t n = 0;
  ASSERT_EQ(t.Records(&n), 0);
  EXPECT_EQ(n, 2u);
  ASSERT_EQ(t.Close(), 0);
  EXPECT_EQ(t.Remove(), 0);  // nobody else left
  EXPECT_FALSE(std::filesystem::exists(dir.File("shared.KRL")));
}

}  // namespace
}  // namespace kestrel::testing
