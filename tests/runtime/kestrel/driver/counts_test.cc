// Statistics counts are held in memory during a write cycle and written once
// before it commits: whatever path ends the cycle (commit, rollback, close,
// stream flush, a failed commit), the counts on disk must equal the records
// on disk, and the program and other processes must see the right numbers.
#include <signal.h>

#include <memory>

#include "child_process.h"
#include "driver_fixture.h"
#include "runtime/kestrel/driver/transaction.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/os/fault_injection.h"

namespace kestrel::testing {
namespace {

constexpr int kKeys = 3;

struct Counts {
  uint32_t rows = 0;
  uint32_t entries[kKeys] = {};
  bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Counts& c) {
  return os << "rows " << c.rows << ", entries " << c.entries[0] << "/" << c.entries[1] << "/" << c.entries[2];
}

// The statistics records and the records actually there, as a fresh reader
// of the file finds them on disk.
void DiskCounts(const std::string& path, uint32_t table, Counts* stats, Counts* actual) {
  std::unique_ptr<PageStore> store;
  PageStore::OpenOptions read_only;
  read_only.mode = 0x40;
  ASSERT_TRUE(PageStore::Open(path, read_only, &store).ok());
  store->BeginOperation();
  auto stat = [&](uint8_t subject) {
    Cursor c;
    bool found = false;
    Statistics s;
    EXPECT_TRUE(store->Find(StatisticsKey(table, subject), &c, &found).ok());
    EXPECT_TRUE(found && Statistics::Decode(c.value(), &s).ok());
    return s.count;
  };
  auto records = [&](uint8_t kind) {
    const std::string prefix = KeyEntryPrefix(table, kind);
    uint32_t n = 0;
    Cursor c;
    bool found = false;
    EXPECT_TRUE(store->FindAtLeast(prefix, &c, &found).ok());
    for (; found && c.key().substr(0, prefix.size()) == prefix; ++n) EXPECT_TRUE(store->Next(&c, &found).ok());
    return n;
  };
  stats->rows = stat(kKindData);
  actual->rows = records(kKindData);
  for (int k = 0; k < kKeys; ++k) {
    stats->entries[k] = stat(static_cast<uint8_t>(k));
    actual->entries[k] = records(static_cast<uint8_t>(k));
  }
  store->EndOperation();
}

// The counts the driver reports and the records its reads reach.
void DriverCounts(KestrelTable& t, Counts* reported, Counts* actual) {
  ASSERT_EQ(t.Records(&reported->rows), 0);
  actual->rows = 0;
  ASSERT_EQ(t.SetFile(), 0);
  while (t.Next() == 0) ++actual->rows;
  for (int k = 0; k < kKeys; ++k) {
    ASSERT_EQ(t.RecordsKey(k, &reported->entries[k]), 0);
    actual->entries[k] = 0;
    ASSERT_EQ(t.SetKey(k), 0);
    while (t.Next() == 0) ++actual->entries[k];
  }
}

class CountsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateAndOpen(t);
    for (int i = 1; i <= 4; ++i) AddStudent(t, i, "S" + std::to_string(i), i % 2 ? "C" + std::to_string(i) : "");
  }
  void TearDown() override {
    fault::Disarm();
    Transaction::Global().Rollback();
  }

  // Committed counts agree with the committed records; returns the row count.
  uint32_t ExpectDiskConsistent(const char* when) {
    Counts stats, actual;
    DiskCounts(path, t.tableNumber(), &stats, &actual);
    EXPECT_EQ(stats, actual) << when;
    return actual.rows;
  }
  uint32_t ExpectDriverConsistent(KestrelTable& table, const char* when) {
    Counts reported, actual;
    DriverCounts(table, &reported, &actual);
    EXPECT_EQ(reported, actual) << when;
    return actual.rows;
  }
  // Changes of every kind: adds, a delete, and a put that gives a row an
  // entry in the key that leaves blank codes out.
  void Churn(int first) {
    for (int i = first; i < first + 5; ++i) AddStudent(t, i, "N" + std::to_string(i), i % 2 ? "" : "D" + std::to_string(i));
    SetRow(t, first, "");
    ASSERT_EQ(t.GetByKey(kKeyId), 0);
    SetRow(t, first, "renamed", "R" + std::to_string(first));
    ASSERT_EQ(t.Put(), 0);
    SetRow(t, first + 1, "");
    ASSERT_EQ(t.GetByKey(kKeyId), 0);
    ASSERT_EQ(t.Delete(), 0);
  }

  TempDir dir;
  std::string path = dir.File("C.KRL");
  KestrelTable t{StudentDecl(path)};
};

TEST_F(CountsTest, TransactionCountsAreSeenInsideAndCommittedOrRolledBack) {
  ASSERT_EQ(t.Logout(), 0);
  Churn(10);
  EXPECT_EQ(ExpectDriverConsistent(t, "inside the transaction"), 8u);
  KestrelTable other(StudentDecl(path));
  ASSERT_EQ(other.Share(), 0);
  EXPECT_EQ(ExpectDriverConsistent(other, "second table of the file"), 8u);
  EXPECT_EQ(ExpectDiskConsistent("before the commit"), 4u);
  ASSERT_TRUE(Transaction::Global().Commit().ok());
  EXPECT_EQ(ExpectDiskConsistent("after the commit"), 8u);

  ASSERT_EQ(t.Logout(), 0);
  Churn(20);
  ASSERT_TRUE(Transaction::Global().Rollback().ok());
  EXPECT_EQ(ExpectDriverConsistent(t, "after the rollback"), 8u);
  AddStudent(t, 30, "after");
  EXPECT_EQ(ExpectDiskConsistent("commit after the rollback"), 9u);

  // A table closed inside the transaction leaves its counts to the commit.
  ASSERT_EQ(other.Logout(), 0);
  AddStudent(other, 31, "closed early", "X");
  ASSERT_EQ(other.Close(), 0);
  ASSERT_TRUE(Transaction::Global().Commit().ok());
  EXPECT_EQ(ExpectDiskConsistent("closed before the commit"), 10u);
}

TEST_F(CountsTest, StreamModeCommitsCountsWithEveryDeferredCommit) {
  ASSERT_EQ(t.Stream(), 0);
  // Enough rows for commits forced by the dirty-page bound on the way.
  const std::string note(900, 'n');
  for (int i = 100; i < 400; ++i) AddStudent(t, i, "S" + std::to_string(i), "", note);
  const uint32_t committed = ExpectDiskConsistent("during stream mode");
  EXPECT_GT(committed, 4u);
  EXPECT_LT(committed, 304u);
  ASSERT_EQ(t.Flush(), 0);
  EXPECT_EQ(ExpectDiskConsistent("after Flush"), 304u);
  // Pending stream counts also go in when the table is closed.
  ASSERT_EQ(t.Stream(), 0);
  Churn(500);
  ASSERT_EQ(t.Close(), 0);
  EXPECT_EQ(ExpectDiskConsistent("after Close"), 308u);
}

TEST_F(CountsTest, FailedCommitsLeaveNoCountsBehind) {
  // A single operation whose commit fails: nothing of it may reach a later commit.
  SetRow(t, 1, "");
  ASSERT_EQ(t.GetByKey(kKeyId), 0);
  fault::Arm({.fail_write = 0});
  EXPECT_NE(t.Delete(), 0);
  fault::Disarm();
  AddStudent(t, 40, "next", "N40");
  EXPECT_EQ(ExpectDiskConsistent("after a failed delete"), 5u);
  EXPECT_EQ(ExpectDriverConsistent(t, "after a failed delete"), 5u);

  // The same for a transaction.
  ASSERT_EQ(t.Logout(), 0);
  Churn(50);
  fault::Arm({.fail_write = 0});
  EXPECT_FALSE(Transaction::Global().Commit().ok());
  fault::Disarm();
  AddStudent(t, 60, "next");
  EXPECT_EQ(ExpectDiskConsistent("after a failed transaction"), 6u);
  EXPECT_EQ(ExpectDriverConsistent(t, "after a failed transaction"), 6u);
}

TEST_F(CountsTest, AnotherProcessSeesTheCommittedCounts) {
  ASSERT_EQ(t.Close(), 0);
  // The child checks its view each time the parent has committed.
  ChildProcess child([&](ChildProcess& self) {
    int wrong = 0;
    for (int round = 0; round < 3 && self.Await(); ++round) {
      KestrelTable mine(StudentDecl(path));
      if (mine.Share() != 0) return 100;
      Counts reported, actual;
      DriverCounts(mine, &reported, &actual);
      static const uint32_t expected[] = {8, 8, 9};
      if (!(reported == actual) || actual.rows != expected[round]) ++wrong;
      mine.Close();
      self.Signal();
    }
    return wrong;
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(t.Share(), 0);
  ASSERT_EQ(t.Logout(), 0);
  Churn(10);
  ASSERT_TRUE(Transaction::Global().Commit().ok());
  child.Signal();
  ASSERT_TRUE(child.Await());
  ASSERT_EQ(t.Logout(), 0);
  Churn(20);
  ASSERT_TRUE(Transaction::Global().Rollback().ok());
  child.Signal();
  ASSERT_TRUE(child.Await());
  ASSERT_EQ(t.Stream(), 0);
  AddStudent(t, 30, "streamed");
  ASSERT_EQ(t.Flush(), 0);
  child.Signal();
  ASSERT_TRUE(child.Await());
  EXPECT_EQ(child.Join(), 0);
}


int g_kill_step = 0;
void KillAtStep(int step) {
  if (step == g_kill_step) ::raise(SIGKILL);
}

// A process killed anywhere in a commit over two files leaves both files
// with counts that match their records, all old or all new.
TEST_F(CountsTest, KilledDuringATwoFileCommitLeavesMatchingCounts) {
  ASSERT_EQ(t.Close(), 0);
  const struct {
    int step;
    bool committed;
  } cases[] = {{31, false}, {3, false}, {4, true}, {5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    const std::string a = dir.File("A" + std::to_string(c.step) + ".KRL");
    const std::string b = dir.File("B" + std::to_string(c.step) + ".KRL");
    for (const std::string& name : {a, b}) {
      KestrelTable x(StudentDecl(name));
      CreateAndOpen(x);
      AddStudent(x, 1, "one");
      ASSERT_EQ(x.Close(), 0);
    }
    ChildProcess child([&](ChildProcess&) {
      g_kill_step = c.step;
      Transaction::SetStepHook(KillAtStep);
      KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
      if (ta.Share() || tb.Share() || ta.Logout() || tb.Logout()) return 1;
      for (int i = 2; i <= 4; ++i) {
        SetRow(ta, i, "a", "A" + std::to_string(i));
        SetRow(tb, i, "b");
        if (ta.Add() || tb.Add()) return 2;
      }
      SetRow(ta, 1, "");
      if (ta.GetByKey(kKeyId) || ta.Delete()) return 3;
      Transaction::Global().Commit();
      return 9;  // not killed
    });
    ASSERT_EQ(child.Join(), 128 + SIGKILL);
    for (const auto& [name, rows] : {std::pair{a, c.committed ? 3u : 1u}, {b, c.committed ? 4u : 1u}}) {
      KestrelTable x(StudentDecl(name));
      ASSERT_EQ(x.Share(), 0);  // recovers what the journal says
      EXPECT_EQ(ExpectDriverConsistent(x, name.c_str()), rows);
      const uint32_t table = x.tableNumber();
      ASSERT_EQ(x.Close(), 0);
      Counts stats, actual;
      DiskCounts(name, table, &stats, &actual);
      EXPECT_EQ(stats, actual) << name;
    }
  }
  Transaction::SetStepHook(nullptr);
}

}  // namespace
}  // namespace kestrel::testing
