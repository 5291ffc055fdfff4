// Reads that copy only what the caller keeps, and in-place value updates
// through a cursor that already stands on its record.
#include <algorithm>

#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

Outcome PageStore::ReadValue(std::string_view key, std::string* value, bool* found, InsertHint* hint) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1 || key.empty()) return Confirmed(Outcome::OK());
  CachedPage* leaf = hint ? HintedLeaf(key, hint) : nullptr;
  if (leaf) {
    cache_.Use(leaf);
  } else if (hint) {
    // The hint moves to the leaf found: reads of neighbouring keys, rows of
    // ascending ids above all, then skip the descent.
    KESTREL_RETURN_IF_FAILED(Confirmed(DescendPlacingHint(key, hint, &seek_path_, &leaf)));
    hint->first_version = leaf->version;
  } else {
    KESTREL_RETURN_IF_FAILED(Confirmed(Descend(key, 0, &seek_path_, &leaf)));
  }
  // A cached leaf loads nothing, but a search before may have left its
  // reads to this one (Find with `confirm` unset).
  KESTREL_RETURN_IF_FAILED(Confirmed(Outcome::OK()));
  const size_t pos = leaf->records.LowerBound(key);
  if (pos >= leaf->records.size()) return Outcome::OK();
  const RecordView r = leaf->records.At(pos);
  if (r.key() != key) return Outcome::OK();
  value->assign(r.value());
  *found = true;
  return Outcome::OK();
}

Outcome PageStore::ReplaceValueAt(Cursor* cursor, std::string_view value, bool* done) {
  *done = false;
  KESTREL_RETURN_IF_FAILED(RequireWrite());
  // A change by another process drops the pages, and the cursor with them.
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  CachedPage* page = cursor->page_;
  if (!cursor->valid() || page == nullptr || page->version != cursor->version_ ||
      cursor->pos_ >= page->records.size()) {
    return Outcome::OK();
  }
  const RecordView stored = page->records.At(cursor->pos_);
  if (stored.key() != cursor->key() || stored.value().size() != value.size()) return Outcome::OK();
  // Equal sizes: the page's expanded size stays, so no split can follow.
  const size_t key_length = stored.key_length;
  std::copy(value.begin(), value.end(), page->records.MutableBytes(cursor->pos_) + key_length);
  Touch(page);
  cursor->record_.bytes.replace(cursor->record_.key_length, value.size(), value);
  cursor->version_ = page->version;
  *done = true;
  return Outcome::OK();
}

}  // namespace kestrel

namespace kestrel {

// A hint's leaf holds every key above `first` and below `upper`. `first` is
// the leaf's first record, or the separator before the leaf as the descent
// that placed the hint read it: the separator never exceeds the first record
// and changes only with it, so it is good while the leaf keeps its version.
// The separator after the leaf only grows once taken (or vanishes with its
// page). A split of the leaf itself detaches the hint.
CachedPage* PageStore::HintedLeaf(std::string_view key, InsertHint* hint) {
  CachedPage* leaf = hint->leaf.page_;
  if (!leaf || leaf->level != 0 || leaf->records.empty()) return nullptr;
  if (leaf->version != hint->first_version) {
    hint->first.assign(leaf->records.At(0).key());
    hint->first_version = leaf->version;
  }
  if (CompareKeys(key, hint->first) <= 0 || (!hint->unbounded && CompareKeys(key, hint->upper) >= 0)) {
    return nullptr;
  }
  return leaf;
}

// Descends to the leaf of `key` and places the hint there; the caller sets
// the version its `first` holds for.
Outcome PageStore::DescendPlacingHint(std::string_view key, InsertHint* hint, std::vector<PathEntry>* path,
                                      CachedPage** leaf) {
  // Let go first: a descent that fails half-way leaves `upper` unusable.
  hint->leaf.Reset();
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, path, leaf, &hint->upper, &hint->unbounded));
  hint->unbounded = !hint->unbounded;
  // The separator is at hand, where the leaf's first record would take a
  // walk through a leaf that scattered keys rarely hit again.
  if (path->empty()) {
    hint->first.clear();
  } else {
    hint->first.assign(path->back().page->records.At(path->back().pos).key());
  }
  hint->leaf.Attach(*leaf);
  return Outcome::OK();
}

Outcome PageStore::InsertNear(const Record& record, InsertHint* hint) {
  KESTREL_RETURN_IF_FAILED(PrepareWrite(record));
  const std::string_view key = record.key();
  CachedPage* leaf = HintedLeaf(key, hint);
  if (leaf) {
    cache_.Use(leaf);  // the attached hint keeps the page cached: no lookup by place
    RecordView entry(record);
    entry.child = 0;
    const size_t cost = leaf->CostOf(entry);
    if (!leaf->records.InsertCopy(entry)) return Fail(Status::Corruption(Check::kDuplicateKey));
    leaf->expanded += cost;
    Touch(leaf);
    if (!NeedsSplit(leaf)) {
      hint->first_version = leaf->version;  // the first key stays: this one is above it
      return Outcome::OK();
    }
    // The path down to the leaf, for the split; the descent only reads.
    // `first` leads there as well as the new key.
    CachedPage* found = nullptr;
    KESTREL_RETURN_IF_FAILED(Descend(hint->first, 0, &seek_path_, &found));
    if (found != leaf) return Fail(Status::Corruption(Check::kTreeShape));
    return SplitUpwards(seek_path_, leaf);
  }
  std::vector<PathEntry> path;
  KESTREL_RETURN_IF_FAILED(DescendPlacingHint(key, hint, &path, &leaf));
  hint->first_version = UINT64_MAX;  // versions count per page
  KESTREL_RETURN_IF_FAILED(InsertCopyInto(std::move(path), leaf, RecordView(record)));
  if (hint->leaf.page_ == leaf) hint->first_version = leaf->version;
  return Outcome::OK();
}

}  // namespace kestrel
