// Scroll steps: the two fixed tables, the table built from limits, and the
// percentile and value mappings in both directions.
#include <gtest/gtest.h>

#include <string>

#include "framework/window/step_string_class.h"

namespace fwwin {
namespace {

using fw::StepStringClass;

#define STEP(name, controls, mode) \
  StepStringClass name;                \
  name.Init(controls, mode)

TEST(StepString, FixedTablesHoldTheirHundredEntries) {
  StepStringClass names;
  names.Init(fw::Step_Alpha, fw::StepLookup_Names);
  EXPECT_EQ(names.TestLen, 3);
  ASSERT_EQ(names.Ref.size(), 300u);
  EXPECT_EQ(names.Entry(1), "   ");
  EXPECT_EQ(names.Entry(2), "ALB");
  EXPECT_EQ(names.Entry(57), "MAR");
  EXPECT_EQ(names.Entry(100), "YOR");

  StepStringClass alpha;
  alpha.Init(fw::Step_Alpha, fw::StepLookup_Alphabet);
  EXPECT_EQ(alpha.TestLen, 2);
  ASSERT_EQ(alpha.Ref.size(), 200u);
  EXPECT_EQ(alpha.Entry(1), "  ");
  EXPECT_EQ(alpha.Entry(4), "AT");
  EXPECT_EQ(alpha.Entry(5), "B ");
  EXPECT_EQ(alpha.Entry(99), "Z ");
  EXPECT_EQ(alpha.Entry(100), "ZN");
  // The table is in ascending order, so percentiles grow with the value.
  for (int i = 2; i <= 100; ++i) EXPECT_LT(alpha.Entry(i - 1), alpha.Entry(i)) << i;
}

struct PercentileCase {
  uint8_t controls;
  const char* value;
  int percentile;
};

TEST(StepString, PercentileOfTheNameTable) {
  const PercentileCase cases[] = {
      {fw::Step_Alpha, "", 1},         // below "ALB": only the blank entry precedes
      {fw::Step_Alpha, "AAA", 1},
      {fw::Step_Alpha, "ALBERT", 2},
      {fw::Step_Alpha, "alberto", 2},  // upper-cased
      {fw::Step_Alpha, "MARTINEZ", 57},
      {fw::Step_Alpha, "ZUNIGA", 100},
      {fw::Step_Alpha | fw::Step_Case, "alberto", 100},  // lower case sorts above every entry
      {fw::Step_Alpha | fw::Step_Descending, "ALBERT", 98},
      {fw::Step_Alpha | fw::Step_Descending, "ZUNIGA", 1},  // 100 - 100 = 0 counts as 1
  };
  for (const PercentileCase& c : cases) {
    STEP(s, c.controls, fw::StepLookup_Names);
    EXPECT_EQ(s.GetPercentile(c.value), c.percentile) << c.value << " controls " << int(c.controls);
  }
}

TEST(StepString, ValueOfAPercentage) {
  STEP(s, fw::Step_Alpha, fw::StepLookup_Names);
  EXPECT_EQ(s.GetValue(0), s.GetValue(1));
  EXPECT_EQ(s.GetValue(2), "ALB");
  EXPECT_EQ(s.GetValue(100), "YOR");
  EXPECT_EQ(s.GetValue(250), "YOR");
  STEP(d, fw::Step_Alpha | fw::Step_Descending, fw::StepLookup_Names);
  EXPECT_EQ(d.GetValue(2), "WIM");  // entry 98
  EXPECT_EQ(d.GetValue(100), "   ");  // 0 counts as 1
  // Value and percentile agree: the value of n lies at n.
  for (int n : {2, 30, 57, 99}) EXPECT_EQ(s.GetPercentile(s.GetValue(n)), n) << n;
}

TEST(StepString, RuntimeCharacterSetFollowsTheControls) {
  STEP(letters, fw::Step_Alpha, fw::StepLookup_Runtime);
  EXPECT_EQ(letters.SortChars.substr(0, 26), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(letters.SortChars.find('a'), std::string::npos);
  EXPECT_EQ(letters.SortChars.find('1'), std::string::npos);
  EXPECT_NE(letters.SortChars.find('\xD1'), std::string::npos);  // N with tilde, upper case
  EXPECT_EQ(letters.SortChars.find('\xF1'), std::string::npos);

  STEP(cased, fw::Step_Alpha | fw::Step_Case, fw::StepLookup_Runtime);
  EXPECT_NE(cased.SortChars.find('a'), std::string::npos);
  EXPECT_LT(cased.SortChars.find('Z'), cased.SortChars.find('a'));  // code order

  STEP(all, fw::Step_Alpha | fw::Step_Digits | fw::Step_Punctuation, fw::StepLookup_Runtime);
  EXPECT_EQ(all.SortChars.front(), ' ');
  EXPECT_EQ(all.SortChars.size(), 26u + 10u + 30u + (letters.SortChars.size() - 26u));  // 31 bytes, one twice
  EXPECT_TRUE(all.SetLimitNeeded());
  STEP(names, fw::Step_Alpha, fw::StepLookup_Names);
  EXPECT_FALSE(names.SetLimitNeeded());
}

TEST(StepString, HashAndUnhashAreInverse) {
  STEP(s, fw::Step_Alpha | fw::Step_Digits, fw::StepLookup_Runtime);
  for (const char* k : {"AAAA", "MARI", "Z9Z9", "0000"}) EXPECT_EQ(s.Unhash(s.Hash(k)), k) << k;
  EXPECT_EQ(s.Hash("mari"), s.Hash("MARI"));  // not case-sensitive
  EXPECT_LT(s.Hash("ACOS"), s.Hash("ZAPA"));
  std::string negative = s.Unhash(-1);  // remainders stay inside the set
  for (char c : negative) EXPECT_NE(s.SortChars.find(c), std::string::npos);
}

TEST(StepString, LimitsSpreadTheTableBetweenThem) {
  STEP(s, fw::Step_Alpha, fw::StepLookup_Runtime);
  s.SetLimit("ACOSTA    ", "ZAPATA");
  EXPECT_EQ(s.Root, "");
  EXPECT_EQ(s.GetValue(1), "ACOS");
  EXPECT_EQ(s.GetPercentile("ACOSTA"), 1);
  EXPECT_GE(s.GetPercentile("ZAPATA"), 99);
  int middle = s.GetPercentile("MORENO");
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 60);
  for (int n = 2; n <= 100; ++n) EXPECT_LT(s.Entry(n - 1), s.Entry(n)) << n;
}

TEST(StepString, CommonPrefixBecomesTheRootAndLowKeyIsPadded) {
  STEP(s, fw::Step_Alpha, fw::StepLookup_Runtime);
  s.SetLimit("MAC", "MAZZINI");
  EXPECT_EQ(s.Root, "MA");
  EXPECT_EQ(s.GetValue(1), "MACAAA");  // "C" padded with the lowest character
  for (int n : {1, 20, 50, 80, 100}) EXPECT_EQ(s.GetValue(n).substr(0, 2), "MA") << n;
  EXPECT_EQ(s.GetPercentile("MACIAS"), 1);
  EXPECT_GE(s.GetPercentile("MAZZINI"), 99);
  EXPECT_EQ(s.GetPercentile("mac"), 1);  // the root matches without regard to case
}

TEST(StepString, DescendingOrderRunsFromHundredDownToOne) {
  STEP(s, fw::Step_Alpha | fw::Step_Descending, fw::StepLookup_Runtime);
  s.SetLimit("ACOSTA", "ZAPATA");
  EXPECT_LE(s.GetPercentile("ZAPATA"), 2);
  EXPECT_GE(s.GetPercentile("ACOSTA"), 99);
  int middle = s.GetPercentile("MORENO");
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 60);
  // A percentage names the value that lies there, counted from the top: 0 counts as 1.
  EXPECT_EQ(s.GetValue(0), s.GetValue(1));
  EXPECT_GT(s.GetValue(10), s.GetValue(90));
  for (int n : {5, 50, 95}) EXPECT_NEAR(s.GetPercentile(s.GetValue(n)), n, 1) << n;
}

TEST(StepString, KillDropsTheRuntimeTable) {
  STEP(s, fw::Step_Alpha, fw::StepLookup_Runtime);
  s.SetLimit("A", "Z");
  s.Kill();
  EXPECT_TRUE(s.SortChars.empty());
  EXPECT_TRUE(s.Ref.empty());
  STEP(n, fw::Step_Alpha, fw::StepLookup_Names);
  n.Kill();
  EXPECT_EQ(n.Ref.size(), 300u);  // the fixed tables stay
}

}  // namespace
}  // namespace fwwin
