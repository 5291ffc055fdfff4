#include "runtime/kestrel/store/record_tree.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "store_fixture.h"

namespace kestrel {
namespace {

using testing::Key;

std::vector<std::string> Keys(const RecordTree& t) {
  std::vector<std::string> out;
  t.ForEach([&](RecordView r) { out.emplace_back(r.key()); });
  return out;
}

// Random inserts and erases checked against std::map, by key and by position.
TEST(RecordTreeTest, MatchesOrderedMapByKeyAndPosition) {
  RecordTree tree;
  std::map<std::string, std::string> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 4000; ++step) {
    uint32_t k = rng() % 500;
    if (rng() % 3) {
      Record r(Key(k), std::to_string(step));
      bool fresh = model.emplace(Key(k), std::to_string(step)).second;
      EXPECT_EQ(tree.Insert(r), fresh);
    } else {
      size_t pos = tree.LowerBound(Key(k));
      bool present = model.erase(Key(k)) > 0;
      ASSERT_EQ(pos < tree.size() && tree.At(pos).key() == Key(k), present);
      if (present) tree.EraseAt(pos);
    }
  }
  ASSERT_EQ(tree.size(), model.size());
  size_t i = 0;
  for (const auto& [k, v] : model) {
    EXPECT_EQ(tree.At(i).key(), k);
    EXPECT_EQ(tree.At(i).value(), v);
    EXPECT_EQ(tree.LowerBound(k), i);
    ++i;
  }
  // Floor/LowerBound between keys and beyond both ends.
  EXPECT_EQ(tree.Floor(""), -1);
  EXPECT_EQ(tree.LowerBound("\xff\xff\xff\xff\xff"), tree.size());
}

TEST(RecordTreeTest, SplitOffMovesTheUpperRecords) {
  RecordTree tree;
  for (uint32_t k = 0; k < 21; ++k) tree.InsertAt(k, Record(Key(k), ""));
  RecordTree right = tree.SplitOff(10);
  EXPECT_EQ(tree.size(), 10u);
  EXPECT_EQ(right.size(), 11u);
  EXPECT_EQ(right.At(0).key(), Key(10));
  EXPECT_EQ(Keys(tree).back(), Key(9));
  // Both halves stay usable trees.
  EXPECT_TRUE(right.Insert(Record(Key(100), "")));
  EXPECT_FALSE(tree.Insert(Record(Key(3), "")));
  EXPECT_EQ(right.Floor(Key(50)), 10);
}

TEST(RecordTreeTest, BuildFromSortedGivesAWorkingTree) {
  std::vector<Record> sorted;
  for (uint32_t k = 0; k < 300; ++k) sorted.emplace_back(Key(k * 2), std::to_string(k));
  RecordTree tree;
  tree.Insert(Record(Key(999999), ""));  // replaced by the build
  tree.BuildFromSorted(std::move(sorted));
  ASSERT_EQ(tree.size(), 300u);
  EXPECT_EQ(tree.At(150).key(), Key(300));
  EXPECT_EQ(tree.LowerBound(Key(301)), 151u);
  EXPECT_TRUE(tree.Insert(Record(Key(301), "")));
  EXPECT_EQ(tree.At(151).key(), Key(301));
  tree.EraseAt(0);
  EXPECT_EQ(tree.At(0).key(), Key(2));
  EXPECT_EQ(tree.size(), 300u);
}

}  // namespace
}  // namespace kestrel
