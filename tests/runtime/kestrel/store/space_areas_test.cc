#include "runtime/kestrel/store/space_areas.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

namespace kestrel::testing {
namespace {

// The pages as places: a move must take a page that exists to a place no
// page covers, and keeps its size.
class PlaceModel : public SpaceAreas::Mover {
 public:
  Outcome MovePage(int32_t from, int32_t to) override {
    moves.push_back({from, to});
    auto it = pages.find(from);
    EXPECT_NE(it, pages.end()) << "no page at " << from;
    if (it == pages.end()) return Outcome::OK();
    const Page p = it->second;
    pages.erase(it);
    EXPECT_TRUE(Free(to, p.units)) << "page " << from << " moved onto " << to;
    pages[to] = p;
    return Outcome::OK();
  }
  bool Free(int32_t at, int units) const {
    auto next = pages.lower_bound(at);
    if (next != pages.end() && next->first < at + units) return false;
    if (next == pages.begin()) return true;
    auto prev = std::prev(next);
    return prev->first + prev->second.units <= at;
  }

  struct Page {
    int units;
    int id;
  };
  std::map<int32_t, Page> pages;
  std::vector<std::pair<int32_t, int32_t>> moves;
};

// Every area in order, holding exactly the pages of its size, one every
// `i` units from its start.
::testing::AssertionResult AreasMatch(const Header& h, const PlaceModel& model) {
  std::map<int32_t, int> expected;
  uint32_t floor = 0;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (h.area_start[i] > h.area_end[i] || (h.area_end[i] - h.area_start[i]) % i != 0) {
      return ::testing::AssertionFailure() << "area " << i << " is malformed";
    }
    if (h.area_start[i] < floor) return ::testing::AssertionFailure() << "area " << i << " overlaps the one below";
    for (uint32_t r = h.area_start[i]; r < h.area_end[i]; r += i) expected[static_cast<int32_t>(r)] = i;
    if (h.area_end[i] > h.area_start[i]) floor = h.area_end[i];
  }
  std::map<int32_t, int> actual;
  for (auto& [at, p] : model.pages) actual[at] = p.units;
  if (actual != expected) {
    return ::testing::AssertionFailure() << model.pages.size() << " pages, " << expected.size() << " places";
  }
  return ::testing::AssertionSuccess();
}

TEST(SpaceAreasTest, TakeShiftsHigherAreasUpWhenNothingBelowIsFree) {
  Header h;
  PlaceModel model;
  SpaceAreas areas(&h, &model);
  int32_t ref = -1;
  ASSERT_TRUE(areas.Take(3, &ref).ok());
  EXPECT_EQ(ref, 0);
  model.pages[ref] = {3, 1};
  ASSERT_TRUE(areas.Take(1, &ref).ok());
  EXPECT_EQ(ref, 0);
  // The one page of area 3 made room by moving up by one unit.
  EXPECT_EQ(model.moves, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}}));
  model.pages[ref] = {1, 2};
  EXPECT_TRUE(AreasMatch(h, model));
}

TEST(SpaceAreasTest, GiveFillsTheHoleWithTheAreasLastPage) {
  Header h;
  PlaceModel model;
  SpaceAreas areas(&h, &model);
  for (int id = 0; id < 4; ++id) {
    int32_t ref = -1;
    ASSERT_TRUE(areas.Take(2, &ref).ok());
    model.pages[ref] = {2, id};
  }
  model.moves.clear();
  model.pages.erase(2);
  ASSERT_TRUE(areas.Give(2, 2).ok());
  EXPECT_EQ(model.moves, (std::vector<std::pair<int32_t, int32_t>>{{6, 2}}));
  EXPECT_EQ(model.pages.at(2).id, 3);
  EXPECT_TRUE(AreasMatch(h, model));
  model.moves.clear();
  model.pages.erase(4);
  ASSERT_TRUE(areas.Give(4, 2).ok());  // the last page: nothing moves
  EXPECT_TRUE(model.moves.empty());
  EXPECT_TRUE(AreasMatch(h, model));
}

TEST(SpaceAreasTest, CompactLeavesNoGapAPageCouldFill) {
  Header h;
  PlaceModel model;
  // Area 1 empty at 0, area 2 with one page far up, area 3 with three pages
  // above a gap of 7 units.
  h.area_start[2] = 10, h.area_end[2] = 12;
  h.area_start[3] = 19, h.area_end[3] = 28;
  for (int i = 4; i <= kMaxUnits; ++i) h.area_start[i] = h.area_end[i] = h.area_end[3];
  model.pages[10] = {2, 1};
  model.pages[19] = {3, 2}, model.pages[22] = {3, 3}, model.pages[25] = {3, 4};
  ASSERT_TRUE(AreasMatch(h, model));
  SpaceAreas areas(&h, &model);
  ASSERT_TRUE(areas.Compact().ok());
  EXPECT_TRUE(AreasMatch(h, model));
  EXPECT_EQ(h.area_start[2], 0u);
  // 17 units free below area 3 after the move: five pages' worth moved
  // down, one at a time, last page first, until less than 3 units remain.
  EXPECT_EQ(h.area_start[3], 2u + 17 % 3);
  EXPECT_EQ(h.area_end[3], h.area_start[3] + 9);
  EXPECT_EQ(h.EndOfData(), PagePosition(h.area_end[3]));
}

// Random takes, gives and compactions against the model, checked after
// every step.
TEST(SpaceAreasTest, RandomPlacementKeepsAreasAndPagesInStep) {
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Header h;
    PlaceModel model;
    SpaceAreas areas(&h, &model);
    int next_id = 0;
    for (int step = 0; step < 1500; ++step) {
      const unsigned pick = rng() % 10;
      if (pick < 6 || model.pages.empty()) {
        // Mostly small pages, some large, as the tree makes them.
        const int units = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % kMaxUnits) : 1 + static_cast<int>(rng() % 6);
        int32_t ref = -1;
        ASSERT_TRUE(areas.Take(units, &ref).ok());
        ASSERT_TRUE(model.Free(ref, units)) << "took " << ref << " which a page holds";
        model.pages[ref] = {units, next_id++};
      } else if (pick < 9) {
        auto it = model.pages.begin();
        std::advance(it, rng() % model.pages.size());
        const int32_t hole = it->first;
        const int units = it->second.units;
        model.pages.erase(it);
        ASSERT_TRUE(areas.Give(hole, units).ok());
      } else {
        ASSERT_TRUE(areas.Compact().ok());
        for (int i = 2; i <= kMaxUnits; ++i) {
          if (areas.Pages(i) > 1) {
            EXPECT_LT(h.area_start[i] - areas.Floor(i), i);
          } else if (areas.Pages(i) == 1) {
            EXPECT_EQ(h.area_start[i], areas.Floor(i));
          }
        }
      }
      ASSERT_TRUE(AreasMatch(h, model)) << "after step " << step;
      ASSERT_TRUE(h.CheckAreas().ok());
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
