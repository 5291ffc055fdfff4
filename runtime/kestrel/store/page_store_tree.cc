// Searching, inserting and deleting in the file's single ordered tree.
#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

namespace {

constexpr size_t kSplitAlways = 15094;
constexpr size_t kSplitMany = 4096;
constexpr size_t kManyRecords = 20;
constexpr size_t kMaxDepth = 64;

Record IndexEntry(std::string_view key, int32_t child) {
  return Record(key, std::string_view(), static_cast<uint32_t>(child));
}

// A clean page searched by a read is packed for the reads that follow; a
// page of a few records (data rows) gains nothing and would be copied whole.
constexpr size_t kPackFrom = 8;

void PackForReads(CachedPage* page, bool write_mode) {
  if (!write_mode && !page->dirty && page->records.size() >= kPackFrom) page->records.Pack();
}

}  // namespace

Outcome PageStore::Descend(std::string_view key, int stop_level, std::vector<PathEntry>* path, CachedPage** out,
                           std::string* upper, bool* has_upper) {
  path->clear();
  if (has_upper) *has_upper = false;
  CachedPage* page = nullptr;
  KESTREL_RETURN_IF_FAILED(GetPage(root_, &page));
  PackForReads(page, writeMode());
  while (page->level > stop_level) {
    if (path->size() >= kMaxDepth || page->records.empty()) return Fail(Status::Corruption(Check::kTreeShape));
    ptrdiff_t floor = page->records.Floor(key);
    size_t pos = floor < 0 ? 0 : static_cast<size_t>(floor);
    if (upper && pos + 1 < page->records.size()) {
      *upper = std::string(page->records.At(pos + 1).key());
      *has_upper = true;
    }
    path->push_back({page, pos});
    CachedPage* child = nullptr;
    KESTREL_RETURN_IF_FAILED(GetPage(static_cast<int32_t>(page->records.At(pos).child), &child));
    if (child->level + 1 != page->level) return Fail(Status::Corruption(Check::kTreeShape));
    PackForReads(child, writeMode());
    page = child;
  }
  if (page->level != stop_level) return Fail(Status::Corruption(Check::kTreeShape));
  *out = page;
  return Outcome::OK();
}

Outcome PageStore::Leftmost(CachedPage* page, std::vector<PathEntry>* path, CachedPage** leaf) {
  while (page->level > 0) {
    if (page->records.empty() || path->size() >= kMaxDepth) return Fail(Status::Corruption(Check::kTreeShape));
    path->push_back({page, 0});
    CachedPage* child = nullptr;
    KESTREL_RETURN_IF_FAILED(GetPage(static_cast<int32_t>(page->records.At(0).child), &child));
    if (child->level + 1 != page->level) return Fail(Status::Corruption(Check::kTreeShape));
    page = child;
  }
  if (page->records.empty()) return Fail(Status::Corruption(Check::kTreeShape));
  *leaf = page;
  return Outcome::OK();
}

Outcome PageStore::Rightmost(CachedPage* page, std::vector<PathEntry>* path, CachedPage** leaf) {
  while (page->level > 0) {
    if (page->records.empty() || path->size() >= kMaxDepth) return Fail(Status::Corruption(Check::kTreeShape));
    size_t last = page->records.size() - 1;
    path->push_back({page, last});
    CachedPage* child = nullptr;
    KESTREL_RETURN_IF_FAILED(GetPage(static_cast<int32_t>(page->records.At(last).child), &child));
    if (child->level + 1 != page->level) return Fail(Status::Corruption(Check::kTreeShape));
    page = child;
  }
  if (page->records.empty()) return Fail(Status::Corruption(Check::kTreeShape));
  *leaf = page;
  return Outcome::OK();
}

void PageStore::Position(Cursor* cursor, CachedPage* page, size_t pos, bool* found) {
  const RecordView r = page->records.At(pos);
  if (r.key_length == 0) {  // the low sentinel is never a current record
    cursor->Reset();
    *found = false;
    return;
  }
  r.CopyTo(&cursor->record_);
  cursor->valid_ = true;
  cursor->Attach(page);
  cursor->pos_ = pos;
  cursor->version_ = page->version;
  *found = true;
}

// Where the cursor's record is in its page, or size() when it is gone.
size_t PageStore::CursorPosition(const Cursor* cursor, const CachedPage* page) const {
  if (page->version == cursor->version_) return cursor->pos_;
  size_t pos = page->records.LowerBound(cursor->key());
  if (pos < page->records.size() && page->records.At(pos).key() == cursor->key()) return pos;
  return page->records.size();
}

Outcome PageStore::SeekGreater(std::string_view key, bool or_equal, Cursor* cursor, bool* found) {
  *found = false;
  std::vector<PathEntry>& path = seek_path_;
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf));
  size_t pos = leaf->records.LowerBound(key);
  if (!or_equal && pos < leaf->records.size() && leaf->records.At(pos).key() == key) ++pos;
  if (pos < leaf->records.size()) {
    Position(cursor, leaf, pos, found);
    return Outcome::OK();
  }
  while (!path.empty()) {
    PathEntry e = path.back();
    path.pop_back();
    if (e.pos + 1 < e.page->records.size()) {
      CachedPage* child = nullptr;
      KESTREL_RETURN_IF_FAILED(GetPage(static_cast<int32_t>(e.page->records.At(e.pos + 1).child), &child));
      KESTREL_RETURN_IF_FAILED(Leftmost(child, &path, &leaf));
      Position(cursor, leaf, 0, found);
      return Outcome::OK();
    }
  }
  cursor->Reset();
  return Outcome::OK();
}

Outcome PageStore::SeekLess(std::string_view key, bool or_equal, Cursor* cursor, bool* found) {
  *found = false;
  std::vector<PathEntry>& path = seek_path_;
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf));
  ptrdiff_t pos = or_equal ? leaf->records.Floor(key) : static_cast<ptrdiff_t>(leaf->records.LowerBound(key)) - 1;
  if (pos >= 0) {
    Position(cursor, leaf, static_cast<size_t>(pos), found);
    return Outcome::OK();
  }
  while (!path.empty()) {
    PathEntry e = path.back();
    path.pop_back();
    if (e.pos > 0) {
      CachedPage* child = nullptr;
      KESTREL_RETURN_IF_FAILED(GetPage(static_cast<int32_t>(e.page->records.At(e.pos - 1).child), &child));
      KESTREL_RETURN_IF_FAILED(Rightmost(child, &path, &leaf));
      Position(cursor, leaf, leaf->records.size() - 1, found);
      return Outcome::OK();
    }
  }
  cursor->Reset();
  return Outcome::OK();
}

Outcome PageStore::Find(std::string_view key, Cursor* cursor, bool* found, bool confirm) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1 || key.empty()) {
    cursor->Reset();
    return Outcome::OK();
  }
  Outcome o = SeekGreater(key, true, cursor, found);
  KESTREL_RETURN_IF_FAILED(confirm || !o.ok() ? Confirmed(o) : o);
  if (*found && cursor->key() != key) {
    cursor->Reset();
    *found = false;
  }
  return Outcome::OK();
}

Outcome PageStore::FindAtLeast(std::string_view key, Cursor* cursor, bool* found, bool confirm) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1) {
    cursor->Reset();
    return Outcome::OK();
  }
  // The sentinel is never a result: an empty key asks for the first record.
  Outcome o = SeekGreater(key, !key.empty(), cursor, found);
  return confirm || !o.ok() ? Confirmed(o) : o;
}

Outcome PageStore::FindAtMost(std::string_view key, Cursor* cursor, bool* found) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1) {
    cursor->Reset();
    return Outcome::OK();
  }
  return Confirmed(SeekLess(key, true, cursor, found));
}

Outcome PageStore::Next(Cursor* cursor, bool* found) {
  UnpinAll();
  *found = false;
  if (!cursor->valid()) return Outcome::OK();
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1) {
    cursor->Reset();
    return Outcome::OK();
  }
  if (CachedPage* page = cursor->page_) {
    size_t pos = CursorPosition(cursor, page);
    if (pos < page->records.size() && pos + 1 < page->records.size()) {
      cache_.Use(page);
      Position(cursor, page, pos + 1, found);
      return Outcome::OK();
    }
  }
  std::string key(cursor->key());
  return Confirmed(SeekGreater(key, false, cursor, found));
}

Outcome PageStore::Previous(Cursor* cursor, bool* found) {
  UnpinAll();
  *found = false;
  if (!cursor->valid()) return Outcome::OK();
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1) {
    cursor->Reset();
    return Outcome::OK();
  }
  if (CachedPage* page = cursor->page_) {
    size_t pos = CursorPosition(cursor, page);
    if (pos < page->records.size() && pos > 0) {
      cache_.Use(page);
      Position(cursor, page, pos - 1, found);
      return Outcome::OK();
    }
  }
  std::string key(cursor->key());
  return Confirmed(SeekLess(key, false, cursor, found));
}

// --- Insertion -------------------------------------------------------------

bool PageStore::NeedsSplit(const CachedPage* page) const {
  return page->expanded > kSplitAlways || (page->expanded > kSplitMany && page->records.size() > kManyRecords);
}

Outcome PageStore::PrepareWrite(const Record& record) {
  UnpinAll();
  KESTREL_RETURN_IF_FAILED(RequireWrite());
  if (record.bytes.size() > kMaxRecordLength || record.key_length > record.bytes.size() ||
      record.key_length == 0) {
    return Fail(Status::Corruption(Check::kRecordTooLong));
  }
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  return EnsureRoot(true);
}

// Splits `page` (whose parent entry is path.back()) until it and every page
// split off it satisfy the split rule. Entries go into the parent, which the
// caller checks afterwards. The path is borrowed: most calls split nothing.
Outcome PageStore::SplitDown(const std::vector<PathEntry>& path, CachedPage* page) {
  while (NeedsSplit(page)) {
    if (page->records.size() <= 1) return Fail(Status::Corruption(kCheckSplitSingleRecord));
    for (Cursor* c : page->cursors) c->PageGone();
    page->cursors.clear();
    if (path.empty()) {
      // The root keeps its place: its records move to a new page below it.
      CachedPage* child = NewPage(page->level);
      child->records = std::move(page->records);
      child->expanded = page->expanded;
      page->records = RecordTree();
      page->level = static_cast<uint8_t>(page->level + 1);
      page->records.InsertAt(0, IndexEntry(child->records.At(0).key(), child->ref));
      page->Recount();
      Touch(page);
      Touch(child);
      KESTREL_RETURN_IF_FAILED(SplitDown({{page, 0}}, child));
      continue;
    }
    CachedPage* parent = path.back().page;
    const size_t pos = path.back().pos;
    const size_t n = page->records.size();
    const size_t mid = n / 2;
    RecordTree right = page->records.SplitOff(mid);
    // The middle record joins the side with fewer records.
    if (mid < n - mid - 1) page->records.InsertAt(mid, right.EraseAt(0));
    CachedPage* sibling = NewPage(page->level);
    sibling->records = std::move(right);
    page->Recount();
    sibling->Recount();
    Touch(page);
    Touch(sibling);
    Record entry = IndexEntry(sibling->records.At(0).key(), sibling->ref);
    parent->expanded += parent->CostOf(entry);
    parent->records.InsertAt(pos + 1, std::move(entry));
    Touch(parent);
    std::vector<PathEntry> sub = path;
    sub.back().pos = pos + 1;
    KESTREL_RETURN_IF_FAILED(SplitDown(std::move(sub), sibling));
  }
  return Outcome::OK();
}

Outcome PageStore::SplitUpwards(std::vector<PathEntry> path, CachedPage* page) {
  for (;;) {
    KESTREL_RETURN_IF_FAILED(SplitDown(path, page));
    if (path.empty()) return Outcome::OK();
    page = path.back().page;
    path.pop_back();
  }
}

Outcome PageStore::InsertInto(std::vector<PathEntry> path, CachedPage* leaf, Record record) {
  record.child = 0;
  size_t cost = leaf->CostOf(record);
  if (!leaf->records.Insert(std::move(record))) return Fail(Status::Corruption(Check::kDuplicateKey));
  leaf->expanded += cost;
  Touch(leaf);
  return SplitUpwards(std::move(path), leaf);
}

Outcome PageStore::InsertCopyInto(std::vector<PathEntry> path, CachedPage* leaf, RecordView record) {
  record.child = 0;
  size_t cost = leaf->CostOf(record);
  if (!leaf->records.InsertCopy(record)) return Fail(Status::Corruption(Check::kDuplicateKey));
  leaf->expanded += cost;
  Touch(leaf);
  return SplitUpwards(std::move(path), leaf);
}

Outcome PageStore::Insert(Record record) {
  KESTREL_RETURN_IF_FAILED(PrepareWrite(record));
  std::vector<PathEntry> path;
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(record.key(), 0, &path, &leaf));
  return InsertInto(std::move(path), leaf, std::move(record));
}

void PageStore::PlaceInsertCursor(CachedPage* leaf, const std::string& upper, bool has_upper) {
  insert_cursor_.Attach(leaf);
  insert_upper_ = upper;
  insert_unbounded_ = !has_upper;
}

Outcome PageStore::InsertAppend(Record record) {
  KESTREL_RETURN_IF_FAILED(PrepareWrite(record));
  const std::string key(record.key());
  CachedPage* leaf = insert_cursor_.page_;
  CachedPage* left = nullptr;  // the leaf split, when the cursor's leaf was
  if (leaf && leaf->level == 0 && !leaf->records.empty() &&
      CompareKeys(key, leaf->records.At(leaf->records.size() - 1).key()) > 0 &&
      (insert_unbounded_ || CompareKeys(key, insert_upper_) < 0)) {
    cache_.Use(leaf);
    record.child = 0;
    leaf->expanded += leaf->CostOf(record);
    leaf->records.InsertAt(leaf->records.size(), std::move(record));
    Touch(leaf);
    if (!NeedsSplit(leaf)) return Outcome::OK();
    left = leaf;  // dirty: stays cached whatever the split does
    std::vector<PathEntry> path;
    KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf));
    KESTREL_RETURN_IF_FAILED(SplitUpwards(std::move(path), leaf));
  } else {
    std::vector<PathEntry> path;
    KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf));
    KESTREL_RETURN_IF_FAILED(InsertInto(std::move(path), leaf, std::move(record)));
  }
  // Find the leaf that holds the new record now, and the end of its range.
  std::vector<PathEntry> path;
  std::string upper;
  bool has_upper = false;
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf, &upper, &has_upper));
  PlaceInsertCursor(leaf, upper, has_upper);
  // Ascending additions leave the lower half of a split leaf alone from now
  // on: measuring it for the commit while its records are still in the
  // processor's cache saves reading them all again from memory then. A
  // failure shows at the commit, which measures the page again.
  if (left && left != leaf && left->level == 0) (void)MeasurePage(left);
  return Outcome::OK();
}

Outcome PageStore::Update(const Record& record, bool* found) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(PrepareWrite(record));
  std::vector<PathEntry> path;
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(record.key(), 0, &path, &leaf));
  size_t pos = leaf->records.LowerBound(record.key());
  if (pos >= leaf->records.size() || leaf->records.At(pos).key() != record.key()) return Outcome::OK();
  leaf->expanded -= leaf->CostOf(leaf->records.At(pos));
  leaf->records.ReplaceAt(pos, record.bytes, leaf->records.At(pos).key_length);
  leaf->expanded += leaf->CostOf(leaf->records.At(pos));
  Touch(leaf);
  *found = true;
  return SplitUpwards(std::move(path), leaf);
}

// --- Deletion --------------------------------------------------------------

Outcome PageStore::FixAfterRemoval(std::vector<PathEntry> path, CachedPage* page, bool first_changed,
                                   std::vector<CachedPage*>* freed) {
  for (;;) {
    if (page->records.empty()) {
      if (path.empty()) return Fail(Status::Corruption(kCheckSentinel));
      PathEntry e = path.back();
      path.pop_back();
      freed->push_back(page);
      e.page->expanded -= e.page->CostOf(e.page->records.At(e.pos));
      e.page->records.EraseAt(e.pos);
      Touch(e.page);
      page = e.page;
      first_changed = e.pos == 0;
      continue;
    }
    if (first_changed && !path.empty()) {
      PathEntry e = path.back();
      path.pop_back();
      e.page->expanded -= e.page->CostOf(e.page->records.At(e.pos));
      std::string_view first = page->records.At(0).key();
      e.page->records.ReplaceAt(e.pos, first, static_cast<uint16_t>(first.size()));
      e.page->expanded += e.page->CostOf(e.page->records.At(e.pos));
      Touch(e.page);
      page = e.page;
      first_changed = e.pos == 0;
      continue;
    }
    return Outcome::OK();
  }
}

Outcome PageStore::Remove(std::string_view key, bool* found) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(RequireWrite());
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1 || key.empty()) return Outcome::OK();  // the sentinel stays
  std::vector<PathEntry> path;
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, &path, &leaf));
  size_t pos = leaf->records.LowerBound(key);
  if (pos >= leaf->records.size() || leaf->records.At(pos).key() != key) return Outcome::OK();
  leaf->expanded -= leaf->CostOf(leaf->records.At(pos));
  leaf->records.EraseAt(pos);
  Touch(leaf);
  *found = true;
  std::vector<CachedPage*> freed;
  Outcome o = FixAfterRemoval(std::move(path), leaf, pos == 0, &freed);
  // Highest places first: the last page of an area, which fills a hole,
  // is then never one that is being freed too.
  std::sort(freed.begin(), freed.end(), [](const CachedPage* a, const CachedPage* b) { return a->ref > b->ref; });
  // Places are given back once the tree is consistent again, since giving
  // one back may move another page and search for its parent.
  for (CachedPage* page : freed) {
    if (o.ok() && page->ref >= 0) o = FreePlace(page, false);
    DropPage(page);
  }
  return o;
}

}  // namespace kestrel
