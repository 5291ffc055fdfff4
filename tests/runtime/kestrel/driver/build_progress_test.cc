// Key builds on files with the progress attribute: noted, performed through
// BUILDevent with notices to the thread's receiver, and cancelled by it.
#include "driver_fixture.h"

#include <functional>
#include <vector>

#include "runtime/core/build_progress.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace kestrel::testing {
namespace {

class Recorder : public rt::BuildProgressReceiver {
 public:
  bool buildProgress(rt::FileControlBlock&, const rt::BuildProgress& p) override {
    notices.push_back(p);
    return !answer || answer(p);
  }
  std::vector<rt::BuildProgress> notices;
  std::function<bool(const rt::BuildProgress&)> answer;
};

constexpr int kRows = 300;

class BuildProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterKestrelDriver();
    previous_ = rt::setBuildProgressReceiver(&recorder);
    rt::FileDeclBuilder b("PUPILS", "P", dir.File("pupils\\!p"));
    b.Long("P:ID").String("P:NAME", 20);
    b.Key("P:K_ID", rt::kKeyPrimary, {"P:ID"});
    b.Key("P:K_NAME", rt::kKeyDuplicates | rt::kKeyNoCase, {"P:NAME"});
    b.Key("P:K_RUN", rt::kKeyDynamic | rt::kKeyDuplicates, {"P:ID"});
    file = std::make_unique<rt::FileControlBlock>(b.Build());
    ASSERT_EQ(rt::Create(*file), 0);
    // Appended rows get no key entries: the keys know them only once built.
    ASSERT_EQ(rt::Stream(*file), 0);
    for (int i = 1; i <= kRows; ++i) {
      rt::setInteger(*file, 0, i);
      rt::setText(*file, 1, "Name " + std::to_string(i));
      ASSERT_EQ(rt::Append(*file), 0);
    }
    ASSERT_EQ(rt::Flush(*file), 0);
    file->attributes |= rt::kFileProgress;
  }
  void TearDown() override {
    rt::Close(*file);
    rt::setBuildProgressReceiver(previous_);
  }

  // Rows found through `key` in key order.
  int CountByKey(int key) {
    int n = 0;
    EXPECT_EQ(rt::SetKey(*file, key), 0);
    while (rt::Next(*file) == 0) ++n;
    return n;
  }
  std::vector<rt::BuildProgress> Stage(rt::BuildStage stage) const {
    std::vector<rt::BuildProgress> out;
    for (const auto& p : recorder.notices) {
      if (p.stage == stage) out.push_back(p);
    }
    return out;
  }

  TempDir dir;
  Recorder recorder;
  std::unique_ptr<rt::FileControlBlock> file;

 private:
  rt::BuildProgressReceiver* previous_ = nullptr;
};

TEST_F(BuildProgressTest, KeyBuildReportsItsStepsThenDone) {
  ASSERT_EQ(CountByKey(1), 0);
  ASSERT_EQ(rt::BuildKey(*file, 1), 0);
  EXPECT_EQ(CountByKey(1), kRows);
  EXPECT_EQ(rt::Records(*file, 1), kRows);

  const auto keys = Stage(rt::BuildStage_Key);
  ASSERT_GE(keys.size(), 50u);  // about a hundred, never one per row
  EXPECT_LE(keys.size(), 110u);
  EXPECT_EQ(keys.front().done, 0u);
  EXPECT_EQ(keys.front().total, 2u * kRows);  // one step per row read, one per entry written
  EXPECT_EQ(keys.back().done, keys.back().total);
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].key, 1);
    if (i > 0) {
      EXPECT_GT(keys[i].done, keys[i - 1].done);
    }
  }
  ASSERT_EQ(recorder.notices.back().stage, rt::BuildStage_Done);
  EXPECT_EQ(recorder.notices.back().error, 0);
  EXPECT_EQ(Stage(rt::BuildStage_Done).size(), 1u);
}

TEST_F(BuildProgressTest, FileBuildAnnouncesItsKeys) {
  ASSERT_EQ(rt::Build(*file), 0);
  EXPECT_EQ(CountByKey(0), kRows);
  EXPECT_EQ(CountByKey(1), kRows);
  ASSERT_EQ(recorder.notices.front().stage, rt::BuildStage_File);
  EXPECT_EQ(recorder.notices.front().total, 2u);  // the run-time index is not a file key
  std::vector<int> started;
  for (const auto& p : Stage(rt::BuildStage_Key)) {
    if (p.done == 0) started.push_back(p.key);
  }
  EXPECT_EQ(started, (std::vector<int>{0, 1}));
}

// A build cancelled at any point, while rows are read or while entries are
// written, fails with 93 and leaves the keys as they were; a later build
// still works.
TEST_F(BuildProgressTest, CancelledBuildChangesNothing) {
  struct Case {
    const char* name;
    std::function<int()> build;
    uint64_t cancel_at;  // steps of a key (of 2 * kRows)
  };
  const Case cases[] = {
      {"key, reading rows", [&] { return rt::BuildKey(*file, 1); }, kRows / 3},
      {"key, writing entries", [&] { return rt::BuildKey(*file, 1); }, kRows + kRows / 2},
      {"file, second key", [&] { return rt::Build(*file); }, kRows + 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder.notices.clear();
    bool second_key = false;
    recorder.answer = [&](const rt::BuildProgress& p) {
      if (p.stage == rt::BuildStage_Key && p.key == 1) second_key = true;
      const bool armed = std::string(c.name).rfind("file", 0) != 0 || second_key;
      return !(armed && p.stage == rt::BuildStage_Key && p.done >= c.cancel_at);
    };
    EXPECT_EQ(c.build(), rt::Error_BuildCancelled);
    EXPECT_EQ(rt::ERRORCODE(), rt::Error_BuildCancelled);
    ASSERT_EQ(recorder.notices.back().stage, rt::BuildStage_Done);
    EXPECT_EQ(recorder.notices.back().error, rt::Error_BuildCancelled);
    EXPECT_EQ(CountByKey(0), 0);
    EXPECT_EQ(CountByKey(1), 0);
    EXPECT_EQ(rt::Records(*file, 1), 0);
    EXPECT_EQ(rt::Records(*file), kRows);
  }
  // What another process sees after the cancelled builds: the same.
  recorder.answer = nullptr;
  rt::Close(*file);
  ASSERT_EQ(rt::Share(*file), 0);
  EXPECT_EQ(CountByKey(1), 0);
  ASSERT_EQ(rt::BuildKey(*file, 1), 0);
  EXPECT_EQ(CountByKey(1), kRows);
}

TEST_F(BuildProgressTest, CancelOnTheFileNoticeStopsBeforeAnyKey) {
  recorder.answer = [](const rt::BuildProgress& p) { return p.stage != rt::BuildStage_File; };
  EXPECT_EQ(rt::Build(*file), rt::Error_BuildCancelled);
  EXPECT_TRUE(Stage(rt::BuildStage_Key).empty());
  EXPECT_EQ(CountByKey(0), 0);
}

// A cancelled run-time index build keeps the index built before it, with
// its own components.
TEST_F(BuildProgressTest, CancelledRunTimeIndexKeepsThePreviousOne) {
  ASSERT_EQ(rt::BuildDynamic(*file, 2, "-P:ID"), 0);
  recorder.answer = [](const rt::BuildProgress& p) { return p.done < 10; };
  EXPECT_EQ(rt::BuildDynamic(*file, 2, "+P:ID"), rt::Error_BuildCancelled);
  ASSERT_EQ(rt::SetKey(*file, 2), 0);
  ASSERT_EQ(rt::Next(*file), 0);
  EXPECT_EQ(rt::getInteger(*file, 0).value_or(0), kRows);  // still descending
  EXPECT_EQ(CountByKey(2), kRows);
}

// The filter of a noted run-time index build is still asked when the build
// is performed, and the caller's buffer comes back unchanged.
TEST_F(BuildProgressTest, FilteredRunTimeIndexBuildsThroughBuildEvent) {
  rt::setInteger(*file, 0, 4242);
  ASSERT_EQ(rt::BuildDynamic(*file, 2, "+P:ID", {},
                             [](rt::FileControlBlock& row) { return rt::getInteger(row, 0).value_or(0) % 3 == 0; }),
            0);
  EXPECT_EQ(rt::getInteger(*file, 0).value_or(0), 4242);
  EXPECT_EQ(CountByKey(2), kRows / 3);
  EXPECT_FALSE(Stage(rt::BuildStage_Key).empty());
}

TEST_F(BuildProgressTest, WithoutTheAttributeBuildsRunAtOnceUnseen) {
  file->attributes &= ~rt::kFileProgress;
  rt::DriverArgs args;
  args.key = 1;
  ASSERT_EQ(rt::callFile(*file, rt::Op_BUILDkey, args), 0);
  EXPECT_EQ(args.value, 0);
  EXPECT_EQ(CountByKey(1), kRows);
  EXPECT_TRUE(recorder.notices.empty());
}

// The driver's side alone: a build is only noted, BUILDevent performs it,
// and BUILDevent with nothing noted does nothing.
TEST_F(BuildProgressTest, BuildIsNotedUntilBuildEvent) {
  rt::DriverArgs args;
  args.key = 1;
  ASSERT_EQ(rt::callFile(*file, rt::Op_BUILDkey, args), 0);
  EXPECT_EQ(args.value, rt::kBuildNoted);
  EXPECT_EQ(CountByKey(1), 0);
  EXPECT_TRUE(recorder.notices.empty());
  ASSERT_EQ(rt::BuildEvent(*file), 0);
  EXPECT_EQ(CountByKey(1), kRows);
  recorder.notices.clear();
  EXPECT_EQ(rt::BuildEvent(*file), 0);
  EXPECT_TRUE(recorder.notices.empty());
}

}  // namespace
}  // namespace kestrel::testing
