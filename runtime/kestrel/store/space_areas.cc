// Placing pages in the size areas: area i holds the pages of i units, one
// every i units, in [area_start[i], area_end[i]). Areas only grow by
// shifting their neighbours, moving pages one at a time.
#include <algorithm>

#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

int64_t PageStore::AreaFloor(int i) const { return i > 1 ? int64_t{header_.area_end[i - 1]} : 0; }

uint32_t PageStore::AreaPages(int i) const {
  return header_.area_end[i] > header_.area_start[i] ? (header_.area_end[i] - header_.area_start[i]) / i : 0;
}

// Gives `page` the place `to` and points its parent (or the header) at it.
Outcome PageStore::MovePage(int32_t from, int32_t to) {
  if (from == to) return Outcome::OK();
  // A place still held by a cached page is no free place: the area table
  // and the tree disagree.
  if (cache_.Contains(to)) return Fail(Status::Corruption(kCheckNoPlace));
  CachedPage* page = nullptr;
  KESTREL_RETURN_IF_FAILED(GetPage(from, &page));
  cache_.Rehash(page, to);
  cache_.MarkDirty(page);  // same records, new place: the image stays valid
  header_changed_ = true;
  return UpdateParentRef(page, from);
}

Outcome PageStore::UpdateParentRef(CachedPage* page, int32_t old_ref) {
  if (root_ == old_ref) {
    root_ = page->ref;
    return Outcome::OK();
  }
  if (page->records.empty()) return Fail(Status::Corruption(kCheckParentEntry));
  const std::string_view key = page->records.At(0).key();
  // Pages placed one after another are mostly siblings: the parent found
  // last time is tried first. Only one entry leads to a page, so an entry
  // there leading to this one makes it the parent.
  CachedPage* parent = cache_.Lookup(parent_hint_);
  ptrdiff_t pos = -1;
  if (parent && parent->level == page->level + 1) pos = parent->records.Floor(key);
  if (pos < 0 || static_cast<int32_t>(parent->records.At(static_cast<size_t>(pos)).child) != old_ref) {
    // Stop at the parent: the page's old reference must not be looked up.
    std::vector<PathEntry> path;
    KESTREL_RETURN_IF_FAILED(Descend(key, page->level + 1, &path, &parent));
    pos = parent->records.Floor(key);
  }
  if (pos < 0) return Fail(Status::Corruption(kCheckParentEntry));
  if (static_cast<int32_t>(parent->records.At(static_cast<size_t>(pos)).child) != old_ref) {
    return Fail(Status::Corruption(kCheckParentEntry));
  }
  parent->records.SetChild(static_cast<size_t>(pos), static_cast<uint32_t>(page->ref));
  Touch(parent);
  parent_hint_ = parent->ref;
  return Outcome::OK();
}

// Makes the gap below area i at least n units by shifting lower areas down.
// Fails (*done false, nothing moved) when area 0 would have to give room.
Outcome PageStore::MakeRoomBelow(int i, int64_t n, bool* done) {
  *done = false;
  int64_t gap = int64_t{header_.area_start[i]} - AreaFloor(i);
  if (gap >= n) {
    *done = true;
    return Outcome::OK();
  }
  const int j = i - 1;
  if (j == 0) return Outcome::OK();
  const int64_t need = n - gap;
  bool below = false;
  KESTREL_RETURN_IF_FAILED(MakeRoomBelow(j, (need + j - 1) / j * j, &below));
  if (!below) return Outcome::OK();
  while (int64_t{header_.area_start[i]} - int64_t{header_.area_end[j]} < n) {
    if (AreaPages(j) > 0) {
      KESTREL_RETURN_IF_FAILED(MovePage(static_cast<int32_t>(header_.area_end[j] - j),
                                        static_cast<int32_t>(header_.area_start[j] - j)));
    }
    header_.area_start[j] -= j;
    header_.area_end[j] -= j;
  }
  *done = true;
  return Outcome::OK();
}

// Makes the gap above area i at least n units by shifting higher areas up.
Outcome PageStore::MakeRoomAbove(int i, int64_t n) {
  if (i >= kMaxUnits) return Outcome::OK();  // the last area has unlimited room
  const int k = i + 1;
  while (int64_t{header_.area_start[k]} - int64_t{header_.area_end[i]} < n) {
    const int64_t missing = n - (int64_t{header_.area_start[k]} - int64_t{header_.area_end[i]});
    if (AreaPages(k) <= 1) {
      KESTREL_RETURN_IF_FAILED(MakeRoomAbove(k, missing));
      if (AreaPages(k) == 1) {
        KESTREL_RETURN_IF_FAILED(MovePage(static_cast<int32_t>(header_.area_start[k]),
                                          static_cast<int32_t>(header_.area_start[k] + missing)));
      }
      header_.area_start[k] += static_cast<uint32_t>(missing);
      header_.area_end[k] += static_cast<uint32_t>(missing);
    } else {
      KESTREL_RETURN_IF_FAILED(MakeRoomAbove(k, k));
      KESTREL_RETURN_IF_FAILED(MovePage(static_cast<int32_t>(header_.area_start[k]),
                                        static_cast<int32_t>(header_.area_end[k])));
      header_.area_start[k] += k;
      header_.area_end[k] += k;
    }
  }
  return Outcome::OK();
}

Outcome PageStore::TakePlace(CachedPage* page, int units) {
  if (units < 1 || units > kMaxUnits) return Fail(Status::Corruption(Check::kPageTooLarge));
  const int32_t old_ref = page->ref;
  // Shifting areas down only moves the gaps below area `units`; when they
  // add up to less than a page, MakeRoomBelow would fail (moving nothing)
  // after walking down to area 1.
  int64_t free_below = 0;
  for (int j = 1; j <= units; ++j) free_below += std::max<int64_t>(0, int64_t{header_.area_start[j]} - AreaFloor(j));
  bool below = false;
  if (free_below >= units) KESTREL_RETURN_IF_FAILED(MakeRoomBelow(units, units, &below));
  int32_t ref;
  if (below) {
    header_.area_start[units] -= units;
    ref = static_cast<int32_t>(header_.area_start[units]);
  } else {
    KESTREL_RETURN_IF_FAILED(MakeRoomAbove(units, units));
    ref = static_cast<int32_t>(header_.area_end[units]);
    header_.area_end[units] += units;
  }
  if (cache_.Contains(ref)) return Fail(Status::Corruption(kCheckNoPlace));
  cache_.Rehash(page, ref);
  cache_.MarkDirty(page);
  header_changed_ = true;
  return UpdateParentRef(page, old_ref);
}

// Gives the page's place back: the last page of its area fills the hole
// and the area shrinks. The page itself gets a temporary reference.
Outcome PageStore::FreePlace(CachedPage* page, bool keep) {
  if (page->ref < 0) return Outcome::OK();
  int units = 0;
  Status s = header_.SizeClassOf(static_cast<uint32_t>(page->ref), &units);
  if (!s.ok()) return Fail(s);
  const int32_t hole = page->ref;
  cache_.Rehash(page, next_temp_--);
  // A page that lives on is found through its parent under the new name
  // before another page takes its old place.
  if (keep) KESTREL_RETURN_IF_FAILED(UpdateParentRef(page, hole));
  const int32_t last = static_cast<int32_t>(header_.area_end[units] - units);
  if (last != hole) KESTREL_RETURN_IF_FAILED(MovePage(last, hole));
  header_.area_end[units] -= units;
  header_changed_ = true;
  return Outcome::OK();
}

// Closes gaps: a one-page area moves its page to the end of the area below;
// a larger area moves pages from its end to just below its start while the
// gap below it holds a page.
Outcome PageStore::Compact() {
  for (int i = 2; i <= kMaxUnits; ++i) {
    const uint32_t floor = header_.area_end[i - 1];
    const uint32_t pages = AreaPages(i);
    if (pages == 0) {
      if (header_.area_start[i] > floor) header_.area_start[i] = header_.area_end[i] = floor;
      continue;
    }
    if (pages == 1) {
      if (header_.area_start[i] > floor) {
        KESTREL_RETURN_IF_FAILED(
            MovePage(static_cast<int32_t>(header_.area_start[i]), static_cast<int32_t>(floor)));
        header_.area_start[i] = floor;
        header_.area_end[i] = floor + i;
      }
      continue;
    }
    while (header_.area_start[i] >= floor + i) {
      KESTREL_RETURN_IF_FAILED(MovePage(static_cast<int32_t>(header_.area_end[i] - i),
                                        static_cast<int32_t>(header_.area_start[i] - i)));
      header_.area_start[i] -= i;
      header_.area_end[i] -= i;
    }
  }
  return Outcome::OK();
}

}  // namespace kestrel
