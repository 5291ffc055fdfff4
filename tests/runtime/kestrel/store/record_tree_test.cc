#include "runtime/kestrel/store/record_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>

#include "store_fixture.h"

namespace kestrel {
namespace {

using testing::Key;

std::vector<std::string> Keys(const RecordTree& t) {
  std::vector<std::string> out;
  t.ForEach([&](RecordView r) { out.emplace_back(r.key()); });
  return out;
}

// Random inserts and erases checked against std::map, by key and by
// position, with the records packed now and then; a rejected duplicate
// must leave the subtree sizes as they were.
TEST(RecordTreeTest, MatchesOrderedMapByKeyAndPosition) {
  RecordTree tree;
  std::map<std::string, std::string> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 4000; ++step) {
    uint32_t k = rng() % 500;
    if (step % 97 == 0) tree.Pack();  // the next change unpacks again
    if (rng() % 3) {
      Record r(Key(k), std::to_string(step));
      bool fresh = model.emplace(Key(k), std::to_string(step)).second;
      // Asking for the position takes another path through Insert; a copy
      // leaves the caller's record as it was.
      if (step % 3 == 0) {
        ASSERT_EQ(tree.Insert(r), fresh) << step;
      } else if (step % 3 == 1) {
        size_t at = 0;
        ASSERT_EQ(tree.Insert(r, &at), fresh) << step;
        if (fresh) {
          ASSERT_EQ(tree.At(at).key(), Key(k));
        }
      } else {
        size_t at = 0;
        ASSERT_EQ(tree.InsertCopy(r, &at), fresh) << step;
        ASSERT_EQ(r.key(), Key(k));
        if (fresh) {
          ASSERT_EQ(tree.At(at).key(), Key(k));
          ASSERT_EQ(tree.At(at).value(), r.value());
        }
      }
    } else {
      size_t pos = tree.LowerBound(Key(k));
      bool present = model.erase(Key(k)) > 0;
      ASSERT_EQ(pos < tree.size() && tree.At(pos).key() == Key(k), present);
      if (present) {
        tree.EraseAt(pos);
        auto next = model.lower_bound(Key(k));
        if (next != model.end()) {
          ASSERT_EQ(tree.At(pos).key(), next->first);
        }
      }
    }
    // Floor, then reading what it found, right after each change ...
    const std::string probe = Key(rng() % 520);
    auto above = model.upper_bound(probe);
    const ptrdiff_t floor = tree.Floor(probe);
    ASSERT_EQ(floor, std::distance(model.begin(), above) - 1) << step;
    if (floor >= 0) {
      ASSERT_EQ(tree.At(static_cast<size_t>(floor)).key(), std::prev(above)->first) << step;
    }
    // ... and the record after it, which the search passed on its way.
    if (above != model.end()) {
      ASSERT_EQ(tree.At(static_cast<size_t>(floor + 1)).key(), above->first) << step;
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

// Trees split off one another, moved around and changed further each keep
// their own records intact, the way pages split while a table grows.
TEST(RecordTreeTest, SplitTreesKeepTheirRecordsThroughFurtherChanges) {
  std::vector<RecordTree> trees(1);
  std::vector<std::map<std::string, std::string>> models(1);
  std::mt19937 rng(11);
  for (int step = 0; step < 6000; ++step) {
    const size_t t = rng() % trees.size();
    RecordTree& tree = trees[t];
    auto& model = models[t];
    const std::string key = Key(rng() % 100000);
    if (rng() % 4) {
      // Long enough to live on the heap, so a reused slot would show.
      const std::string value(40, static_cast<char>('a' + step % 26));
      EXPECT_EQ(tree.Insert(Record(key, value)), model.emplace(key, value).second);
    } else if (!model.empty()) {
      const size_t pos = tree.LowerBound(key) % tree.size();
      model.erase(std::string(tree.At(pos).key()));
      tree.EraseAt(pos);
    }
    if (tree.size() > 60) {
      const size_t mid = tree.size() / 2;
      RecordTree right = tree.SplitOff(mid);
      auto split = std::next(model.begin(), static_cast<ptrdiff_t>(mid));
      std::map<std::string, std::string> upper(split, model.end());
      model.erase(split, model.end());
      trees.push_back(std::move(right));  // may move every tree
      models.push_back(std::move(upper));
    }
  }
  ASSERT_GT(trees.size(), 10u);
  for (size_t t = 0; t < trees.size(); ++t) {
    ASSERT_EQ(trees[t].size(), models[t].size()) << t;
    size_t i = 0;
    for (const auto& [k, v] : models[t]) {
      ASSERT_EQ(trees[t].At(i).key(), k) << t;
      ASSERT_EQ(trees[t].At(i).value(), v) << t;
      ++i;
    }
  }
}

// Records are kept in chunks of a bounded size: appends fill whole chunks,
// inserts into a full chunk split it, erases merge or drop chunks. Cutting
// a tree anywhere, on a chunk's boundary or inside one, and changing it by
// position down to empty and up again must keep every position right.
TEST(RecordTreeTest, PositionsHoldAcrossChunkBoundaries) {
  auto appended = [](size_t n, std::vector<std::string>* model) {
    RecordTree t;
    model->clear();
    for (uint32_t k = 0; k < n; ++k) {
      t.InsertAt(t.size(), Record(Key(k * 4), ""));
      model->push_back(Key(k * 4));
      EXPECT_EQ(t.At(k).key(), Key(k * 4));
      EXPECT_EQ(t.At(k / 2).key(), Key(k / 2 * 4));
    }
    return t;
  };
  std::vector<std::string> model;
  // Appends fill chunks whole: cuts on and next to multiples of 64 meet
  // chunk boundaries for chunks of 64 or 128 records.
  for (size_t cut : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{127}, size_t{128}, size_t{129},
                     size_t{256}, size_t{299}, size_t{300}}) {
    SCOPED_TRACE(cut);
    RecordTree left = appended(300, &model);
    RecordTree right = left.SplitOff(cut);
    ASSERT_EQ(left.size(), cut);
    ASSERT_EQ(right.size(), 300 - cut);
    EXPECT_EQ(Keys(left), std::vector<std::string>(model.begin(), model.begin() + static_cast<ptrdiff_t>(cut)));
    EXPECT_EQ(Keys(right), std::vector<std::string>(model.begin() + static_cast<ptrdiff_t>(cut), model.end()));
    // Both sides take inserts by key and by position afterwards.
    EXPECT_TRUE(left.Insert(Record(Key(1), "")));
    EXPECT_TRUE(right.Insert(Record(Key(cut * 4 + 2), "")));
    right.InsertAt(right.size(), Record(Key(100000), ""));
    EXPECT_EQ(right.At(right.size() - 1).key(), Key(100000));
    EXPECT_EQ(left.LowerBound(Key(1)), cut == 0 ? 0u : 1u);
    EXPECT_EQ(right.Floor(Key(cut * 4 + 2)), cut == 300 ? 0 : 1);
  }

  // By position against a vector, erasing down to empty twice; inserts land
  // on chunk boundaries, ends and middles alike. Records short and long
  // (kept apart from the chunk's buffer), and records replaced by longer
  // or shorter ones, leave unused bytes that the chunks must compact away
  // without losing a live record.
  RecordTree tree = appended(300, &model);
  std::mt19937 rng(3);
  uint32_t next_key = 1000;
  auto bytes = [&](size_t pos) {
    const size_t length = rng() % 8 == 0 ? 300 + rng() % 200 : 20 + rng() % 100;
    std::string b = std::to_string(next_key++) + ":" + std::to_string(pos) + ":";
    b.resize(std::max(length, b.size()), static_cast<char>('a' + next_key % 26));
    return b;
  };
  for (int round = 0; round < 2; ++round) {
    for (int step = 0; step < 5000; ++step) {
      const bool grow = model.empty() || (step < 3500 ? rng() % 3 != 0 : rng() % 5 == 0);
      if (!model.empty() && rng() % 4 == 0) {
        const size_t pos = rng() % model.size();
        model[pos] = bytes(pos);
        tree.ReplaceAt(pos, model[pos], 4);
      } else if (grow) {
        const size_t pos = rng() % (model.size() + 1);
        // Order is the caller's here: records are told apart by their bytes.
        Record r(bytes(pos), "");
        model.insert(model.begin() + static_cast<ptrdiff_t>(pos), r.bytes);
        tree.InsertAt(pos, std::move(r));
      } else {
        const size_t pos = rng() % model.size();
        ASSERT_EQ(tree.EraseAt(pos).bytes, model[pos]) << step;
        model.erase(model.begin() + static_cast<ptrdiff_t>(pos));
      }
      ASSERT_EQ(tree.size(), model.size());
      if (!model.empty()) {
        const size_t probe = rng() % model.size();
        ASSERT_EQ(tree.At(probe).bytes, model[probe]) << step;
        if (probe + 1 < model.size()) {
          ASSERT_EQ(tree.At(probe + 1).bytes, model[probe + 1]);
        }
        if (probe > 0) {
          ASSERT_EQ(tree.At(probe - 1).bytes, model[probe - 1]);
        }
      }
    }
    while (!model.empty()) {
      const size_t pos = rng() % model.size();
      ASSERT_EQ(tree.EraseAt(pos).bytes, model[pos]);
      model.erase(model.begin() + static_cast<ptrdiff_t>(pos));
    }
    ASSERT_TRUE(tree.empty());
    EXPECT_EQ(tree.Floor(Key(5)), -1);
    EXPECT_EQ(tree.LowerBound(Key(5)), 0u);
  }
  EXPECT_TRUE(Keys(tree).empty());
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

// A tree holding a decoded page answers reads from the packed records and
// turns into chunks at the first change, whichever change that is.
TEST(RecordTreeTest, PackedRecordsReadAndChangeLikeUnpackedOnes) {
  Page page;
  for (uint32_t k = 0; k < 40; ++k) page.records.emplace_back(Key(k * 2), std::string(k % 7, 'v'));
  std::string image;
  ASSERT_TRUE(EncodePage(page, 0, &image).ok());
  auto packed = [&] {
    PackedPage p;
    EXPECT_TRUE(DecodePagePacked(image, &p).ok());
    RecordTree tree;
    tree.AdoptPacked(std::move(p));
    EXPECT_TRUE(tree.packed());
    return tree;
  };
  RecordTree tree = packed();
  ASSERT_EQ(tree.size(), 40u);
  EXPECT_EQ(tree.At(5).key(), Key(10));
  EXPECT_EQ(tree.At(5).value(), std::string(5, 'v'));
  EXPECT_EQ(tree.LowerBound(Key(11)), 6u);
  EXPECT_EQ(tree.LowerBound(Key(200)), 40u);
  EXPECT_EQ(tree.Floor(Key(11)), 5);
  EXPECT_EQ(tree.Floor(Key(12)), 6);
  EXPECT_EQ(tree.Floor(""), -1);
  EXPECT_EQ(Keys(tree).size(), 40u);

  std::vector<std::string> expected;
  for (uint32_t k = 0; k < 40; ++k) expected.push_back(Key(k * 2));
  struct Case {
    const char* name;
    std::function<void(RecordTree&, std::vector<std::string>&)> change;
  };
  const Case cases[] = {
      {"insert", [](RecordTree& t, std::vector<std::string>& e) {
         EXPECT_TRUE(t.Insert(Record(Key(7), "x")));
         e.insert(e.begin() + 4, Key(7));
       }},
      {"insert at", [](RecordTree& t, std::vector<std::string>& e) {
         t.InsertAt(40, Record(Key(100), ""));
         e.push_back(Key(100));
       }},
      {"erase", [](RecordTree& t, std::vector<std::string>& e) {
         EXPECT_EQ(t.EraseAt(0).key(), Key(0));
         e.erase(e.begin());
       }},
      {"split off", [](RecordTree& t, std::vector<std::string>& e) {
         RecordTree right = t.SplitOff(30);
         EXPECT_EQ(right.size(), 10u);
         EXPECT_EQ(right.At(0).key(), Key(60));
         e.resize(30);
       }},
      {"replace", [](RecordTree& t, std::vector<std::string>&) {
         t.ReplaceAt(3, Key(6) + "changed", static_cast<uint16_t>(Key(6).size()));
         EXPECT_EQ(t.At(3).value(), "changed");
         EXPECT_EQ(t.At(4).value(), std::string(4, 'v'));
       }},
      {"child", [](RecordTree& t, std::vector<std::string>&) {
         t.SetChild(3, 77);
         EXPECT_EQ(t.At(3).child, 77u);
         EXPECT_EQ(t.At(4).child, 0u);
       }},
      {"bytes", [](RecordTree& t, std::vector<std::string>&) {
         t.MutableBytes(3)[Key(6).size()] = 'w';
         EXPECT_EQ(t.At(3).value(), "wvv");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordTree t = packed();
    std::vector<std::string> e = expected;
    c.change(t, e);
    EXPECT_FALSE(t.packed());
    EXPECT_EQ(Keys(t), e);
    // Still a working tree afterwards.
    size_t at = 0;
    EXPECT_TRUE(t.Insert(Record(Key(1), ""), &at));
    EXPECT_EQ(t.LowerBound(Key(1)), at);
    EXPECT_EQ(t.size(), e.size() + 1);
  }
}

// Keys of 8 bytes and more are compared 8 bytes at a time, then byte by
// byte; bytes above 0x7F, zero bytes, long shared prefixes and keys that are
// prefixes of others included, in a tree packed, built whole, or built by
// inserts in any order (chunks split where the inserts fall).
TEST(RecordTreeTest, SearchesOnLongKeysFollowByteOrder) {
  std::mt19937 rng(5);
  std::set<std::string> keys;
  while (keys.size() < 300) {
    std::string k(8 + rng() % 12, '\0');
    for (char& c : k) c = static_cast<char>(rng() % 3 == 0 ? 0x80 + rng() % 3 : rng() % 3);
    keys.insert(k);
  }
  const std::string lead(20, 'P');
  while (keys.size() < 500) {
    std::string k = lead + std::string(rng() % 6, '\0');
    for (char& c : k) {
      if (rng() % 8 == 0) c = static_cast<char>(rng() % 2);
    }
    keys.insert(k);
  }
  const std::vector<std::string> sorted(keys.begin(), keys.end());
  Page page;
  for (const std::string& k : sorted) page.records.emplace_back(k, "");
  std::string image;
  ASSERT_TRUE(EncodePage(page, 0, &image).ok());
  PackedPage packed;
  ASSERT_TRUE(DecodePagePacked(image, &packed).ok());
  RecordTree trees[3];
  trees[0].AdoptPacked(std::move(packed));
  trees[1].BuildFromSorted(std::move(page.records));
  std::vector<std::string> shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), rng);
  for (const std::string& k : shuffled) ASSERT_TRUE(trees[2].Insert(Record(k, "")));
  for (const std::string& k : shuffled) ASSERT_FALSE(trees[2].Insert(Record(k, "x")));
  for (int probe = 0; probe < 2000; ++probe) {
    std::string k = sorted[rng() % sorted.size()];
    if (probe % 2) k.resize(rng() % (k.size() + 1));  // prefixes, some shorter than 8
    if (probe % 3 == 0 && !k.empty()) k.back() = static_cast<char>(k.back() + 1);
    const size_t expected = std::lower_bound(sorted.begin(), sorted.end(), k,
                                             [](const std::string& a, const std::string& b) {
                                               return CompareKeys(a, b) < 0;
                                             }) - sorted.begin();
    const bool equal = expected < sorted.size() && sorted[expected] == k;
    const ptrdiff_t floor = static_cast<ptrdiff_t>(expected) - (equal ? 0 : 1);
    for (const RecordTree& t : trees) {
      EXPECT_EQ(t.LowerBound(k), expected) << HexBytes(k);
      EXPECT_EQ(t.Floor(k), floor) << HexBytes(k);
    }
  }
}

}  // namespace
}  // namespace kestrel
