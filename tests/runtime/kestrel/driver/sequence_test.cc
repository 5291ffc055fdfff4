// The SET family, Next/Previous/Skip/Bof/Eof and positions.
#include "driver_fixture.h"

#include <vector>

namespace kestrel::testing {
namespace {

class SequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateAndOpen(t);
    // Ids follow the order of addition; names are out of order and of mixed case.
    const char* names[] = {"Dora", "ana", "Carl", "bob", "Eve", "Carl"};
    for (int i = 0; i < 6; ++i) {
      AddStudent(t, 10 + i, names[i], "C" + std::to_string(i));
      ids.push_back(t.currentId());
    }
  }

  // Reads on with Next (or Previous) until 33, collecting the ID field.
  std::vector<int32_t> ReadAll(bool forward = true, size_t limit = 100) {
    std::vector<int32_t> out;
    while (out.size() < limit) {
      const int rc = forward ? t.Next() : t.Previous();
      if (rc != 0) {
        EXPECT_EQ(rc, rt::Error_RecordNotAvailable);
        break;
      }
      out.push_back(RowId(t));
    }
    return out;
  }

  TempDir dir;
  KestrelTable t{StudentDecl(dir.File("seq"))};
  std::vector<uint32_t> ids;
};

using Ids = std::vector<int32_t>;

TEST_F(SequenceTest, KeyOrderBothWaysWithDuplicatesInIdOrder) {
  ASSERT_EQ(t.SetKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(), (Ids{11, 13, 12, 15, 10, 14}));
  ASSERT_EQ(t.SetKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(false), (Ids{14, 10, 15, 12, 13, 11}));
  // From a key value: the first entry not smaller, or going back the last not greater.
  SetRow(t, 0, "carl");
  ASSERT_EQ(t.SetKeyKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(), (Ids{12, 15, 10, 14}));
  SetRow(t, 0, "CARL");
  ASSERT_EQ(t.SetKeyKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(false), (Ids{15, 12, 13, 11}));
  // From a key value and an id.
  SetRow(t, 0, "Carl");
  ASSERT_EQ(t.SetKeyKeyPtr(kKeyName, ids[5]), 0);
  EXPECT_EQ(ReadAll(), (Ids{15, 10, 14}));
  // From the entry of a given record.
  ASSERT_EQ(t.SetKeyPtr(kKeyName, ids[3]), 0);
  EXPECT_EQ(ReadAll(), (Ids{13, 12, 15, 10, 14}));
  EXPECT_EQ(t.SetKeyPtr(kKeyName, 9999), rt::Error_RecordNotFound);
}

TEST_F(SequenceTest, RecordIdOrderFromStartIdOrKeyValue) {
  ASSERT_EQ(t.SetFile(), 0);
  EXPECT_EQ(ReadAll(), (Ids{10, 11, 12, 13, 14, 15}));
  ASSERT_EQ(t.SetFile(), 0);
  EXPECT_EQ(ReadAll(false, 2), (Ids{15, 14}));
  ASSERT_EQ(t.SetFilePtr(ids[3]), 0);
  EXPECT_EQ(ReadAll(), (Ids{13, 14, 15}));
  ASSERT_EQ(t.SetFilePtr(0), 0);  // 0 or less: from the start
  EXPECT_EQ(ReadAll(true, 1), (Ids{10}));
  // Located through a key, then on in record-id order.
  SetRow(t, 0, "bob");
  ASSERT_EQ(t.SetFileKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(), (Ids{13, 14, 15}));
}

TEST_F(SequenceTest, ReadsContinueFromTheCurrentRecordAfterGetAndAcrossDeletes) {
  ASSERT_EQ(t.SetKey(kKeyName), 0);
  SetRow(t, 0, "bob");
  ASSERT_EQ(t.GetByKey(kKeyName), 0);
  EXPECT_EQ(ReadAll(true, 2), (Ids{12, 15}));
  ASSERT_EQ(t.Delete(), 0);  // deletes 15, the current record
  EXPECT_EQ(ReadAll(), (Ids{10, 14}));
  EXPECT_EQ(t.Next(), rt::Error_RecordNotAvailable);  // stays at the end
  EXPECT_EQ(t.Previous(), 0);
  EXPECT_EQ(RowId(t), 10);
}

TEST_F(SequenceTest, SkipBofAndEofDoNotRead) {
  ASSERT_EQ(t.SetKey(kKeyName), 0);
  bool at = false;
  ASSERT_EQ(t.Eof(&at), 0);
  EXPECT_FALSE(at);
  ASSERT_EQ(t.Skip(2), 0);
  SetRow(t, 77, "untouched");
  ASSERT_EQ(t.Bof(&at), 0);
  EXPECT_FALSE(at);
  EXPECT_EQ(RowId(t), 77);  // nothing was read
  ASSERT_EQ(t.Next(), 0);
  EXPECT_EQ(RowId(t), 12);
  ASSERT_EQ(t.Skip(-2), 0);
  ASSERT_EQ(t.Bof(&at), 0);
  EXPECT_TRUE(at);
  ASSERT_EQ(t.Skip(5), 0);  // on the last entry
  ASSERT_EQ(t.Eof(&at), 0);
  EXPECT_TRUE(at);
  EXPECT_EQ(t.Skip(1), rt::Error_RecordNotAvailable);
  EXPECT_EQ(t.Next(), rt::Error_RecordNotAvailable);
}

TEST_F(SequenceTest, PositionsResetAndRegetInBothOrders) {
  for (int key : {KestrelTable::kFileOrder, kKeyName}) {
    SCOPED_TRACE(key);
    SetRow(t, 0, "Carl");
    ASSERT_EQ(t.SetKeyKeyPtr(kKeyName, ids[5]), 0);
    ASSERT_EQ(t.Next(), 0);
    ASSERT_EQ(RowId(t), 15);
    std::string pos;
    ASSERT_EQ(t.Position(key, &pos), 0);
    EXPECT_EQ(pos.size(), key == KestrelTable::kFileOrder ? 4u : 24u);

    // Reset: the next read starts at the position itself.
    ASSERT_EQ(t.SetFile(), 0);
    ASSERT_EQ(t.ResetTo(key, pos), 0);
    ASSERT_EQ(t.Next(), 0);
    EXPECT_EQ(RowId(t), 15);

    SetRow(t, 0, "scratch");
    ASSERT_EQ(t.Reget(key, pos), 0);
    EXPECT_EQ(RowId(t), 15);
    EXPECT_EQ(RowName(t), "Carl");
  }
  // A key position whose entry changed no longer regets.
  std::string pos;
  ASSERT_EQ(t.Position(kKeyName, &pos), 0);
  SetRow(t, 15, "Zoe", "C5");
  ASSERT_EQ(t.Put(), 0);
  EXPECT_EQ(t.Reget(kKeyName, pos), rt::Error_RecordNotFound);
  ASSERT_EQ(t.Position(KestrelTable::kFileOrder, &pos), 0);
  ASSERT_EQ(t.Delete(), 0);
  EXPECT_EQ(t.Reget(KestrelTable::kFileOrder, pos), rt::Error_RecordNotFound);
}

TEST_F(SequenceTest, NextWithoutSetOrClosedFails) {
  EXPECT_EQ(t.Next(), rt::Error_RecordNotAvailable);
  ASSERT_EQ(t.Close(), 0);
  EXPECT_EQ(t.SetKey(kKeyName), rt::Error_FileNotOpen);
  EXPECT_EQ(t.Next(), rt::Error_FileNotOpen);
}

}  // namespace
}  // namespace kestrel::testing
