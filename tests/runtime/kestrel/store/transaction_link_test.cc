#include <gtest/gtest.h>

#include <filesystem>

#include "store_fixture.h"

namespace kestrel::testing {
namespace {

using TransactionLinkTest = StoreTest;

// A journal left by a multi-file commit names its transaction; the journal
// is applied only when the transaction control file no longer holds the id.
TEST_F(TransactionLinkTest, ControlFileDecidesApplyOrDiscard) {
  const std::string txid("\x39\x30\x00\x00", 4);
  struct Case {
    const char* name;
    bool control_file;
    bool id_pending;
    bool applied;
  };
  const Case cases[] = {
      {"commit point passed", true, false, true},
      {"transaction still pending", true, true, false},
      {"control file missing", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directory(dir_);
    {
      auto s = Open();
      ASSERT_TRUE(Write(*s, [&] { return s->Insert(Rec(1, 40)); }).ok());
    }
    if (c.control_file) {
      auto tcf = OpenAt(dir_ + "/kestrel.tcf");
      ASSERT_TRUE(Write(*tcf, [&] { return tcf->Insert(Record(c.id_pending ? txid : "other", "")); }).ok());
    }
    {
      auto s = Open();
      s->BeginOperation();
      s->BeginWriteCycle();
      ASSERT_TRUE(s->Insert(Rec(2, 40)).ok());
      ASSERT_TRUE(s->Insert(Record("\xFF", txid + std::string("C:\\kEstreL.TCF\0", 15))).ok());
      ASSERT_TRUE(s->CommitPhase1().ok());
      fault::Arm({.stop_from = 0});  // the process dies at its commit point
    }
    fault::Disarm();
    {
      auto reader = Open(0x40, false);
      EXPECT_EQ(ReadAll(*reader).count(Key(2)), c.applied ? 1u : 0u);
    }
    auto s = Open();
    ASSERT_TRUE(Write(*s, [&] { return s->Insert(Rec(3, 40)); }).ok());
    Contents all = ReadAll(*s);
    EXPECT_EQ(all.count(Key(2)), c.applied ? 1u : 0u);
    EXPECT_EQ(all.count("\xFF"), c.applied ? 1u : 0u);
    EXPECT_EQ(all.count(Key(3)), 1u);
    ExpectSound(*s);
  }
}

}  // namespace
}  // namespace kestrel::testing
