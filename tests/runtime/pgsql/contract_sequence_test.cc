// Reading in sequence: key orders (case folding, descending components,
// left-out blank entries), the SET family, Next and Previous around
// changes, Skip, Bof and Eof, positions.
#include "contract_fixture.h"

namespace contract {
namespace {

// id name  code grade        K_NAME (no case)      K_GRADE (-grade, name)
//  1 dora  D1   7.00         Ana Bob carl Carl     Ana(9.5) Carl(7.5) Bob(7)
//  2 Ana   A2   9.50         dan dora              bea(7) dora(7) dan(6) carl(4)
//  3 carl       4.00
//  4 Bob   B4   7.00
//  5 bea        7.00
//  6 Carl  C6   7.50
//  7 dan   D7   6.00
class Sequence : public Contract {
 protected:
  void SetUp() override {
    Contract::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    f = Students();
    const struct {
      int id;
      const char *name, *code, *grade;
    } rows[] = {{1, "dora", "D1", "7"}, {2, "Ana", "A2", "9.5"}, {3, "carl", "", "4"}, {4, "Bob", "B4", "7"},
                {5, "bea", "", "7"},    {6, "Carl", "C6", "7.5"}, {7, "dan", "D7", "6"}};
    for (const auto& r : rows) {
      AddRow(*f, r.id, r.name, r.code, r.grade);
      rid[r.id] = rt::Pointer(*f);
    }
  }
  std::unique_ptr<rt::FileControlBlock> f;
  uint32_t rid[9] = {};  // record ids by S:ID (a driver numbers records its own way)
};

TEST_P(Sequence, KeyOrdersBothWays) {
  const struct {
    int key;
    const char *forward, *backward;
  } cases[] = {
      {kId, "1 2 3 4 5 6 7", "7 6 5 4 3 2 1"},
      {kName, "2 5 4 3 6 7 1", "1 7 6 3 4 5 2"},   // case folded; equal names in id order
      {kCode, "2 4 6 1 7", "7 1 6 4 2"},           // blank codes left out
      {kGrade, "2 6 4 5 1 7 3", "3 7 1 5 4 6 2"},  // grade descending, then the name's bytes: "Bob" < "bea"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    ASSERT_EQ(rt::SetKey(*f, c.key), 0);
    EXPECT_EQ(Walk(*f), c.forward);
    ASSERT_EQ(rt::SetKey(*f, c.key), 0);
    EXPECT_EQ(Walk(*f, false), c.backward);
  }
  ASSERT_EQ(rt::SetFile(*f), 0);
  EXPECT_EQ(Walk(*f), "1 2 3 4 5 6 7");
  ASSERT_EQ(rt::SetFile(*f), 0);
  EXPECT_EQ(Walk(*f, false), "7 6 5 4 3 2 1");
}

TEST_P(Sequence, SetFamilyStartsWhereTheBufferSays) {
  // SETkeykey: from the first entry not smaller than the buffer's value,
  // and going back from the last entry not greater.
  SetRow(*f, 0, "CARL");
  ASSERT_EQ(rt::SetKeyKey(*f, kName), 0);
  EXPECT_EQ(Walk(*f), "3 6 7 1");
  SetRow(*f, 0, "CARL");
  ASSERT_EQ(rt::SetKeyKey(*f, kName), 0);
  EXPECT_EQ(Walk(*f, false), "6 3 4 5 2");
  SetRow(*f, 0, "c");
  ASSERT_EQ(rt::SetKeyKey(*f, kName), 0);
  EXPECT_EQ(Walk(*f), "3 6 7 1");
  // SETkeykeyptr: the value and a record id.
  SetRow(*f, 0, "carl");
  ASSERT_EQ(rt::SetKeyKeyPtr(*f, kName, rid[6]), 0);
  EXPECT_EQ(Walk(*f), "6 7 1");
  // SETkeyptr: from a record's own entry.
  ASSERT_EQ(rt::SetKeyPtr(*f, kGrade, rid[4]), 0);
  EXPECT_EQ(Walk(*f), "4 5 1 7 3");
  EXPECT_EQ(rt::SetKeyPtr(*f, kCode, rid[3]), rt::Error_RecordNotFound);  // record 3 has no code entry
  // SETfileptr: record-id order from an id; SETfilekey: from the record a key finds.
  ASSERT_EQ(rt::SetFilePtr(*f, rid[5]), 0);
  EXPECT_EQ(Walk(*f), "5 6 7");
  SetRow(*f, 0, "", "C");
  ASSERT_EQ(rt::SetFileKey(*f, kCode), 0);
  EXPECT_EQ(Walk(*f), "6 7");
  SetRow(*f, 0, "", "Z");
  ASSERT_EQ(rt::SetFileKey(*f, kCode), 0);
  EXPECT_EQ(rt::Next(*f), rt::Error_RecordNotAvailable);
}

TEST_P(Sequence, ReadingGoesOnFromTheCurrentRecord) {
  ASSERT_EQ(rt::SetKey(*f, kName), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 5);
  ASSERT_EQ(rt::Previous(*f), 0);
  EXPECT_EQ(Id(*f), 2);
  ASSERT_EQ(rt::Next(*f), 0);
  // A Put that moves the record in the order: reading goes on from its new place.
  rt::setText(*f, 1, "cz");
  ASSERT_EQ(rt::Put(*f), 0);
  EXPECT_EQ(Walk(*f), "7 1");
  // After Get and Add too.
  SetRow(*f, 4, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(Walk(*f, true, 2), "3 6");
  AddRow(*f, 8, "Bz");
  EXPECT_EQ(Walk(*f, true, 2), "3 6");
  // A record deleted under the sequence is stepped over.
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  auto other = Second();
  SetRow(*other, 2, "");
  ASSERT_EQ(rt::Get(*other, kId), 0);
  ASSERT_EQ(rt::Delete(*other), 0);
  EXPECT_EQ(Walk(*f, true, 1), "3");
  // Previous right after a Set starts from the last record; past either
  // end: 33, and the sequence stays usable.
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Previous(*f), 0);
  EXPECT_EQ(Id(*f), 8);
  EXPECT_EQ(rt::Next(*f), rt::Error_RecordNotAvailable);
  ASSERT_EQ(rt::Previous(*f), 0);
  EXPECT_EQ(Id(*f), 7);
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(rt::Previous(*f), rt::Error_RecordNotAvailable);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 3);
}

TEST_P(Sequence, ReadsSeeWritesOfOtherBlocksAfterTheirPosition) {
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  auto other = Second();
  SetRow(*other, 3, "");
  ASSERT_EQ(rt::Get(*other, kId), 0);
  rt::setText(*other, 1, "changed");
  ASSERT_EQ(rt::Put(*other), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 3);
  EXPECT_EQ(Name(*f), "changed");
}

TEST_P(Sequence, SkipBofEof) {
  ASSERT_EQ(rt::SetKey(*f, kName), 0);
  EXPECT_TRUE(rt::Bof(*f));
  EXPECT_FALSE(rt::Eof(*f));
  ASSERT_EQ(rt::Skip(*f, 2), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 4);
  EXPECT_FALSE(rt::Bof(*f));
  ASSERT_EQ(rt::Skip(*f, -2), 0);  // back over Bob and bea: before Ana's successor
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 5);
  // A Skip that runs past the end fails there.
  EXPECT_EQ(rt::Skip(*f, 20), rt::Error_RecordNotAvailable);
  EXPECT_EQ(rt::Next(*f), rt::Error_RecordNotAvailable);
  ASSERT_EQ(rt::SetKey(*f, kName), 0);
  ASSERT_EQ(rt::Skip(*f, 6), 0);
  EXPECT_FALSE(rt::Eof(*f));
  ASSERT_EQ(rt::Skip(*f, 1), 0);
  EXPECT_TRUE(rt::Eof(*f));
}

TEST_P(Sequence, PositionsResetAndReget) {
  SetRow(*f, 0, "carl");
  ASSERT_EQ(rt::SetKeyKey(*f, kName), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  ASSERT_EQ(Id(*f), 6);
  const std::string by_name = rt::Position(*f, kName);
  const std::string by_id = rt::Position(*f);
  ASSERT_FALSE(by_name.empty());
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Next(*f), 0);

  ASSERT_EQ(rt::Reset(*f, kName, by_name), 0);
  EXPECT_EQ(Walk(*f), "6 7 1");
  ASSERT_EQ(rt::Reset(*f, kName, by_name), 0);
  EXPECT_EQ(Walk(*f, false), "6 3 4 5 2");
  ASSERT_EQ(rt::Reset(*f, by_id), 0);
  EXPECT_EQ(Walk(*f), "6 7");

  ASSERT_EQ(rt::Reget(*f, kName, by_name), 0);
  EXPECT_EQ(Id(*f), 6);
  EXPECT_EQ(Walk(*f), "7");  // Reget sets the current record; the order set last (record ids) stays
  ASSERT_EQ(rt::Reget(*f, by_id), 0);
  EXPECT_EQ(Name(*f), "Carl");
  // The key entry the position names is gone once the record's name changed.
  rt::setText(*f, 1, "Zoe");
  ASSERT_EQ(rt::Put(*f), 0);
  EXPECT_EQ(rt::Reget(*f, kName, by_name), rt::Error_RecordNotFound);
  EXPECT_EQ(rt::Reget(*f, by_id), 0);
  EXPECT_EQ(rt::Reget(*f, std::string("\0\0\0\x63", 4)), rt::Error_RecordNotFound);
}

TEST_P(Sequence, SavedStatesComeBack) {
  ASSERT_EQ(rt::SetKey(*f, kName), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  const int64_t state = rt::GetState(*f);
  ASSERT_GT(state, 0);
  EXPECT_EQ(Walk(*f, true, 3), "4 3 6");
  ASSERT_EQ(rt::RestoreState(*f, state), 0);
  EXPECT_EQ(Id(*f), 5);
  EXPECT_EQ(Walk(*f, true, 2), "4 3");
  EXPECT_EQ(rt::FreeState(*f, state), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Sequence, ::testing::Values("KESTREL", "PGSQL"), DriverName);

}  // namespace
}  // namespace contract
