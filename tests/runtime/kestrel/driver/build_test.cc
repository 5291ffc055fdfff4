// Append and key builds, run-time indexes, stream mode, and internal
// consistency failures.
#include "driver_fixture.h"

#include "runtime/core/error_state.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel::testing {
namespace {

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateAndOpen(t);
    AddStudent(t, 1, "Ana", "A1");
    AddStudent(t, 2, "Bob", "B1");
  }
  int GetCode(const std::string& code) {
    SetRow(t, 0, "", code);
    return t.GetByKey(kKeyCode);
  }
  uint32_t KeyCount(int key) {
    uint32_t n = 0;
    EXPECT_EQ(t.RecordsKey(key, &n), 0);
    return n;
  }

  TempDir dir;
  KestrelTable t{StudentDecl(dir.File("build"))};
};

TEST_F(BuildTest, AppendedRecordsReachTheKeysOnlyAfterABuild) {
  SetRow(t, 3, "Cy", "C1");
  t.memos() = {"appended"};
  ASSERT_EQ(t.Append(), 0);
  uint32_t n = 0;
  ASSERT_EQ(t.Records(&n), 0);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(GetCode("C1"), rt::Error_RecordNotFound);
  EXPECT_EQ(KeyCount(kKeyCode), 2u);
  ASSERT_EQ(t.BuildKey(kKeyCode), 0);
  ASSERT_EQ(GetCode("C1"), 0);
  EXPECT_EQ(t.memos()[0], "appended");
  EXPECT_EQ(KeyCount(kKeyCode), 3u);
  SetRow(t, 3, "");
  EXPECT_EQ(t.GetByKey(kKeyId), rt::Error_RecordNotFound);  // this key was not built
  ASSERT_EQ(t.BuildFile(), 0);
  EXPECT_EQ(t.GetByKey(kKeyId), 0);
  EXPECT_EQ(KeyCount(kKeyName), 3u);
}

TEST_F(BuildTest, ABuildThatMeetsADuplicateFailsAndChangesNothing) {
  SetRow(t, 3, "Cy", "A1");  // duplicates Ana's code
  ASSERT_EQ(t.Append(), 0);
  EXPECT_EQ(t.BuildKey(kKeyCode), rt::Error_CreatesDuplicateKey);
  ASSERT_EQ(GetCode("A1"), 0);
  EXPECT_EQ(RowName(t), "Ana");
  EXPECT_EQ(KeyCount(kKeyCode), 2u);
  // The file's build rebuilds K_ID and K_NAME before it meets the duplicate
  // in K_CODE: none of that stays, in this process or the next.
  EXPECT_EQ(t.BuildFile(), rt::Error_CreatesDuplicateKey);
  for (int reopened = 0; reopened < 2; ++reopened) {
    SCOPED_TRACE(reopened);
    EXPECT_EQ(KeyCount(kKeyId), 2u);
    EXPECT_EQ(KeyCount(kKeyName), 2u);
    SetRow(t, 3, "");
    EXPECT_EQ(t.GetByKey(kKeyId), rt::Error_RecordNotFound);
    ASSERT_EQ(t.Close(), 0);
    ASSERT_EQ(t.Share(), 0);
  }
}

TEST_F(BuildTest, DeclaredIndexBuildsFromItsMarkerUnlessFullBuild) {
  TableDeclaration d = StudentDecl(dir.File("index"));
  d.layout->keys[kKeyName].attributes |= kKeyIndex;
  KestrelTable x(d);
  CreateAndOpen(x);
  AddStudent(x, 1, "Ana");
  SetRow(x, 2, "Bob");
  ASSERT_EQ(x.Append(), 0);
  ASSERT_EQ(x.BuildKey(kKeyName), 0);  // enters Bob only
  uint32_t n = 0;
  ASSERT_EQ(x.RecordsKey(kKeyName, &n), 0);
  EXPECT_EQ(n, 2u);
  SetRow(x, 0, "bob");
  EXPECT_EQ(x.GetByKey(kKeyName), 0);
  std::string previous;
  ASSERT_EQ(x.Send("FULLBUILD=ON", &previous), 0);
  EXPECT_EQ(previous, "OFF");
  ASSERT_EQ(x.BuildKey(kKeyName), 0);
  ASSERT_EQ(x.RecordsKey(kKeyName, &n), 0);
  EXPECT_EQ(n, 2u);
}

TEST_F(BuildTest, RunTimeIndexWithFilterOrdersTheChosenRecords) {
  AddStudent(t, 3, "Cy", "C1");
  int key = -1;
  // NAME descending, only records whose code does not start with "B".
  ASSERT_EQ(t.BuildDynamic(-1, {{1, 1}}, [](std::string_view row) { return row[24] != 'B'; }, &key), 0);
  ASSERT_EQ(t.SetKey(key), 0);
  std::vector<std::string> names;
  while (t.Next() == 0) names.push_back(RowName(t));
  EXPECT_EQ(names, (std::vector<std::string>{"Cy", "Ana"}));
  uint32_t n = 0;
  ASSERT_EQ(t.RecordsKey(key, &n), 0);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(t.BuildDynamic(-1, {}), rt::Error_InvalidIndexString);
}

// Stream mode defers commits: another reader of the file sees nothing until Flush.
TEST_F(BuildTest, StreamModeDefersCommitsUntilFlush) {
  auto committed_count = [&] {
    std::unique_ptr<PageStore> reader;
    PageStore::OpenOptions read_only;
    read_only.mode = 0x40;  // a writer would wait for our writer byte when closing
    EXPECT_TRUE(PageStore::Open(dir.File("build.KRL"), read_only, &reader).ok());
    reader->BeginOperation();
    Cursor c;
    bool found = false;
    EXPECT_TRUE(reader->Find(StatisticsKey(t.tableNumber(), kKindData), &c, &found).ok());
    Statistics s;
    EXPECT_TRUE(found && Statistics::Decode(c.value(), &s).ok());
    reader->EndOperation();
    return s.count;
  };
  ASSERT_EQ(t.Stream(), 0);
  for (int i = 3; i < 13; ++i) AddStudent(t, i, "S" + std::to_string(i));
  EXPECT_EQ(committed_count(), 2u);
  ASSERT_EQ(t.Flush(), 0);
  EXPECT_EQ(committed_count(), 12u);
}

// A data record of the wrong length is an internal consistency failure:
// error 90 with the file named, and nothing more is committed.
TEST_F(BuildTest, ConsistencyFailureIsError90AndCloseCommitsNothing) {
  const uint32_t victim = t.currentId();
  const uint32_t table = t.tableNumber();
  ASSERT_EQ(t.Close(), 0);
  {
    std::unique_ptr<PageStore> raw;
    ASSERT_TRUE(PageStore::Open(dir.File("build.KRL"), {}, &raw).ok());
    raw->BeginOperation();
    raw->BeginWriteCycle();
    bool found = false;
    ASSERT_TRUE(raw->Update(Record(DataKey(table, victim), "short"), &found).ok());
    ASSERT_TRUE(found);
    ASSERT_TRUE(raw->EndOperation().ok());
  }
  ASSERT_EQ(t.Share(), 0);
  ASSERT_EQ(t.Stream(), 0);
  AddStudent(t, 7, "Late");  // deferred by stream mode
  EXPECT_EQ(t.GetById(victim), rt::Error_FileSystemError);
  EXPECT_EQ(rt::ERRORCODE(), rt::Error_FileSystemError);
  EXPECT_EQ(rt::FileError().substr(0, 32), "Possible data corruption in file");
  EXPECT_EQ(rt::FileErrorCode(), std::to_string(static_cast<int>(kCheckRowSize)));
  EXPECT_NE(rt::ErrorFile().find("build.KRL"), std::string::npos);
  ASSERT_EQ(t.Close(), 0);
  ASSERT_EQ(t.Share(), 0);
  SetRow(t, 7, "");
  EXPECT_EQ(t.GetByKey(kKeyId), rt::Error_RecordNotFound);
}

}  // namespace
}  // namespace kestrel::testing
