#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "runtime/kestrel/os/file.h"
#include "runtime/kestrel/os/lock_layout.h"
#include "store_fixture.h"

namespace kestrel::testing {
namespace {

using ProcessTest = StoreTest;

constexpr uint32_t kCounterKey = 0xF0000000u;

// Commits record i (and the counter naming it) in one commit each, and
// reports every commit through the pipe once it returned.
[[noreturn]] void CommitLoop(const std::string& path, uint32_t first, int report_fd) {
  auto s = StoreTest::OpenAt(path);
  if (!s) _exit(10);
  for (uint32_t i = first;; ++i) {
    Outcome o = StoreTest::Write(*s, [&]() -> Outcome {
      KESTREL_RETURN_IF_FAILED(s->Insert(Rec(i, 20 + (i * 37) % 2500, 5)));
      bool found = false;
      Record counter(Key(kCounterKey), Key(i));
      KESTREL_RETURN_IF_FAILED(s->Update(counter, &found));
      if (!found) KESTREL_RETURN_IF_FAILED(s->Insert(counter));
      return Outcome::OK();
    });
    if (!o.ok()) _exit(11);
    if (write(report_fd, &i, sizeof i) != sizeof i) _exit(12);
  }
}

// A writer in a process of its own that reports each commit (a 32-bit
// number) through a pipe; the test kills it at a moment of its choice.
class ReportingWriter {
 public:
  // `loop` runs in the child with the pipe's write end and never returns.
  template <typename Loop>
  explicit ReportingWriter(Loop loop) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      loop(fds[1]);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    fd_ = fds[0];
  }
  // A test that stops early leaves no writer running.
  ~ReportingWriter() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    close(fd_);
  }
  ReportingWriter(const ReportingWriter&) = delete;
  ReportingWriter& operator=(const ReportingWriter&) = delete;
  bool started() const { return pid_ > 0 && fd_ >= 0; }
  // Kills the child and answers the last number it reported (`none` when
  // it reported nothing); false when it had ended on its own.
  bool KillAndLastReport(int64_t none, int64_t* last) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    *last = none;
    uint32_t i;
    while (read(fd_, &i, sizeof i) == sizeof i) *last = i;
    close(fd_);
    pid_ = -1;
    if (!WIFSIGNALED(status)) ADD_FAILURE() << "child failed with " << WEXITSTATUS(status);
    return WIFSIGNALED(status);
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

TEST_F(ProcessTest, KilledWriterLeavesExactlyTheReportedCommitsPlusOneAtMost) {
  Open();  // creates the file
  std::mt19937 rng(99);
  uint32_t next = 0;
  for (int round = 0; round < 12; ++round) {
    ReportingWriter writer([&](int fd) { CommitLoop(path_, next, fd); });
    ASSERT_TRUE(writer.started());
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 120));
    int64_t reported = 0;
    ASSERT_TRUE(writer.KillAndLastReport(static_cast<int64_t>(next) - 1, &reported));

    auto s = Open();
    ExpectSound(*s);
    Contents all = ReadAll(*s);
    auto counter = all.find(Key(kCounterKey));
    ASSERT_NE(counter, all.end());
    const std::string last_counted = counter->second;
    all.erase(counter);
    // Records 0..n-1 present and nothing else, n = reported + 1 or + 2.
    const uint32_t n = static_cast<uint32_t>(all.size());
    ASSERT_TRUE(n == reported + 1 || n == reported + 2) << n << " records, " << reported << " reported";
    EXPECT_EQ(all.rbegin()->first, Key(n - 1));
    EXPECT_EQ(last_counted, Key(n - 1));  // the commit is whole
    next = n;
  }
  EXPECT_GT(next, 12u);
}

// Children insert pairs of records in single commits and scan the file
// between commits: a pair is never seen half, no child's records get lost.
TEST_F(ProcessTest, ThreeProcessesInsertAndReadOneFile) {
  Open();
  constexpr int kChildren = 3;
  constexpr uint32_t kPairs = 40;
  std::vector<pid_t> pids;
  for (uint32_t c = 1; c <= kChildren; ++c) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      auto s = OpenAt(path_);
      for (uint32_t i = 0; i < kPairs; ++i) {
        Outcome o = Write(*s, [&]() -> Outcome {
          KESTREL_RETURN_IF_FAILED(s->Insert(Rec((c << 24) | (i << 1), 50 + i * 40, c)));
          return s->Insert(Rec((c << 24) | (i << 1) | 1, 30, c));
        });
        if (!o.ok()) _exit(20);
        Contents all = ReadAll(*s);
        for (const auto& [k, v] : all) {
          uint32_t n = Get32BE(k.data());
          if (!all.count(Key(n ^ 1))) _exit(21);  // half a commit
        }
        for (uint32_t j = 0; j <= i; ++j) {
          if (!all.count(Key((c << 24) | (j << 1)))) _exit(22);  // lost
        }
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (pid_t pid : pids) {
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        for (pid_t p : pids) kill(p, SIGKILL);
        FAIL() << "deadlock: children still running";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  }
  auto s = Open();
  ExpectSound(*s);
  EXPECT_EQ(ReadAll(*s).size(), kChildren * kPairs * 2);
}

// Readers are excluded during both phases of a commit: an opener's first
// read waits for its reader slot and then sees the committed state.
TEST_F(ProcessTest, OpenerWaitsForItsReaderSlotUntilTheCommitEnds) {
  auto writer = Open();
  writer->BeginOperation();
  writer->BeginWriteCycle();
  ASSERT_TRUE(writer->Insert(Rec(7, 100)).ok());
  ASSERT_TRUE(writer->CommitPhase1().ok());
  std::atomic<bool> done{false};
  Contents seen;
  std::thread reader([&] {
    auto s = OpenAt(path_);
    seen = ReadAll(*s);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done);
  ASSERT_TRUE(writer->CommitPhase2().ok());
  ASSERT_TRUE(writer->EndOperation().ok());
  reader.join();
  EXPECT_EQ(seen.count(Key(7)), 1u);
}

// A commit cut off after its commit point leaves its journal beyond the end
// of the data, and a reader that finds it reads the changed pages from
// there for the rest of its operation. The next writer applies the journal
// and then writes a long cycle's pages early, beyond the end, where that
// journal lies: it must wait until such readers are done.
TEST_F(ProcessTest, ReaderInsideAJournalIsWaitedForBeforePagesAreWrittenWhereItLies) {
  constexpr uint32_t kRecords = 300;
  Contents committed;
  {
    auto w = Open();
    ASSERT_TRUE(InsertRecords(*w, 0, kRecords, 200).ok());
    // Every leaf changes, so every leaf is read from the journal.
    w->BeginOperation();
    w->BeginWriteCycle();
    for (uint32_t k = 0; k < kRecords; k += 3) {
      bool found = false;
      ASSERT_TRUE(w->Update(Rec(k, 200, 1), &found).ok());
      ASSERT_TRUE(found);
    }
    ASSERT_TRUE(w->CommitPhase1().ok());
    fault::Arm({.stop_from = 0});  // the process dies: phase 2 never reaches the disk
    w.reset();
    fault::Disarm();
  }
  for (uint32_t k = 0; k < kRecords; ++k) {
    Record r = Rec(k, 200, k % 3 == 0 ? 1 : 0);
    committed[std::string(r.key())] = std::string(r.value());
  }
  auto reader = OpenAt(path_, 0x40, false);
  reader->BeginOperation();
  Cursor c;
  bool found = false;
  ASSERT_TRUE(reader->FindAtLeast("", &c, &found).ok());
  std::atomic<bool> writer_done{false};
  std::thread writer([&] {
    std::unique_ptr<PageStore> s;
    PageStore::OpenOptions o;
    o.spill_dirty_pages = 4;
    ASSERT_TRUE(PageStore::Open(path_, o, &s).ok());
    s->BeginOperation();
    s->BeginWriteCycle();
    for (uint32_t k = 0; k < 60; ++k) {
      ASSERT_TRUE(s->Insert(Rec(10000 + k, 3000, 2)).ok());
      ASSERT_TRUE(s->EndOperation(true).ok());
      s->BeginOperation();
    }
    EXPECT_GT(s->spilledPages(), 0u);
    ASSERT_TRUE(s->EndOperation().ok());
    writer_done = true;
  });
  // Time for a writer that does not wait to apply the journal and write
  // over it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(writer_done);
  Contents seen;
  Outcome o = Outcome::OK();
  while (o.ok() && found) {
    seen[std::string(c.key())] = std::string(c.value());
    o = reader->Next(&c, &found);
  }
  EXPECT_TRUE(o.ok()) << o.ToString();
  reader->EndOperation();
  writer.join();
  EXPECT_TRUE(Same(seen, committed));
  EXPECT_EQ(ReadAll(*reader).size(), kRecords + 60);
  ExpectSound(*reader);
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST_F(ProcessTest, DriverLocksConflictNestAndLogRefusals) {
  auto a = Open();
  auto b = Open();
  std::vector<std::string> log;
  b->setLog([&](const std::string& line) { log.push_back(line); });
  ASSERT_TRUE(a->TryDriverLock(5));
  ASSERT_TRUE(a->TryDriverLock(5));  // nested
  EXPECT_FALSE(b->TryDriverLock(5));
  ASSERT_EQ(log.size(), 3u);  // three quick attempts
  EXPECT_EQ(log[0].rfind("LockFile failed with error ", 0), 0u) << log[0];
  EXPECT_TRUE(b->TryDriverLock(6));
  a->ReleaseDriverLock(5);
  EXPECT_FALSE(b->TryDriverLock(5));  // still held once
  a->ReleaseDriverLock(5);
  EXPECT_TRUE(b->TryDriverLock(5));
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// A load reads the pages around the one asked for and keeps those bytes
// for later loads. They must never serve a page once a commit, made
// elsewhere or by the reader itself, changed the file: every change here is
// followed by reads of the changed record and its neighbours, some of them
// through pages the reader's small cache no longer holds.
TEST_F(ProcessTest, PagesReadAroundALoadNeverOutliveTheirState) {
  constexpr uint32_t kRecords = 4000;
  auto writer = Open();
  ASSERT_TRUE(InsertRecords(*writer, 0, kRecords, 60).ok());
  auto reader = Open();
  std::vector<uint32_t> salt(kRecords, 0);
  std::mt19937 rng(11);
  Cursor c;
  bool found = false;
  for (int round = 1; round <= 400; ++round) {
    const uint32_t k = rng() % kRecords;
    // Often the reader has just read around k, so the bytes of k's page may
    // sit in what it read without being decoded yet.
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key((k + kRecords - 40) % kRecords), &c, &found).ok() && found);
    reader->EndOperation();
    PageStore& changer = round % 4 == 0 ? *reader : *writer;
    salt[k] = static_cast<uint32_t>(round);
    ASSERT_TRUE(Write(changer, [&]() -> Outcome { return changer.Update(Rec(k, 60, salt[k]), &found); }).ok());
    reader->BeginOperation(true);
    for (uint32_t d : {0u, 1u, 35u, kRecords - 35}) {
      const uint32_t j = (k + d) % kRecords;
      ASSERT_TRUE(reader->Find(Key(j), &c, &found).ok() && found);
      ASSERT_EQ(c.value(), Rec(j, 60, salt[j]).value()) << "record " << j << " in round " << round;
    }
    reader->EndOperation();
  }
}

// A read that may skip the reader slot never takes it while the file is
// unchanged, not even to load pages: it checks the header again after the
// pages each search loads. A commit made elsewhere before a load, and one stopped right after
// its commit point (its new pages only in the journal), make the read start
// over instead of mixing two states; the read that starts over sees the new
// state.
TEST_F(ProcessTest, UnlockedReadsCheckTheHeaderAfterTheirLoads) {
  auto reader = Open();
  ASSERT_TRUE(InsertRecords(*reader, 0, 3000, 200).ok());
  reader = Open();  // nothing cached
  std::unique_ptr<File> probe;
  ASSERT_EQ(File::Open(path_, 0x42, false, false, &probe), 0);
  auto slots_free = [&] {
    if (!probe->TryLock(kAllReadersOffset, kAllReadersLength, true)) return false;
    probe->Unlock(kAllReadersOffset, kAllReadersLength);
    return true;
  };
  Cursor c;
  bool found = false;
  auto find = [&](uint32_t k) { return reader->Find(Key(k), &c, &found); };

  reader->BeginOperation(true);  // nothing cached: the usual way
  ASSERT_TRUE(find(10).ok() && found);
  EXPECT_FALSE(slots_free());
  reader->EndOperation();

  reader->BeginOperation(true);
  ASSERT_TRUE(find(10).ok() && found);
  ASSERT_TRUE(find(2900).ok() && found);  // a page to load, the file unchanged
  EXPECT_TRUE(slots_free());
  reader->EndOperation();
  EXPECT_EQ(reader->restarts(), 0u);

  {
    auto writer = Open();
    reader->BeginOperation(true);
    ASSERT_TRUE(find(10).ok() && found);
    const Record changed = Rec(1500, 300, 7);
    ASSERT_TRUE(Write(*writer, [&]() -> Outcome { return writer->Update(changed, &found); }).ok());
    EXPECT_TRUE(find(1500).isRetry());
    reader->EndOperation();
    reader->BeginOperation(true);
    ASSERT_TRUE(find(1500).ok() && found);
    EXPECT_EQ(c.value(), changed.value());
    reader->EndOperation();
  }

  // The same with the writer stopped at each write or flush of its commit:
  // a read either sees the old value or starts over, and the read that
  // starts over sees the value of the file as it stands.
  const Record before = Rec(700, 200);
  const Record after = Rec(700, 310, 8);
  const std::string work = dir_ + "/work.krl";
  bool met_commit_point = false;
  reader.reset();
  for (int64_t stop = 0; stop < 100 && !met_commit_point; ++stop) {
    std::filesystem::copy_file(path_, work, std::filesystem::copy_options::overwrite_existing);
    auto r = OpenAt(work);
    r->BeginOperation(true);  // caches the pages of the first key
    ASSERT_TRUE(r->Find(Key(10), &c, &found).ok() && found);
    r->EndOperation();
    r->BeginOperation(true);
    ASSERT_TRUE(r->Find(Key(10), &c, &found).ok());
    {
      auto w = OpenAt(work);
      fault::Arm({.stop_from = stop});
      Write(*w, [&]() -> Outcome { return w->Update(after, &found); });
    }  // closed while still stopped: it gives nothing back either
    fault::Disarm();
    const int64_t ops_seen = stop;
    Outcome o = r->Find(Key(700), &c, &found);
    const bool restarted = o.isRetry();
    ASSERT_TRUE(restarted || (o.ok() && found)) << "stop " << ops_seen;
    r->EndOperation();
    if (!restarted) {
      EXPECT_EQ(c.value(), before.value()) << "stop " << ops_seen;
      continue;
    }
    r->BeginOperation(true);
    ASSERT_TRUE(r->Find(Key(700), &c, &found).ok() && found) << "stop " << ops_seen;
    r->EndOperation();
    met_commit_point = c.value() == after.value();
    if (!met_commit_point) {
      EXPECT_EQ(c.value(), before.value()) << "stop " << ops_seen;
    }
  }
  EXPECT_TRUE(met_commit_point) << "no stop index passed the commit point";
}

// The race the header check after each load is there for, made to happen:
// a page is read without the reader slot, a commit elsewhere rewrites
// pages in place, and only then is the header checked. The read starts
// over and then sees the new state.
TEST_F(ProcessTest, ACommitBetweenAnUnlockedLoadAndItsCheckRestartsTheRead) {
  auto reader = Open();
  ASSERT_TRUE(InsertRecords(*reader, 0, 3000, 200).ok());
  reader = Open();  // nothing cached
  Cursor c;
  bool found = false;
  reader->BeginOperation(true);
  ASSERT_TRUE(reader->Find(Key(10), &c, &found).ok() && found);
  reader->EndOperation();
  auto writer = Open();
  const Record changed = Rec(2900, 200, 9);  // same size: rewritten in place
  bool committed = false;
  Outcome commit;
  fault::SetReadHook([&](const std::string&, uint64_t offset) {
    if (committed || offset == 0) return;  // header reads go by
    committed = true;
    commit = Write(*writer, [&] { return writer->Update(changed, &found); });
  });
  reader->BeginOperation(true);
  Outcome o = reader->Find(Key(2900), &c, &found);
  fault::SetReadHook(nullptr);
  ASSERT_TRUE(committed);
  ASSERT_TRUE(commit.ok()) << commit.ToString();
  EXPECT_TRUE(o.isRetry()) << o.ToString();
  reader->EndOperation();
  reader->BeginOperation(true);
  ASSERT_TRUE(reader->Find(Key(2900), &c, &found).ok() && found);
  EXPECT_EQ(c.value(), changed.value());
  reader->EndOperation();
}

// A search without the reader slot checks the header once, after the last
// page it loads, and that one check covers every load: a commit elsewhere
// that rebuilds the tree after the search read its first page leaves it
// descending through stale and rewritten pages. Whatever those pages make
// it meet, torn images or a broken tree, the search answers Retry, reports
// no fault and keeps none of them; under the slot it then finds the new
// state.
TEST_F(ProcessTest, AnUnlockedSearchChecksTheHeaderOnceAndRestartsWhenTheTreeWasRebuilt) {
  // Enough leaves for an index level between them and the root.
  constexpr uint32_t kRecords = 12000;
  auto reader = Open();
  ASSERT_TRUE(InsertRecords(*reader, 0, kRecords, 600).ok());
  reader = Open();  // nothing cached
  Cursor c;
  bool found = false;
  int header_reads = 0, loads = 0;
  fault::SetReadHook([&](const std::string&, uint64_t offset) { (offset == 0 ? header_reads : loads) += 1; });
  reader->BeginOperation(true);
  ASSERT_TRUE(reader->Find(Key(10), &c, &found).ok() && found);
  reader->EndOperation();
  header_reads = loads = 0;
  // The root stays cached; the leaf of the last key and the page above it load.
  reader->BeginOperation(true);
  ASSERT_TRUE(reader->Find(Key(kRecords - 1), &c, &found).ok() && found);
  reader->EndOperation();
  fault::SetReadHook(nullptr);
  ASSERT_GE(loads, 2);
  EXPECT_EQ(header_reads, 2);  // at the start and after the last load
  reader = Open();

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key(10), &c, &found).ok() && found);
    reader->EndOperation();
    auto writer = Open();
    // Every record goes and comes back at another size: pages change size
    // class, move, and the tree gets another shape.
    const size_t length = round == 0 ? 3000 : 40;
    bool committed = false;
    Outcome commit;
    fault::SetReadHook([&](const std::string&, uint64_t offset) {
      if (committed || offset == 0) return;
      committed = true;
      commit = Write(*writer, [&]() -> Outcome {
        for (uint32_t k = 0; k < kRecords; ++k) {
          bool gone = false;
          KESTREL_RETURN_IF_FAILED(writer->Remove(Key(k), &gone));
        }
        for (uint32_t k = 0; k < kRecords; ++k) KESTREL_RETURN_IF_FAILED(writer->Insert(Rec(k, length, 7)));
        return Outcome::OK();
      });
    });
    reader->BeginOperation(true);
    Outcome o = reader->Find(Key(kRecords - 1), &c, &found);
    fault::SetReadHook(nullptr);
    ASSERT_TRUE(committed);
    ASSERT_TRUE(commit.ok()) << commit.ToString();
    EXPECT_TRUE(o.isRetry()) << o.ToString();
    EXPECT_FALSE(reader->failed());
    reader->EndOperation();
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key(kRecords - 1), &c, &found).ok() && found);
    EXPECT_EQ(c.value(), Rec(kRecords - 1, length, 7).value());
    reader->EndOperation();
    ExpectSound(*reader);
  }
}

// A search told not to check leaves its unlocked reads to the next search
// of the operation, even one that loads nothing, or to Confirm: a commit
// made while it loaded makes that next answer Retry.
TEST_F(ProcessTest, AnUncheckedSearchIsCheckedByTheNextOne) {
  constexpr uint32_t kRecords = 3000;
  ASSERT_TRUE(InsertRecords(*Open(), 0, kRecords, 200).ok());
  const Record changed = Rec(kRecords - 1, 200, 9);  // same size: rewritten in place
  enum class Then { kCachedRead, kConfirm };
  for (Then then : {Then::kCachedRead, Then::kConfirm}) {
    SCOPED_TRACE(then == Then::kCachedRead ? "cached read" : "confirm");
    auto reader = Open();
    Cursor c;
    bool found = false;
    std::string value;
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key(10), &c, &found).ok() && found);
    reader->EndOperation();
    auto writer = Open();
    bool committed = false;
    Outcome commit;
    fault::SetReadHook([&](const std::string&, uint64_t offset) {
      if (committed || offset == 0) return;
      committed = true;
      commit = Write(*writer, [&] { return writer->Update(changed, &found); });
    });
    reader->BeginOperation(true);
    Outcome o = reader->Find(Key(kRecords - 1), &c, &found, false);
    fault::SetReadHook(nullptr);
    ASSERT_TRUE(committed);
    ASSERT_TRUE(commit.ok()) << commit.ToString();
    ASSERT_TRUE(o.ok()) << o.ToString();  // not checked yet
    if (then == Then::kCachedRead) {
      o = reader->ReadValue(Key(10), &value, &found);  // its leaf is cached
    } else {
      o = reader->Confirm(Outcome::OK());
    }
    EXPECT_TRUE(o.isRetry()) << o.ToString();
    reader->EndOperation();
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key(kRecords - 1), &c, &found).ok() && found);
    EXPECT_EQ(c.value(), changed.value());
    reader->EndOperation();
    // Back to the old value for the next round.
    ASSERT_TRUE(Write(*writer, [&] { return writer->Update(Rec(kRecords - 1, 200), &found); }).ok());
  }
}

// A client of a network file system may see a fresh page beside a stale
// header, so the check proves nothing there: every read takes the slot.
TEST_F(ProcessTest, ReadsOnANetworkFileSystemAlwaysTakeTheReaderSlot) {
  ASSERT_TRUE(InsertRecords(*Open(), 0, 3000, 200).ok());
  fault::Arm({.network_fs = true});
  auto reader = Open();
  fault::Disarm();
  std::unique_ptr<File> probe;
  ASSERT_EQ(File::Open(path_, 0x42, false, false, &probe), 0);
  auto slots_free = [&] {
    if (!probe->TryLock(kAllReadersOffset, kAllReadersLength, true)) return false;
    probe->Unlock(kAllReadersOffset, kAllReadersLength);
    return true;
  };
  Cursor c;
  bool found = false;
  for (int warm = 0; warm < 2; ++warm) {
    reader->BeginOperation(true);
    ASSERT_TRUE(reader->Find(Key(10), &c, &found).ok() && found);
    EXPECT_FALSE(slots_free()) << "operation " << warm;
    ASSERT_TRUE(reader->Find(Key(2900), &c, &found).ok() && found);
    EXPECT_FALSE(slots_free()) << "operation " << warm;
    reader->EndOperation();
  }
  EXPECT_TRUE(slots_free());
}


// A writer of long cycles (one record per operation, the commit after 30)
// that writes pages before its commits: readers meanwhile see whole cycles
// only, and a kill leaves the cycles reported, or one more, whole.
constexpr uint32_t kCycle = 30;

[[noreturn]] void LongCycleLoop(const std::string& path, uint32_t first, int report_fd) {
  std::unique_ptr<PageStore> s;
  PageStore::OpenOptions o;
  o.spill_dirty_pages = 4;
  if (!PageStore::Open(path, o, &s).ok()) _exit(10);
  for (uint32_t c = first;; ++c) {
    s->BeginOperation();
    s->BeginWriteCycle();
    for (uint32_t j = 0; j < kCycle; ++j) {
      if (!s->Insert(Rec(c * kCycle + j, 1500 + (j * 97) % 2000, 3)).ok()) _exit(11);
      if (!s->EndOperation(true).ok()) _exit(12);
      s->BeginOperation();
    }
    bool found = false;
    Record counter(Key(kCounterKey), Key(c));
    if (!s->Update(counter, &found).ok()) _exit(13);
    if (!found && !s->Insert(counter).ok()) _exit(14);
    if (!s->EndOperation().ok()) _exit(15);
    if (write(report_fd, &c, sizeof c) != sizeof c) _exit(16);
  }
}

TEST_F(ProcessTest, KilledWriterOfLongCyclesLeavesWholeCyclesAndReadersSeeNoOther) {
  Open();
  std::mt19937 rng(7);
  uint32_t next = 0;
  for (int round = 0; round < 6; ++round) {
    ReportingWriter writer([&](int fd) { LongCycleLoop(path_, next, fd); });
    ASSERT_TRUE(writer.started());
    {
      auto reader = OpenAt(path_, 0x40, false);
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(40 + rng() % 200);
      while (std::chrono::steady_clock::now() < until) {
        Contents seen = ReadAll(*reader);
        seen.erase(Key(kCounterKey));
        ASSERT_EQ(seen.size() % kCycle, 0u) << "a reader saw part of a cycle";
      }
    }
    int64_t reported = 0;
    ASSERT_TRUE(writer.KillAndLastReport(static_cast<int64_t>(next) - 1, &reported));

    auto s = Open();
    ExpectSound(*s);
    Contents all = ReadAll(*s);
    const bool counted = all.erase(Key(kCounterKey)) > 0;
    ASSERT_EQ(all.size() % kCycle, 0u);
    const uint32_t n = static_cast<uint32_t>(all.size() / kCycle);
    ASSERT_TRUE(n == reported + 1 || n == reported + 2) << n << " cycles, " << reported << " reported";
    if (n > 0) {
      ASSERT_TRUE(counted);
      EXPECT_EQ(all.rbegin()->first, Key(n * kCycle - 1));
    }
    next = n;
  }
  EXPECT_GT(next, 6u);
}

}  // namespace
}  // namespace kestrel::testing
