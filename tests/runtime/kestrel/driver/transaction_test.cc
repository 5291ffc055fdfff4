// Transactions over two physical files: commit, rollback, and a crash at
// every step of the commit protocol.
#include <signal.h>

#include <filesystem>

#include "child_process.h"
#include "driver_fixture.h"
#include "runtime/kestrel/driver/transaction.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/os/fault_injection.h"

namespace kestrel::testing {
namespace {

bool JournalPending(const std::string& path) {
  std::string bytes(kHeaderSize, '\0');
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  Header h;
  return got == kHeaderSize && Header::Decode(bytes, &h).ok() && h.journalPending();
}

int g_kill_step = 0;
void KillAtStep(int step) {
  if (step == g_kill_step) ::raise(SIGKILL);
}

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& n : {a, b}) {
      KestrelTable t(StudentDecl(n));
      CreateAndOpen(t);
      AddStudent(t, 1, "old", "", "old note");
      ids.push_back(t.currentId());
      ASSERT_EQ(t.Close(), 0);
    }
  }
  void TearDown() override { Transaction::Global().Rollback(); }

  // Changes record 1 of each table in `files`, inside a transaction over a and b.
  int ChangeBoth(KestrelTable& ta, KestrelTable& tb, bool change_b = true) {
    if (ta.Share() || tb.Share() || ta.Logout() || tb.Logout()) return 1;
    if (ta.GetById(ids[0]) || tb.GetById(ids[1])) return 2;
    SetRow(ta, 1, "new");
    ta.memos()[0] = "new note";
    if (ta.Put()) return 3;
    if (change_b) {
      SetRow(tb, 1, "new");
      if (tb.Put()) return 4;
    }
    return 0;
  }

  std::string NameIn(const std::string& file, std::string* note = nullptr) {
    KestrelTable t(StudentDecl(file));
    EXPECT_EQ(t.Share(), 0);
    EXPECT_EQ(t.GetById(ids[file == a ? 0 : 1]), 0);
    if (note) *note = t.memos()[0];
    return RowName(t);
  }

  TempDir dir;
  std::string a = dir.File("A.KRL");
  std::string b = dir.File("B");
  std::string tcf = dir.File("kestrel.tcf");
  std::vector<uint32_t> ids;
};

TEST_F(TransactionTest, OneChangedFileCommitsAloneWithoutTheControlFile) {
  {
    KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
    ASSERT_EQ(ChangeBoth(ta, tb, false), 0);
    ASSERT_EQ(Transaction::Global().Commit().code(), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(tcf));
  EXPECT_EQ(NameIn(a), "new");
  EXPECT_EQ(NameIn(b), "old");
}

TEST_F(TransactionTest, TwoChangedFilesCommitThroughTheControlFile) {
  {
    KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
    ASSERT_EQ(ChangeBoth(ta, tb), 0);
    ASSERT_EQ(Transaction::Global().Commit().code(), 0);
  }
  ASSERT_TRUE(std::filesystem::exists(tcf));
  EXPECT_EQ(NameIn(a), "new");
  EXPECT_EQ(NameIn(b), "new");
  // The id record was written and deleted again: the control file holds nothing.
  std::unique_ptr<PageStore> store;
  ASSERT_TRUE(PageStore::Open(tcf, {}, &store).ok());
  store->BeginOperation();
  Cursor c;
  bool found = true;
  ASSERT_TRUE(store->FindAtLeast(std::string(), &c, &found).ok());
  EXPECT_FALSE(found);
  store->EndOperation();
}

TEST_F(TransactionTest, RollbackDiscardsEveryFile) {
  {
    KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
    ASSERT_EQ(ChangeBoth(ta, tb), 0);
    ASSERT_EQ(Transaction::Global().Rollback().code(), 0);
    EXPECT_FALSE(Transaction::Global().active());
  }
  EXPECT_EQ(NameIn(a), "old");
  EXPECT_EQ(NameIn(b), "old");
}

// A crash before the commit point (step 4) leaves both files old; after it,
// both new.
TEST_F(TransactionTest, KilledAtEachStepRecoversAllOldOrAllNew) {
  const struct {
    int step;
    bool committed;
    bool journals;  // both files are left with a journal past phase 1
  } cases[] = {{2, false, false}, {31, false, false}, {32, false, true}, {3, false, true},
               {4, true, true},   {5, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    ChildProcess child([&](ChildProcess&) {
      g_kill_step = c.step;
      Transaction::SetStepHook(KillAtStep);
      KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
      if (int rc = ChangeBoth(ta, tb)) return rc;
      Transaction::Global().Commit();
      return 9;  // not killed
    });
    ASSERT_EQ(child.Join(), 128 + SIGKILL);
    EXPECT_EQ(JournalPending(a) && JournalPending(b + ".KRL"), c.journals);
    std::string note_a, note_b;
    const std::string want = c.committed ? "new" : "old";
    EXPECT_EQ(NameIn(a, &note_a), want);
    EXPECT_EQ(NameIn(b, &note_b), want);
    EXPECT_EQ(note_a, want + " note");
    EXPECT_EQ(note_b, "old note");  // b's memo never changes
    if (c.committed) {
      // Back to the old state for the next case.
      KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
      for (KestrelTable* t : {&ta, &tb}) {
        ASSERT_EQ(t->Share(), 0);
        ASSERT_EQ(t->GetById(ids[t == &ta ? 0 : 1]), 0);
        SetRow(*t, 1, "old");
        t->memos()[0] = "old note";
        ASSERT_EQ(t->Put(), 0);
      }
    }
  }
}

// The machine loses power at every write and flush of a two-file commit,
// under a few fates of what no flush made durable: both files old or both
// new, and new whenever the commit had answered success.
TEST_F(TransactionTest, PowerLossAtEveryOperationLeavesBothOldOrBothNew) {
  namespace fs = std::filesystem;
  const std::string b_file = b + ".KRL";
  fs::copy_file(a, a + ".base");
  fs::copy_file(b_file, b_file + ".base");
  auto restore = [&] {
    fs::copy_file(a + ".base", a, fs::copy_options::overwrite_existing);
    fs::copy_file(b_file + ".base", b_file, fs::copy_options::overwrite_existing);
    fs::remove(tcf);
  };
  int64_t total = 0;
  {
    restore();
    fault::Arm({.power_loss = true});
    KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
    ASSERT_EQ(ChangeBoth(ta, tb), 0);
    ASSERT_TRUE(Transaction::Global().Commit().ok());
    total = fault::OperationsSeen();
    fault::Disarm();
  }
  ASSERT_GT(total, 12);
  int news = 0;
  for (int64_t stop = 0; stop <= total; ++stop) {
    for (uint32_t seed = 0; seed < 3; ++seed) {
      SCOPED_TRACE(::testing::Message() << "stop " << stop << " of " << total << " seed " << seed);
      restore();
      bool answered = false;
      fault::Arm({.stop_from = stop, .power_loss = true});
      {
        KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
        ASSERT_EQ(ChangeBoth(ta, tb), 0);
        Outcome o = Transaction::Global().Commit();
        answered = o.ok() && fault::OperationsSeen() <= stop;
      }
      fault::PowerLoss(seed * 1000 + static_cast<uint32_t>(stop));
      fault::Arm({.power_loss = true});  // the model stands in for the disk's flushes
      std::string note_a;
      const std::string name_a = NameIn(a, &note_a), name_b = NameIn(b);
      fault::Disarm();
      ASSERT_EQ(name_a, name_b);
      ASSERT_EQ(note_a, name_a + " note");
      if (answered) {
        ASSERT_EQ(name_a, "new");
      }
      news += name_a == "new";
    }
  }
  EXPECT_GT(news, 0);
}

// Flushes seen at each step of a multi-file commit (StepHook).
std::vector<std::pair<int, int64_t>> g_steps;
void NoteStep(int step) { g_steps.push_back({step, fault::FlushesSeen()}); }

// What a commit over two files costs on disk, step by step, once the
// control file exists: the id added and removed take two flushes each (the
// control file's one page goes to a free place, then its header at 0 is
// the commit point), each file's phase 1 two (journal, bounds) and its
// phase 2 two (pages home, bounds cleared): twelve. Files of one page save
// the flush of their phase 2, their page having gone to a free place in
// phase 1. A flush or a write added anywhere fails here.
TEST_F(TransactionTest, TwoFileCommitTakesTwelveFlushes) {
  struct Case {
    const char* name;
    int more_rows;  // beyond the one of SetUp, with a long note each
    std::vector<std::pair<int, int64_t>> steps;
    int64_t writes[2];  // in even and odd rounds
  };
  const Case cases[] = {
      // The control file's page and header, twice; per file its journal, its
      // bounds and its bounds cleared. The one page goes to the committed end
      // (one gathered write with the journal behind it) and back to the
      // start of the page space (a write of its own).
      {"files of one page", 0, {{2, 2}, {31, 4}, {32, 6}, {3, 6}, {4, 8}, {5, 10}}, {12, 10}},
      // The control file's four, per file its journal (new pages, journal and
      // new header in one gathered write), its bounds, its bounds cleared and
      // its changed pages written home, one write per run of adjacent ones:
      // the leaves of the data record, of its old and new name key entries
      // and of the link record lie apart in three or four runs.
      {"files of many pages", 300, {{2, 2}, {31, 4}, {32, 6}, {3, 6}, {4, 8}, {5, 12}}, {16, 18}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.more_rows > 0) {
      KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
      ASSERT_EQ(ta.Share() || tb.Share() || ta.Logout() || tb.Logout(), 0);
      for (int i = 0; i < c.more_rows; ++i) {
        AddStudent(ta, 100 + i, "student " + std::to_string(i), "", std::string(200, 'n'));
        AddStudent(tb, 100 + i, "student " + std::to_string(i), "", std::string(200, 'n'));
      }
      ASSERT_TRUE(Transaction::Global().Commit().ok());
    }
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(round);
      const std::string name = round % 2 ? "odd" : "even";
      g_steps.clear();
      Transaction::SetStepHook(NoteStep);
      int64_t flushes = 0, operations = 0;
      {
        KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
        ASSERT_EQ(ta.Share() || tb.Share() || ta.Logout() || tb.Logout(), 0);
        ASSERT_EQ(ta.GetById(ids[0]) || tb.GetById(ids[1]), 0);
        SetRow(ta, 1, name);
        SetRow(tb, 1, name);
        ASSERT_EQ(ta.Put() || tb.Put(), 0);
        fault::Arm({});
        ASSERT_TRUE(Transaction::Global().Commit().ok());
        flushes = fault::FlushesSeen();
        operations = fault::OperationsSeen();
        fault::Disarm();
      }
      Transaction::SetStepHook(nullptr);
      EXPECT_EQ(NameIn(a), name);
      EXPECT_EQ(NameIn(b), name);
      if (round == 0) continue;  // the control file is made by the first commit
      EXPECT_EQ(g_steps, c.steps);
      EXPECT_EQ(flushes, c.steps.back().second);
      EXPECT_EQ(operations - flushes, c.writes[round % 2]);
    }
  }
}

// An operation that fails half-way inside a transaction takes the file's
// changes with it; the commit then answers that error and changes nothing.
TEST_F(TransactionTest, AFailedOperationRollsTheTransactionBack) {
  {
    KestrelTable ta(StudentDecl(a)), tb(StudentDecl(b));
    ASSERT_EQ(ChangeBoth(ta, tb), 0);
    SetRow(ta, 1, "dup");
    ASSERT_EQ(ta.Append(), 0);  // a second ID 1, which the build meets
    EXPECT_EQ(ta.BuildFile(), rt::Error_CreatesDuplicateKey);
    EXPECT_EQ(Transaction::Global().Commit().code(), rt::Error_CreatesDuplicateKey);
  }
  EXPECT_EQ(NameIn(a), "old");
  EXPECT_EQ(NameIn(b), "old");
}

}  // namespace
}  // namespace kestrel::testing
