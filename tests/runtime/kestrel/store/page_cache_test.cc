#include "runtime/kestrel/store/page_cache.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrel {
namespace {

CachedPage* AddPage(PageCache& cache, int32_t ref) {
  auto p = std::make_unique<CachedPage>();
  p->ref = ref;
  return cache.Add(std::move(p));
}

// Pages are trimmed before each load, the way the store loads them.
CachedPage* Load(PageCache& cache, int32_t ref) {
  cache.Trim();
  return AddPage(cache, ref);
}

// Looks up pages first..last-1 in turn, `rounds` times.
void Use(PageCache& cache, int32_t first, int32_t last, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    for (int32_t r = first; r < last; ++r) ASSERT_NE(cache.Lookup(r), nullptr);
  }
}

TEST(PageCacheTest, NothingIsEvictedAtTwentyPagesOrFewer) {
  PageCache cache;
  for (int32_t r = 0; r < 19; ++r) Load(cache, r);
  Use(cache, 18, 19, 10000);  // page 0 is very stale by the clock
  Load(cache, 19);
  EXPECT_EQ(cache.size(), 20u);
  EXPECT_NE(cache.Lookup(0), nullptr);
  // The 21st load trims the stale least recently used page first.
  Use(cache, 1, 20, 1000);
  Load(cache, 20);
  EXPECT_EQ(cache.size(), 20u);
  EXPECT_EQ(cache.Lookup(0), nullptr);
}

TEST(PageCacheTest, AgeRuleKeepsPagesUsedAsOftenAsTheOthers) {
  PageCache cache;
  for (int32_t r = 0; r < 30; ++r) AddPage(cache, r);
  Use(cache, 0, 30, 40);
  cache.Trim();
  EXPECT_EQ(cache.size(), 30u);
  // Pages 0..4 go stale; each is dropped, page 5 (used recently) stops the trim.
  Use(cache, 5, 30, 40);
  cache.Trim();
  EXPECT_EQ(cache.size(), 25u);
  EXPECT_EQ(cache.Lookup(4), nullptr);
  EXPECT_NE(cache.Lookup(5), nullptr);
}

TEST(PageCacheTest, AtOneHundredPagesTheLeastRecentlyUsedGoes) {
  PageCache cache;
  for (int32_t r = 0; r < 100; ++r) AddPage(cache, r);
  Use(cache, 0, 100, 40);
  cache.Lookup(0);  // 0 is now the most recent; 1 the least
  cache.Trim();
  EXPECT_EQ(cache.size(), 99u);
  EXPECT_NE(cache.Lookup(0), nullptr);
  EXPECT_EQ(cache.Lookup(1), nullptr);
}

TEST(PageCacheTest, DirtyAndPinnedPagesStay) {
  PageCache cache;
  for (int32_t r = 0; r < 120; ++r) cache.MarkDirty(AddPage(cache, r));
  cache.Trim();
  EXPECT_EQ(cache.size(), 120u);
  EXPECT_EQ(cache.dirty().size(), 120u);
  cache.CleanAll();
  CachedPage* first = cache.Lookup(0);  // moves 0 to the recent end
  first->pins = 1;
  Use(cache, 1, 120, 1);
  cache.Trim();  // 0 is now the least recently used, but pinned
  EXPECT_EQ(cache.size(), 120u);
  first->pins = 0;
  cache.Trim();
  EXPECT_LT(cache.size(), 100u);
  EXPECT_EQ(cache.Lookup(0), nullptr);
}

TEST(PageCacheTest, RehashFindsThePageUnderItsNewReference) {
  PageCache cache;
  CachedPage* p = AddPage(cache, -2);
  AddPage(cache, 98);
  cache.Rehash(p, 198);  // same bucket as 98
  EXPECT_EQ(cache.Lookup(-2), nullptr);
  EXPECT_EQ(cache.Lookup(198), p);
  EXPECT_NE(cache.Lookup(98), nullptr);
  cache.MarkDirty(p);
  cache.Drop(p);
  EXPECT_TRUE(cache.dirty().empty());
  EXPECT_EQ(cache.size(), 1u);
}

// Lookups remember the page last found per reference slot: references that
// share a slot, and a dropped page (its object kept for the next load), must
// still be told apart.
TEST(PageCacheTest, LookupsNeverReturnAnotherOrADroppedPage) {
  PageCache cache;
  const int32_t refs[] = {0, 256, 512, -256, 7};
  std::map<int32_t, CachedPage*> pages;
  for (int32_t r : refs) pages[r] = AddPage(cache, r);
  for (int round = 0; round < 3; ++round) {
    for (int32_t r : refs) EXPECT_EQ(cache.Lookup(r), pages[r]) << r;
  }
  cache.Drop(pages[0]);
  cache.Drop(pages[7]);
  EXPECT_EQ(cache.Lookup(0), nullptr);
  EXPECT_EQ(cache.Lookup(7), nullptr);
  EXPECT_EQ(cache.Lookup(256), pages[256]);
  CachedPage* again = AddPage(cache, 0);
  EXPECT_EQ(cache.Lookup(0), again);
  cache.DropAll();
  EXPECT_EQ(cache.Lookup(256), nullptr);
}

// Thousands of pages (a long write cycle keeps them all), dropped and
// renamed out of order: every page left is still found under its reference.
TEST(PageCacheTest, ManyPagesStayFoundThroughDropsAndRenames) {
  PageCache cache;
  std::map<int32_t, CachedPage*> pages;
  for (int32_t r = -1500; r < 3000; ++r) pages[r] = AddPage(cache, r * 7);
  for (int32_t r = -1500; r < 3000; r += 3) {
    cache.Drop(pages[r]);
    pages.erase(r);
  }
  for (int32_t r = -1499; r < 3000; r += 5) {
    if (!pages.count(r)) continue;
    cache.Rehash(pages[r], r * 7 + 100000);
  }
  EXPECT_EQ(cache.size(), pages.size());
  for (auto& [r, page] : pages) {
    EXPECT_EQ(cache.Lookup(page->ref), page) << r;
    EXPECT_TRUE(cache.Contains(page->ref));
  }
  for (int32_t r = -1500; r < 3000; r += 3) EXPECT_FALSE(cache.Contains(r * 7)) << r;
}

}  // namespace
}  // namespace kestrel
