// The view engine on a real Kestrel file: orders, ranges, filters,
// positions, reads counted through the file's notices.
#include <algorithm>

#include "view_fixture.h"
#include "runtime/core/error_state.h"
#include "runtime/view/filter_accept.h"

namespace rt::testing {
namespace {

using Ids = std::vector<int>;

Ids Reversed(Ids v) {
  std::reverse(v.begin(), v.end());
  return v;
}

class ViewTest : public GradeFile {};

TEST_F(ViewTest, OrderChoosesAKeyReadsItBackwardsOrSorts) {
  struct {
    const char* order;
    int key;  // -1: sorted in memory or file order
    Ids ids;
  } cases[] = {
      {"", -1, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"G:ID", 0, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"-G:ID", 0, {8, 7, 6, 5, 4, 3, 2, 1}},
      // Equal names of another case keep record order within the key.
      {"G:SUBJECT,UPPER(G:NAME)", 1, {4, 1, 2, 5, 3, 7, 8, 6}},
      {" -G:SUBJECT , -upper( G:NAME )", 1, {6, 8, 7, 3, 5, 2, 1, 4}},
      {"G:SUBJECT,-G:GRADE", 2, {4, 1, 2, 7, 5, 8, 3, 6}},
      // A key with duplicates orders ties by record, not by a further field.
      {"+G:SUBJECT,-G:GRADE,G:ID", -1, {4, 1, 2, 7, 5, 8, 3, 6}},
      // No key: case-sensitive names, mixed directions.
      {"G:NAME", -1, {2, 4, 7, 6, 5, 3, 8, 1}},
      {"UPPER(G:NAME),-G:ID", -1, {2, 5, 4, 7, 3, 8, 1, 6}},
      {"G:SUBJECT,G:GRADE", -1, {1, 4, 3, 5, 8, 7, 2, 6}},
  };
  for (const auto& c : cases) {
    View v(*file);
    ASSERT_EQ(v.SetOrder(c.order), 0) << c.order;
    ASSERT_EQ(v.Open(), 0);
    ASSERT_EQ(v.Set(), 0);
    EXPECT_EQ(ReadAll(v), c.ids) << c.order;
    EXPECT_EQ(v.key(), c.key) << c.order;
    EXPECT_EQ(v.sorted(), c.key < 0 && c.order[0] != '\0') << c.order;
    // From the start, Previous reads the order backwards from its last record.
    ASSERT_EQ(v.Set(), 0);
    EXPECT_EQ(ReadAll(v, false), Reversed(c.ids)) << c.order;
  }
}

TEST_F(ViewTest, RangeTermsSeekAndStopOthersFilterPerRecord) {
  struct {
    const char* order;
    const char* filter;
    Ids ids;
    bool ranged;
    int reads;  // records read forwards: those passed over count, and a scan that
                // ends on a passed-over record reads the last one returned again
  } cases[] = {
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 2", {2, 5, 3, 7, 8}, true, 7},
      {"G:SUBJECT,UPPER(G:NAME)", "'2' = G:SUBJECT", {2, 5, 3, 7, 8}, true, 7},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 2 AND UPPER(G:NAME) = UPPER('CARL  ')", {3, 7}, true, 4},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 2 AND G:NAME <> 'bea'", {2, 3, 7, 8}, true, 7},
      {"-G:SUBJECT,-UPPER(G:NAME)", "G:SUBJECT = 2", {8, 7, 3, 5, 2}, true, 7},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 9", {}, true, 0},
      {"G:SUBJECT,-G:GRADE", "G:SUBJECT = 2 AND G:GRADE >= 6 AND G:GRADE <= 7.5", {7, 5, 8}, true, 5},
      {"G:SUBJECT,-G:GRADE", "G:SUBJECT = 2 AND G:GRADE > 6", {2, 7}, true, 4},
      {"G:SUBJECT,-G:GRADE", "G:SUBJECT = 2 AND G:GRADE < 6", {3}, true, 5},
      {"G:ID", "G:ID >= 3 AND G:ID < 6", {3, 4, 5}, true, 5},
      {"-G:ID", "G:ID >= 3 AND G:ID < 6", {5, 4, 3}, true, 6},
      // Nothing to seek on: every record is read and tested.
      {"G:SUBJECT,UPPER(G:NAME)", "G:NAME = 'carl'", {3}, false, 9},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 2 OR G:SUBJECT = 3", {2, 5, 3, 7, 8, 6}, false, 8},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 2.5", {}, true, 1},
      {"G:SUBJECT,UPPER(G:NAME)", "G:SUBJECT = 'x'", {}, false, 8},
      {"G:ID", "NOT G:ID >= 3", {1, 2}, false, 9},
  };
  for (const auto& c : cases) {
    OpCounter counter;
    file->callback = &counter;
    View v(*file);
    ASSERT_EQ(v.SetOrder(c.order), 0);
    ASSERT_EQ(v.SetFilter(c.filter), 0) << c.filter;
    ASSERT_EQ(v.Open(), 0);
    ASSERT_EQ(v.Set(), 0);
    EXPECT_EQ(ReadAll(v), c.ids) << c.order << " / " << c.filter;
    EXPECT_EQ(v.ranged(), c.ranged) << c.order << " / " << c.filter;
    EXPECT_EQ(counter.reads, c.reads) << c.order << " / " << c.filter;
    ASSERT_EQ(v.Set(), 0);
    EXPECT_EQ(ReadAll(v, false), Reversed(c.ids)) << c.order << " / " << c.filter;
    EXPECT_EQ(counter.not_by_view, 0);
    file->callback = nullptr;
  }
}

TEST_F(ViewTest, EndOfRangeLeavesTheBufferWithTheLastRecord) {
  View v(*file);
  v.SetOrder("G:SUBJECT,UPPER(G:NAME)");
  v.SetFilter("G:SUBJECT = 1");
  ASSERT_EQ(v.Open(), 0);
  EXPECT_EQ(ReadAll(v), (Ids{4, 1}));
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ERRORCODE(), 33);
  EXPECT_EQ(*getMemo(*file, 0), "note dora");
}

TEST_F(ViewTest, PositionsResetAndReget) {
  View v(*file);
  v.SetOrder("G:SUBJECT,UPPER(G:NAME)");
  v.SetFilter("G:SUBJECT = 2");
  ASSERT_EQ(v.Open(), 0);
  ASSERT_EQ(v.Set(), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(Id(), 5);
  const std::string bea = v.Position();
  ASSERT_FALSE(bea.empty());
  ASSERT_EQ(ReadAll(v), (Ids{3, 7, 8}));
  const std::string dan = v.Position();

  // Both directions read the record at the position first.
  ASSERT_EQ(v.ResetTo(bea), 0);
  EXPECT_EQ(ReadAll(v), (Ids{5, 3, 7, 8}));
  ASSERT_EQ(v.ResetTo(bea), 0);
  EXPECT_EQ(ReadAll(v, false), (Ids{5, 2}));

  // Re-reading by position, watched.
  ASSERT_EQ(v.Watch(), 0);
  ASSERT_EQ(v.Reget(dan), 0);
  EXPECT_EQ(Id(), 8);
  ASSERT_EQ(v.Reget(bea), 0);
  EXPECT_EQ(Id(), 5);
  ASSERT_EQ(v.ResetToCurrent(), 0);
  EXPECT_EQ(ReadAll(v, false), (Ids{5, 2}));
  // A record just added is the current one.
  Put(9, 2, "Cecil");
  ASSERT_EQ(Add(*file), 0);
  ASSERT_EQ(v.ResetToCurrent(), 0);
  ASSERT_EQ(v.Previous(), 0);
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(ReadAll(v, false), (Ids{7, 3, 5, 2}));
  // The scan ended on record 2: it is the current record again.
  EXPECT_EQ(Id(), 2);
  ASSERT_EQ(v.ResetTo(bea), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(Id(), 9);
  ASSERT_EQ(Delete(*file), 0);

  // At the buffer's values of the first order components.
  Put(0, 2, "C");
  ASSERT_EQ(v.Set(2), 0);
  EXPECT_EQ(ReadAll(v), (Ids{3, 7, 8}));
  Put(0, 2, "C");
  ASSERT_EQ(v.Set(2), 0);
  EXPECT_EQ(ReadAll(v, false), (Ids{5, 2}));
  // A value before the range starts at the range; one after it finds nothing.
  Put(0, 1, "");
  ASSERT_EQ(v.Set(1), 0);
  EXPECT_EQ(ReadAll(v), (Ids{2, 5, 3, 7, 8}));
  Put(0, 3, "");
  ASSERT_EQ(v.Set(1), 0);
  EXPECT_EQ(ReadAll(v), Ids{});

  // A descending order read through the key backwards: the first record at
  // or below the buffer's values.
  View down(*file);
  down.SetOrder("-G:SUBJECT,-UPPER(G:NAME)");
  ASSERT_EQ(down.Open(), 0);
  Put(0, 2, "C");
  ASSERT_EQ(down.Set(2), 0);
  EXPECT_EQ(ReadAll(down), (Ids{5, 2, 1, 4}));
}

TEST_F(ViewTest, PositionsOfASortedOrder) {
  View v(*file);
  v.SetOrder("-G:NAME");
  v.SetFilter("G:SUBJECT = 2");
  ASSERT_EQ(v.Open(), 0);
  ASSERT_TRUE(v.Next() == 0 && v.Next() == 0);
  EXPECT_EQ(Id(), 3);  // dan, carl
  const std::string carl = v.Position();
  EXPECT_EQ(ReadAll(v), (Ids{5, 7, 2}));
  ASSERT_EQ(v.ResetTo(carl), 0);
  EXPECT_EQ(ReadAll(v, false), (Ids{3, 8}));
  Put(0, 0, "Carl");
  ASSERT_EQ(v.Set(1), 0);
  EXPECT_EQ(ReadAll(v), (Ids{7, 2}));
  EXPECT_EQ(v.ResetTo("nowhere"), 35);

  // A record added since the sort is found once the sort is taken again:
  // by the start, by the current record, or at once with a time-out of 0.
  // (Capitals sort below small letters.)
  Put(9, 2, "Zoe");
  ASSERT_EQ(Add(*file), 0);
  EXPECT_EQ(v.ResetToCurrent(), 0);
  EXPECT_EQ(ReadAll(v), (Ids{9, 7, 2}));
  Put(10, 2, "Yves");
  ASSERT_EQ(Add(*file), 0);
  ASSERT_EQ(v.Set(), 0);
  Put(11, 2, "Xavier");
  ASSERT_EQ(Add(*file), 0);
  Put(0, 0, "Z");
  ASSERT_EQ(v.Set(1), 0);
  EXPECT_EQ(ReadAll(v), (Ids{10, 7, 2}));  // the sort of the last Set()
  v.SetBuffer(ViewBuffering{20, 2, 0, 0});
  Put(0, 0, "Z");
  ASSERT_EQ(v.Set(1), 0);
  EXPECT_EQ(ReadAll(v), (Ids{10, 11, 7, 2}));
}

TEST_F(ViewTest, OpenCloseAndRefusedTexts) {
  View v(*file);
  EXPECT_EQ(v.Next(), 37);
  ASSERT_EQ(v.Open(), 0);
  EXPECT_EQ(v.Open(), 52);
  EXPECT_TRUE(v.isOpen());
  EXPECT_EQ(v.SetOrder("G:ID,G:NOPE"), 76);
  EXPECT_EQ(v.SetOrder("G:ID,"), 76);
  EXPECT_EQ(v.SetOrder("UPPER(G:NAME"), 76);
  EXPECT_EQ(v.SetFilter("G:ID ="), 1010);
  EXPECT_EQ(v.filter(), "");
  EXPECT_EQ(v.SetFilter("LOC:NOTHING = 1"), 1011);
  EXPECT_EQ(ERRORCODE(), 1011);
  // A refused filter leaves none: every record is read.
  EXPECT_EQ(ReadAll(v).size(), 8u);
  EXPECT_EQ(v.Close(), 0);
  EXPECT_EQ(v.Previous(), 37);

  Close(*file);
  EXPECT_EQ(v.Open(), 37);
}

TEST_F(ViewTest, FilterNamesTheThreadsBindingsToo) {
  int32_t subject = 1;
  threadBindings().PushScope();
  threadBindings().Bind("LOC:SUBJECT", &subject);
  View v(*file);
  v.SetOrder("G:SUBJECT,-G:GRADE");
  ASSERT_EQ(v.SetFilter("G:SUBJECT = LOC:SUBJECT"), 0);
  ASSERT_EQ(v.Open(), 0);
  EXPECT_EQ(ReadAll(v), (Ids{4, 1}));
  EXPECT_TRUE(v.ranged());
  // The range takes the variable's value at each positioning.
  subject = 3;
  ASSERT_EQ(v.Set(), 0);
  EXPECT_EQ(ReadAll(v), (Ids{6}));
  threadBindings().PopScope();
  // The variable is gone: the view no longer reads it.
  EXPECT_EQ(v.Set(), 1014);
  EXPECT_EQ(v.Next(), 1014);
  // The same filter, compiled for a run-time index build.
  int32_t error = 0;
  EXPECT_FALSE(compileRecordFilter(*file, "G:SUBJECT = LOC:SUBJECT", &error));
  EXPECT_EQ(error, 1011);
  auto accept = compileRecordFilter(*file, "G:SUBJECT = 2 AND G:GRADE > 5", &error);
  ASSERT_TRUE(accept);
  Put(1, 2, "x");
  setDecimal(*file, 3, 6);
  EXPECT_TRUE(accept(*file));
  setDecimal(*file, 3, 5);
  EXPECT_FALSE(accept(*file));
}

TEST_F(ViewTest, ProjectionEnumeratesFieldsAndMemos) {
  View v(*file);
  EXPECT_EQ(v.fileCount(), 1);
  EXPECT_EQ(v.file(1), file.get());
  EXPECT_EQ(v.file(2), nullptr);
  EXPECT_EQ(v.fieldCount(), 4);
  EXPECT_EQ(v.field(3).label, "G:NAME");
  ASSERT_EQ(v.Project("g:grade"), 0);
  ASSERT_EQ(v.Project("G:NOTE"), 0);
  EXPECT_EQ(v.Project("G:NOPE"), 47);
  ASSERT_EQ(v.fieldCount(), 2);
  EXPECT_EQ(v.field(1).label, "G:GRADE");
  EXPECT_EQ(v.field(1).field, 3);
  EXPECT_EQ(v.field(2).memo, 0);
  EXPECT_EQ(v.field(3).label, "");
}

TEST_F(ViewTest, MemosOutsideTheProjectionAreStillReadForTheFilter) {
  View v(*file);
  ASSERT_EQ(v.Project("G:ID"), 0);
  v.SetOrder("G:ID");
  ASSERT_EQ(v.SetFilter("G:NOTE = 'note bea' OR G:NOTE = 'note Eve'"), 0);
  ASSERT_EQ(v.Open(), 0);
  EXPECT_EQ(ReadAll(v), (Ids{5, 6}));
}

TEST_F(ViewTest, PrefetchCountKeepsOneReadBracketOpen) {
  OpCounter counter;
  file->callback = &counter;
  View v(*file);
  v.SetOrder("G:ID");
  ASSERT_EQ(v.Open(), 0);
  ASSERT_EQ(v.SetProperty(kPropPrefetchCount, "3"), 0);
  EXPECT_EQ(v.GetProperty(kPropPrefetchCount), "3");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(v.Next(), 0);
  EXPECT_EQ(counter.inview, 1);
  EXPECT_EQ(counter.endview, 1);
  EXPECT_EQ(v.GetProperty(kPropPrefetchCount), "0");
  // Without a count each read is a bracket of its own.
  ASSERT_EQ(v.Next(), 0);
  ASSERT_EQ(v.Next(), 0);
  EXPECT_EQ(counter.inview, 3);
  EXPECT_EQ(counter.endview, 3);
  // Flush and close end an open bracket.
  v.SetProperty(kPropPrefetchCount, "10");
  ASSERT_EQ(v.Next(), 0);
  v.Flush();
  EXPECT_EQ(counter.endview, 4);
  v.SetProperty(kPropPrefetchCount, "10");
  ASSERT_EQ(v.Next(), 0);
  v.Close();
  EXPECT_EQ(counter.inview, 5);
  EXPECT_EQ(counter.endview, 5);
  // So does the end of the records, before the count runs out.
  ASSERT_EQ(v.Open(), 0);
  v.SetProperty(kPropPrefetchCount, "60");
  EXPECT_EQ(ReadAll(v).size(), 8u);
  EXPECT_EQ(counter.inview, 6);
  EXPECT_EQ(counter.endview, 6);
  EXPECT_EQ(v.GetProperty(kPropPrefetchCount), "0");
  EXPECT_EQ(counter.not_by_view, 0);
  file->callback = nullptr;
}

}  // namespace
}  // namespace rt::testing

namespace rt::testing {
namespace {

// Accented capitals fold like their small letters in a case-insensitive key,
// so a range on UPPER(name) finds them all and ends where the key says.
TEST_F(ViewTest, CaseInsensitiveRangeWithAccentedLetters) {
  const struct {
    int id;
    const char* name;
  } rows[] = {{9, "JOS\xC9"}, {10, "jos\xE9"}, {11, "Jose"}, {12, "JOSEFA"}};
  for (const auto& r : rows) {
    Put(r.id, 4, r.name);
    ASSERT_EQ(Add(*file), 0);
  }
  struct {
    const char* filter;
    Ids ids;
    int reads;
  } cases[] = {
      {"G:SUBJECT = 4 AND UPPER(G:NAME) = UPPER('jos\xE9')", {9, 10}, 2},
      {"G:SUBJECT = 4 AND UPPER(G:NAME) = 'JOSE'", {11}, 3},
      {"G:SUBJECT = 4", {11, 12, 9, 10}, 4},
  };
  for (const auto& c : cases) {
    OpCounter counter;
    file->callback = &counter;
    View v(*file);
    v.SetOrder("G:SUBJECT,UPPER(G:NAME)");
    ASSERT_EQ(v.SetFilter(c.filter), 0);
    ASSERT_EQ(v.Open(), 0);
    EXPECT_EQ(ReadAll(v), c.ids) << c.filter;
    EXPECT_TRUE(v.ranged());
    EXPECT_EQ(counter.reads, c.reads) << c.filter;
    file->callback = nullptr;
  }
}

}  // namespace
}  // namespace rt::testing
