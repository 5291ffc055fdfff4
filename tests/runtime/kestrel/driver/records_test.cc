// Add, get, put and delete with key maintenance, memos and watch.
#include "driver_fixture.h"

#include "runtime/core/error_state.h"

namespace kestrel::testing {
namespace {

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateAndOpen(t);
    AddStudent(t, 1, "Ana", "A1", "first note");
    AddStudent(t, 2, "Bob", "B1", std::string(600, 'x') + "tail");
    AddStudent(t, 3, "carl", "", "");
  }

  uint32_t Count(int key = -1) {
    uint32_t n = 0;
    EXPECT_EQ(key < 0 ? t.Records(&n) : t.RecordsKey(key, &n), 0);
    return n;
  }
  int GetId(int32_t id) {
    SetRow(t, id, "");
    return t.GetByKey(kKeyId);
  }
  int GetName(const std::string& name) {
    SetRow(t, 0, name);
    return t.GetByKey(kKeyName);
  }
  int GetCode(const std::string& code) {
    SetRow(t, 0, "", code);
    return t.GetByKey(kKeyCode);
  }

  TempDir dir;
  KestrelTable t{StudentDecl(dir.File("school\\!students"))};
};

TEST_F(RecordsTest, KeysFindRecordsAndCountsFollowChanges) {
  EXPECT_EQ(Count(), 3u);
  EXPECT_EQ(Count(kKeyId), 3u);
  EXPECT_EQ(Count(kKeyCode), 2u);  // the blank code has no entry
  ASSERT_EQ(GetName("CARL"), 0);   // case-insensitive key
  EXPECT_EQ(RowId(t), 3);
  ASSERT_EQ(GetCode("B1"), 0);
  EXPECT_EQ(RowName(t), "Bob");
  EXPECT_EQ(t.memos()[0], std::string(600, 'x') + "tail");
  EXPECT_EQ(GetCode(""), rt::Error_RecordNotFound);

  // Put moves the entries of changed keys only.
  ASSERT_EQ(GetId(3), 0);
  SetRow(t, 3, "Carla", "C1");
  ASSERT_EQ(t.PutById(t.currentId()), 0);
  EXPECT_EQ(GetName("carl"), rt::Error_RecordNotFound);
  EXPECT_EQ(GetName("carla"), 0);
  EXPECT_EQ(GetCode("C1"), 0);
  EXPECT_EQ(Count(kKeyCode), 3u);

  // Delete takes the record, its entries and its memos away.
  ASSERT_EQ(GetId(1), 0);
  const uint32_t gone = t.currentId();
  ASSERT_EQ(t.Delete(), 0);
  EXPECT_EQ(GetId(1), rt::Error_RecordNotFound);
  EXPECT_EQ(GetCode("A1"), rt::Error_RecordNotFound);
  EXPECT_EQ(t.GetById(gone), rt::Error_RecordNotFound);
  EXPECT_EQ(rt::ERRORCODE(), rt::Error_RecordNotFound);
  EXPECT_EQ(Count(), 2u);
  EXPECT_EQ(Count(kKeyId), 2u);
  EXPECT_EQ(t.Delete(), rt::Error_RecordNotAvailable);  // no current record any more
}

TEST_F(RecordsTest, UniqueViolationOnAddChangesNothing) {
  SetRow(t, 4, "Dora", "A1");
  t.memos() = {"never stored"};
  EXPECT_EQ(t.Add(), rt::Error_CreatesDuplicateKey);
  EXPECT_EQ(rt::ERRORCODE(), rt::Error_CreatesDuplicateKey);
  SetRow(t, 1, "Eve", "E1");  // duplicate primary key
  EXPECT_EQ(t.Add(), rt::Error_CreatesDuplicateKey);

  ASSERT_EQ(t.Close(), 0);
  ASSERT_EQ(t.Share(), 0);
  EXPECT_EQ(Count(), 3u);
  EXPECT_EQ(Count(kKeyName), 3u);
  EXPECT_EQ(Count(kKeyCode), 2u);
  EXPECT_EQ(GetName("Dora"), rt::Error_RecordNotFound);
  EXPECT_EQ(GetName("Eve"), rt::Error_RecordNotFound);
  EXPECT_EQ(GetId(4), rt::Error_RecordNotFound);
  ASSERT_EQ(GetCode("A1"), 0);
  EXPECT_EQ(t.memos()[0], "first note");
}

TEST_F(RecordsTest, UniqueViolationOnPutChangesNothing) {
  ASSERT_EQ(GetId(2), 0);
  const std::string before = t.record();
  SetRow(t, 2, "Zed", "A1");  // code taken by record 1
  t.memos() = {"changed"};
  EXPECT_EQ(t.Put(), rt::Error_CreatesDuplicateKey);

  ASSERT_EQ(t.Close(), 0);
  ASSERT_EQ(t.Share(), 0);
  ASSERT_EQ(GetId(2), 0);
  EXPECT_EQ(t.record(), before);
  EXPECT_EQ(t.memos()[0], std::string(600, 'x') + "tail");
  EXPECT_EQ(GetName("Zed"), rt::Error_RecordNotFound);
  ASSERT_EQ(GetCode("A1"), 0);
  EXPECT_EQ(RowId(t), 1);
  EXPECT_EQ(Count(kKeyName), 3u);
}

TEST_F(RecordsTest, PutAndDeleteNeedACurrentRecord) {
  KestrelTable other(StudentDecl(dir.File("school\\!students")));
  ASSERT_EQ(other.Share(), 0);
  SetRow(other, 9, "Nobody");
  EXPECT_EQ(other.Put(), rt::Error_RecordNotAvailable);
  EXPECT_EQ(other.Delete(), rt::Error_RecordNotAvailable);
}

TEST_F(RecordsTest, MemosAreRewrittenOnlyWhereChangedAndSkippedWithNoMemo) {
  ASSERT_EQ(GetId(2), 0);
  t.memos()[0] = "short now   ";
  ASSERT_EQ(t.Put(), 0);
  ASSERT_EQ(GetId(2), 0);
  EXPECT_EQ(t.memos()[0], "short now");  // trailing blanks are not stored

  // With no-memo the read leaves the memos alone and Put does not write them.
  t.NoMemo();
  ASSERT_EQ(GetId(1), 0);
  t.memos()[0] = "must not be written";
  ASSERT_EQ(t.Put(), 0);
  ASSERT_EQ(GetId(1), 0);
  EXPECT_EQ(t.memos()[0], "first note");
}

TEST_F(RecordsTest, WatchedRecordChangedElsewhereFailsWith89) {
  KestrelTable other(StudentDecl(dir.File("SCHOOL.KRL\\!Students")));
  ASSERT_EQ(other.Share(), 0);
  t.Watch();
  ASSERT_EQ(GetId(1), 0);
  SetRow(other, 1, "");
  ASSERT_EQ(other.GetByKey(kKeyId), 0);
  other.memos()[0] = "changed by the other";
  ASSERT_EQ(other.Put(), 0);

  SetRow(t, 1, "Ana B", "A1");
  EXPECT_EQ(t.Put(), rt::Error_RecordChangedByAnotherStation);
  // Read again with a watch: the put goes through.
  t.Watch();
  ASSERT_EQ(GetId(1), 0);
  SetRow(t, 1, "Ana B", "A1");
  EXPECT_EQ(t.Put(), 0);
  // Without a watch nobody checks.
  ASSERT_EQ(GetId(1), 0);
  ASSERT_EQ(other.GetById(t.currentId()), 0);
  ASSERT_EQ(other.Put(), 0);
  EXPECT_EQ(t.Put(), 0);
}

TEST_F(RecordsTest, AddMakesTheRecordCurrentAndDuplicateReportsOtherRecords) {
  AddStudent(t, 4, "Dora", "D1");
  const uint32_t id = t.currentId();
  EXPECT_GT(id, 0u);
  bool dup = true;
  ASSERT_EQ(t.Duplicate(&dup), 0);
  EXPECT_FALSE(dup);  // its own entries do not count
  SetRow(t, 4, "bob", "A1");
  ASSERT_EQ(t.Duplicate(&dup), 0);
  EXPECT_TRUE(dup);
  ASSERT_EQ(t.DuplicateKey(kKeyName, &dup), 0);
  EXPECT_TRUE(dup);  // "bob" matches "Bob" in a key without case
  SetRow(t, 4, "Dora", "D1");
  ASSERT_EQ(t.DuplicateKey(kKeyCode, &dup), 0);
  EXPECT_FALSE(dup);
}

}  // namespace
}  // namespace kestrel::testing
