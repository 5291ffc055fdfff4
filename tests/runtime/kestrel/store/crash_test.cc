#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "runtime/kestrel/os/status.h"
#include "store_fixture.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

// One commit's worth of changes, replayable on any copy of the file.
struct Change {
  bool remove;
  Record record;
};

std::vector<Change> PlanCommit(uint32_t seed, const Contents& model) {
  std::mt19937 rng(seed);
  std::vector<Change> plan;
  Contents after = model;
  for (int i = 0; i < 25; ++i) {
    uint32_t k = rng() % 400;
    // Sizes swing between small and large, so pages change size class.
    size_t len = rng() % 5 == 0 ? 1500 + rng() % 6000 : 10 + rng() % 200;
    if (after.count(Key(k)) && rng() % 2) {
      plan.push_back({true, Record(Key(k), "")});
      after.erase(Key(k));
    } else if (!after.count(Key(k))) {
      plan.push_back({false, Rec(k, len, seed)});
      after[Key(k)] = std::string(plan.back().record.value());
    }
  }
  return plan;
}

Contents Apply(const std::vector<Change>& plan, Contents model) {
  for (const Change& c : plan) {
    if (c.remove) {
      model.erase(std::string(c.record.key()));
    } else {
      model[std::string(c.record.key())] = std::string(c.record.value());
    }
  }
  return model;
}

Outcome RunPlan(PageStore& s, const std::vector<Change>& plan) {
  return StoreTest::Write(s, [&]() -> Outcome {
    for (const Change& c : plan) {
      bool found = false;
      if (c.remove) {
        KESTREL_RETURN_IF_FAILED(s.Remove(c.record.key(), &found));
      } else {
        KESTREL_RETURN_IF_FAILED(s.Insert(c.record));
      }
    }
    return Outcome::OK();
  });
}

class CrashTest : public StoreTest {
 protected:
  // The state a fresh process sees: first a reader (reading through a
  // pending journal), then a writer (recovering it). Both must agree.
  // The writer may share the file, deny others writing, or deny all.
  Contents Reopened(const std::string& path, int writer_mode = 0x42) {
    Contents seen;
    {
      auto reader = OpenAt(path, 0x40, false);  // read access, deny none
      seen = ReadAll(*reader);
    }
    auto writer = OpenAt(path, writer_mode, false);
    EXPECT_TRUE(Write(*writer, [&]() -> Outcome {
                  uint32_t id;
                  return writer->NextId(&id);
                }).ok());
    EXPECT_TRUE(Same(ReadAll(*writer), seen));
    ExpectSound(*writer);
    return seen;
  }

  int64_t CountOperations(const std::vector<Change>& plan) {
    std::string probe = dir_ + "/probe.krl";
    fs::copy_file(path_, probe, fs::copy_options::overwrite_existing);
    auto s = OpenAt(probe);
    fault::Arm({});
    EXPECT_TRUE(RunPlan(*s, plan).ok());
    int64_t n = fault::OperationsSeen();
    return n;
  }
};

// Every write and flush of a commit in turn is the moment of the crash.
TEST_F(CrashTest, StoppingAtEveryWriteOrFlushLeavesOldOrNewState) {
  Contents model;
  {
    auto s = Open();
    auto plan = PlanCommit(1, model);
    ASSERT_TRUE(RunPlan(*s, plan).ok());
    model = Apply(plan, model);
  }
  const std::string work = dir_ + "/work.krl";
  for (uint32_t round = 2; round < 8; ++round) {
    auto plan = PlanCommit(round, model);
    Contents next = Apply(plan, model);
    const int64_t total = CountOperations(plan);
    ASSERT_GT(total, 4);
    int news = 0;
    for (int64_t stop = 0; stop <= total; ++stop) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " stop " << stop << " of " << total);
      fs::copy_file(path_, work, fs::copy_options::overwrite_existing);
      {
        auto s = OpenAt(work);
        fault::Arm({.stop_from = stop});
        RunPlan(*s, plan);
      }  // the crashed process goes away; nothing more reaches the disk
      fault::Disarm();
      const int modes[] = {0x42, 0x22, 0x12};
      Contents seen = Reopened(work, modes[stop % 3]);
      bool is_old = Same(seen, model), is_new = Same(seen, next);
      ASSERT_TRUE(is_old || is_new);
      if (stop == 0) {
        EXPECT_TRUE(is_old);
      }
      if (stop == total) {
        EXPECT_TRUE(is_new);
      }
      // Once the commit point is passed, it stays passed.
      if (news > 0) {
        EXPECT_TRUE(is_new);
      }
      news += is_new;
    }
    auto s = Open();
    ASSERT_TRUE(RunPlan(*s, plan).ok());
    model = next;
  }
}

TEST_F(CrashTest, FailedWriteOrFlushReportsTheErrorAndKeepsAConsistentFile) {
  Contents model;
  {
    auto s = Open();
    auto plan = PlanCommit(11, model);
    ASSERT_TRUE(RunPlan(*s, plan).ok());
    model = Apply(plan, model);
  }
  auto plan = PlanCommit(12, model);
  Contents next = Apply(plan, model);
  const std::string work = dir_ + "/work.krl";
  for (int flush = 0; flush < 2; ++flush) {
    for (int64_t n = 0; n < 40; ++n) {
      SCOPED_TRACE(::testing::Message() << (flush ? "flush " : "write ") << n);
      fs::copy_file(path_, work, fs::copy_options::overwrite_existing);
      auto s = OpenAt(work);
      fault::Arm(flush ? fault::Plan{.fail_flush = n} : fault::Plan{.fail_write = n});
      Outcome o = RunPlan(*s, plan);
      fault::Disarm();
      if (!o.ok()) {
        EXPECT_EQ(o.code(), rt::Error_SystemWriteFault);
      }
      // The same store carries on: it re-reads the file and can commit again.
      Contents seen = ReadAll(*s);
      ASSERT_TRUE(Same(seen, o.ok() ? next : seen));
      ASSERT_TRUE(Same(seen, model) || Same(seen, next));
      ASSERT_TRUE(Write(*s, [&] { return s->Insert(Rec(100000, 30)); }).ok());
      s.reset();
      EXPECT_EQ(Reopened(work).count(Key(100000)), 1u);
    }
  }
}

// A commit whose journal and new pages each span several gathered writes:
// a crash between the writes of one run, or a failure of any of them,
// still leaves the old or the new state.
TEST_F(CrashTest, CommitSplitIntoManyGatheredWrites) {
  // Records of 7000 bytes: two to a page, so 2 * cap / 7000 records fill
  // at least two gathered writes.
  const uint32_t n = static_cast<uint32_t>(2 * PageStore::kMaxGatherBytes / 7000 + 2);
  Contents model;
  std::vector<Change> first;
  for (uint32_t k = 0; k < n; ++k) first.push_back({false, Rec(k, 7000, 1)});
  {
    auto s = Open();
    ASSERT_TRUE(RunPlan(*s, first).ok());
    model = Apply(first, model);
  }
  // Every old page goes through the journal (removed and re-added with
  // other values), and as many new pages go straight past the old end.
  std::vector<Change> plan;
  for (uint32_t k = 0; k < n; ++k) plan.push_back({true, Record(Key(k), "")});
  for (uint32_t k = 0; k < 2 * n; ++k) plan.push_back({false, Rec(k, 7000, 2)});
  const Contents next = Apply(plan, model);
  const std::string work = dir_ + "/work.krl";
  const int64_t total = CountOperations(plan);
  // Unsplit, the commit would take 4 flushes, 2 header writes and 3 runs.
  ASSERT_GT(total, 12);
  for (int64_t stop = 0; stop <= total; ++stop) {
    SCOPED_TRACE(::testing::Message() << "stop " << stop << " of " << total);
    fs::copy_file(path_, work, fs::copy_options::overwrite_existing);
    {
      auto s = OpenAt(work);
      fault::Arm({.stop_from = stop});
      RunPlan(*s, plan);
    }
    fault::Disarm();
    Contents seen = Reopened(work);
    ASSERT_TRUE(stop == total ? Same(seen, next) : Same(seen, model) || Same(seen, next));
  }
  for (int64_t fail = 0; fail < total; ++fail) {
    SCOPED_TRACE(::testing::Message() << "failed write " << fail);
    fs::copy_file(path_, work, fs::copy_options::overwrite_existing);
    {
      auto s = OpenAt(work);
      fault::Arm({.fail_write = fail});
      Outcome o = RunPlan(*s, plan);
      fault::Disarm();
      if (!o.ok()) {
        EXPECT_EQ(o.code(), rt::Error_SystemWriteFault);
      }
    }
    Contents seen = Reopened(work);
    ASSERT_TRUE(Same(seen, model) || Same(seen, next));
  }
}

// A journal whose last image is cut short is discarded, although the
// bounds at position 0 say a commit passed its commit point.
TEST_F(CrashTest, CutShortJournalIsDiscarded) {
  Contents model;
  {
    auto s = Open();
    auto plan = PlanCommit(21, model);
    ASSERT_TRUE(RunPlan(*s, plan).ok());
    model = Apply(plan, model);
  }
  auto plan = PlanCommit(22, model);
  Contents next = Apply(plan, model);
  const std::string work = dir_ + "/work.krl";
  const int64_t total = CountOperations(plan);
  for (int64_t stop = 0; stop <= total; ++stop) {
    fs::copy_file(path_, work, fs::copy_options::overwrite_existing);
    {
      auto s = OpenAt(work);
      fault::Arm({.stop_from = stop});
      RunPlan(*s, plan);
    }
    fault::Disarm();
    Header h;
    {
      std::ifstream in(work, std::ios::binary);
      std::string head(512, '\0');
      in.read(head.data(), 512);
      ASSERT_TRUE(Header::Decode(head, &h).ok());
    }
    if (!h.journalPending()) continue;  // not yet at the commit point
    fs::resize_file(work, h.journal_end - 100);
    EXPECT_TRUE(Same(Reopened(work), model));
    return;
  }
  FAIL() << "no stop index left a pending journal";
}

}  // namespace
}  // namespace kestrel::testing
