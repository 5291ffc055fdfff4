// Placing pages: the area table is SpaceAreas'; here a page gets its place
// and its parent learns of it.
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

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

Outcome PageStore::TakePlace(CachedPage* page, int units) {
  if (units < 1 || units > kMaxUnits) return Fail(Status::Corruption(Check::kPageTooLarge));
  const int32_t old_ref = page->ref;
  int32_t ref = 0;
  KESTREL_RETURN_IF_FAILED(areas_.Take(units, &ref));
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
  KESTREL_RETURN_IF_FAILED(areas_.Give(hole, units));
  header_changed_ = true;
  return Outcome::OK();
}

}  // namespace kestrel
