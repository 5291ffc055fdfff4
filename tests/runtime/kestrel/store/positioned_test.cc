// Exact reads without a cursor, and in-place value updates through a cursor
// that still stands on its record.
#include "store_fixture.h"

namespace kestrel::testing {
namespace {

class PositionedTest : public StoreTest {
 protected:
  // Enough records of 600 bytes for a tree of several levels.
  void SetUp() override {
    StoreTest::SetUp();
    store = Open();
    ASSERT_TRUE(Write(*store, [&] {
      for (uint32_t n = 10; n < 1000; n += 2) KESTREL_RETURN_IF_FAILED(store->Insert(Rec(n, 600)));
      return Outcome::OK();
    }).ok());
  }
  std::unique_ptr<PageStore> store;
};

TEST_F(PositionedTest, ReadValueFindsExactKeysOnly) {
  struct Case {
    std::string key;
    bool found;
  } cases[] = {{Key(10), true}, {Key(500), true}, {Key(998), true}, {Key(11), false},
               {Key(9), false}, {Key(2000), false}, {"", false}};
  std::string value = "left from before";
  for (const Case& c : cases) {
    store->BeginOperation();
    bool found = !c.found;
    ASSERT_TRUE(store->ReadValue(c.key, &value, &found).ok());
    store->EndOperation();
    EXPECT_EQ(found, c.found) << HexBytes(c.key);
    if (c.found) {
      EXPECT_EQ(value, Rec(Get32BE(c.key.data()), 600).value()) << HexBytes(c.key);
    }
  }
}

TEST_F(PositionedTest, ReplaceValueAtChangesOnlyAnUnmovedEqualSizeRecord) {
  Contents expected = ReadAll(*store);
  const std::string other(596, 'x');
  ASSERT_TRUE(Write(*store, [&]() -> Outcome {
    Cursor c;
    bool found = false, done = false;
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(Key(501), &c, &found));
    EXPECT_TRUE(found);
    // Another size: left alone.
    KESTREL_RETURN_IF_FAILED(store->ReplaceValueAt(&c, "short", &done));
    EXPECT_FALSE(done);
    KESTREL_RETURN_IF_FAILED(store->ReplaceValueAt(&c, other, &done));
    EXPECT_TRUE(done);
    EXPECT_EQ(c.value(), other);
    // The next record, reached by stepping from the changed one.
    KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    EXPECT_TRUE(found && c.key() == Key(504));
    // A cursor whose page changed since it was placed: left alone.
    KESTREL_RETURN_IF_FAILED(store->Insert(Rec(505, 600)));
    KESTREL_RETURN_IF_FAILED(store->ReplaceValueAt(&c, other, &done));
    EXPECT_FALSE(done);
    return Outcome::OK();
  }).ok());
  expected[Key(502)] = other;
  expected[Key(505)] = std::string(Rec(505, 600).value());
  store.reset();
  store = Open();
  EXPECT_TRUE(Same(ReadAll(*store), expected));
  ExpectSound(*store);
}


// Inserts through hints land where a descent would put them, while splits,
// removals and emptied pages change the leaves under the hints.
TEST_F(PositionedTest, InsertsThroughHintsKeepTheTreeSound) {
  Contents expected = ReadAll(*store);
  PageStore::InsertHint ascending, descending, scattered;
  uint32_t x = 12345;
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(Write(*store, [&]() -> Outcome {
      for (uint32_t i = 0; i < 150; ++i) {
        const uint32_t up = 100000 + round * 1000 + i;  // keeps growing: hits its hint
        const uint32_t down = 90000 - round * 1000 - i;  // below its hint's leaf: misses
        x = x * 1103515245u + 12345u;
        const uint32_t any = 1 + x % 80000 * 2 + 1;  // odd: never one of the fixture's keys
        for (auto [n, hint] : {std::pair{up, &ascending}, {down, &descending}, {any, &scattered}}) {
          if (expected.count(Key(n))) continue;
          const Record r = Rec(n, 300 + n % 700);
          expected[std::string(r.key())] = std::string(r.value());
          KESTREL_RETURN_IF_FAILED(store->InsertNear(r, hint));
        }
        // Removals empty pages and move separators under the hints.
        if (i % 3 == 0 && !expected.empty()) {
          auto victim = expected.lower_bound(Key(x % 200000));
          if (victim == expected.end()) victim = expected.begin();
          bool found = false;
          KESTREL_RETURN_IF_FAILED(store->Remove(victim->first, &found));
          EXPECT_TRUE(found);
          expected.erase(victim);
        }
      }
      return Outcome::OK();
    }).ok());
    ExpectSound(*store);
  }
  store.reset();
  store = Open();
  EXPECT_TRUE(Same(ReadAll(*store), expected));
  ExpectSound(*store);

  // An equal key is refused on the hinted path too.
  PageStore::InsertHint hint;
  store->BeginOperation();
  store->BeginWriteCycle();
  EXPECT_TRUE(store->InsertNear(Rec(7, 300), &hint).ok());  // places the hint
  EXPECT_TRUE(store->InsertNear(Rec(7, 300), &hint).isCorruption());
  store->Discard();
}

// A read through a hint finds what is there for keys below, at and above
// the ends of the hint's leaf, as reads from the root do.
TEST_F(PositionedTest, ReadsThroughAHintFindWhatReadsFromTheRootFind) {
  Contents expected = ReadAll(*store);
  PageStore::InsertHint hint;
  ASSERT_TRUE(Write(*store, [&]() -> Outcome {
    const Record placed = Rec(501, 600);  // places the hint on a leaf in the middle
    KESTREL_RETURN_IF_FAILED(store->InsertNear(placed, &hint));
    expected[Key(501)] = std::string(placed.value());
    std::string value;
    for (uint32_t n = 0; n < 1100; ++n) {
      const auto it = expected.find(Key(n));
      for (PageStore::InsertHint* h : {&hint, static_cast<PageStore::InsertHint*>(nullptr)}) {
        bool found = false;
        KESTREL_RETURN_IF_FAILED(store->ReadValue(Key(n), &value, &found, h));
        EXPECT_EQ(found, it != expected.end()) << n;
        if (found && it != expected.end()) {
          EXPECT_EQ(value, it->second) << n;
        }
      }
    }
    return Outcome::OK();
  }).ok());
}

// A hint placed by a descent remembers the separator before its leaf.
// Removing the leaf's first record raises that separator; a key between the
// old separator and the new first record then belongs to the leaf before.
TEST_F(PositionedTest, HintsDropTheirLowerBoundWhenTheLeafChanges) {
  Contents expected = ReadAll(*store);
  PageStore::InsertHint hint;
  ASSERT_TRUE(Write(*store, [&]() -> Outcome {
    for (uint32_t n = 10; n < 1000; n += 2) {
      // Lands above n, in n's leaf (placing the hint there when it misses).
      const Record above = Rec(n + 1, 600);
      KESTREL_RETURN_IF_FAILED(store->InsertNear(above, &hint));
      expected[Key(n + 1)] = std::string(above.value());
      bool found = false;
      KESTREL_RETURN_IF_FAILED(store->Remove(Key(n), &found));
      EXPECT_TRUE(found);
      expected.erase(Key(n));
      // Between the removed record and the one above it.
      const Record between(Key(n) + '\x01', "v");
      KESTREL_RETURN_IF_FAILED(store->InsertNear(between, &hint));
      expected[std::string(between.key())] = "v";
    }
    return Outcome::OK();
  }).ok());
  ExpectSound(*store);
  EXPECT_TRUE(Same(ReadAll(*store), expected));
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// Reads in read mode move their hint along; a commit made elsewhere drops
// the cached leaves, and the hint with them, so later reads see the change.
TEST_F(PositionedTest, ReadHintsFollowCommitsMadeElsewhere) {
  auto writer = OpenAt(path_);
  PageStore::InsertHint hint;
  std::string value;
  bool found = false;
  auto read = [&](uint32_t n) {
    store->BeginOperation(true);
    Outcome o = store->ReadValue(Key(n), &value, &found, &hint);
    store->EndOperation();
    return o;
  };
  for (uint32_t n = 100; n < 140; ++n) ASSERT_TRUE(read(n).ok());
  const Record changed = Rec(120, 900, 3);
  ASSERT_TRUE(Write(*writer, [&]() -> Outcome {
    KESTREL_RETURN_IF_FAILED(writer->Update(changed, &found));
    return writer->Remove(Key(122), &found);
  }).ok());
  ASSERT_TRUE(read(120).ok() && found);
  EXPECT_EQ(value, changed.value());
  ASSERT_TRUE(read(122).ok());
  EXPECT_FALSE(found);
  ASSERT_TRUE(read(124).ok() && found);
}

}  // namespace
}  // namespace kestrel::testing
