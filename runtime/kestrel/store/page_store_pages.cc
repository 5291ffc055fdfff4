#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

Outcome PageStore::GetPage(int32_t ref, CachedPage** out) {
  CachedPage* page = cache_.Lookup(ref);
  if (!page) KESTREL_RETURN_IF_FAILED(LoadPage(ref, &page));
  if (page->pins++ == 0) pinned_.push_back(page);
  *out = page;
  return Outcome::OK();
}

void PageStore::UnpinAll() {
  for (CachedPage* p : pinned_) p->pins = 0;
  pinned_.clear();
}

// Reads and decodes a page: from its journal copy when a journal is being
// read through, else from its own place. In read mode the read takes the
// pages around it in its size area too (see ReadWindow): a walk over
// neighbouring pages, in key order or not, then costs one read per window
// instead of one per page.
Outcome PageStore::LoadPage(int32_t ref, CachedPage** out) {
  if (ref < 0) return Fail(Status::Corruption(Check::kTreeShape));
  int units = 0;
  Status s = header_.SizeClassOf(static_cast<uint32_t>(ref), &units);
  if (!s.ok()) return Fail(s);
  cache_.Trim();
  const uint64_t position = PagePosition(static_cast<uint32_t>(ref));
  const size_t page_bytes = static_cast<size_t>(units) * kUnitSize;
  const char* image = nullptr;
  if (const ReadWindow* w = WindowHolding(position, page_bytes)) {
    image = w->bytes.data() + (position - w->from);
  } else {
    uint64_t at = position;
    if (!journal_map_.empty()) {
      auto it = journal_map_.find(position);
      if (it != journal_map_.end()) at = it->second;
    }
    const bool windowed = !writeMode() && journal_map_.empty();
    ReadWindow* fill = WindowFor(windowed ? units : 0);
    uint64_t from = at;
    size_t length = page_bytes;
    if (windowed) PlaceWindow(*fill, ref, units, &from, &length);
    fill->valid = false;
    // The buffers are kept: a fresh one per read costs more than the read.
    std::string& bytes = fill->bytes;
    bytes.resize(length);
    size_t got = 0;
    int rc = journal_.ReadPlain(from, bytes.data(), length, &got);
    if (state_ == State::kReadingUnlocked) {
      // Believed once the search confirms its reads (Confirmed). Even a
      // failed or short read may only be a commit elsewhere.
      unconfirmed_ = true;
      if (rc != rt::Error_NoError || got < at - from + page_bytes) KESTREL_RETURN_IF_FAILED(ConfirmUnlockedReads());
    }
    if (rc != rt::Error_NoError) return Outcome::Code(rc);
    if (got < at - from + page_bytes) return Fail(Status::Corruption(Check::kShortPageRead));
    bytes.resize(got);
    fill->from = from;
    fill->counter = header_.change_counter;
    fill->units = units;
    fill->valid = windowed;
    image = bytes.data() + (at - from);
  }
  s = AddLoadedPage(ref, units, std::string_view(image, page_bytes), out);
  return s.ok() ? Outcome::OK() : Fail(s);
}

const PageStore::ReadWindow* PageStore::WindowHolding(uint64_t position, size_t length) const {
  if (writeMode() || !journal_map_.empty()) return nullptr;
  for (const ReadWindow& w : windows_) {
    if (w.valid && w.counter == header_.change_counter && position >= w.from &&
        position + length <= w.from + w.bytes.size()) {
      return &w;
    }
  }
  return nullptr;
}

// The window of the page's size area, else the one used least recently.
PageStore::ReadWindow* PageStore::WindowFor(int units) {
  ReadWindow* pick = &windows_[0];
  for (ReadWindow& w : windows_) {
    if (w.valid && w.units == units) {
      pick = &w;
      break;
    }
    if (!w.valid || w.last_use < pick->last_use) pick = &w;
  }
  pick->last_use = ++window_clock_;
  return pick;
}

// A window is about kWindowBytes of the page's size area. A load right
// after the end of the area's last window reads onwards from the page, in
// a window twice as long as that one up to kMaxWindowBytes (a scan); any
// other load reads as much before the page as after it, since keys lead to
// neighbouring pages in either direction.
void PageStore::PlaceWindow(const ReadWindow& w, int32_t ref, int units, uint64_t* from, size_t* length) const {
  const uint32_t u = static_cast<uint32_t>(units);
  const uint32_t page = static_cast<uint32_t>(ref);
  const uint32_t start = header_.area_start[units];
  const uint32_t end = header_.area_end[units];
  if (page < start || page + u > end) return;  // not where its area says: read the page alone
  const bool onwards = w.valid && w.units == units && PagePosition(page) == w.from + w.bytes.size();
  const size_t bytes = onwards ? std::min(std::max(2 * w.bytes.size(), kWindowBytes), kMaxWindowBytes) : kWindowBytes;
  const uint32_t pages = std::max<uint32_t>(1, static_cast<uint32_t>(bytes / kUnitSize) / u);
  const uint32_t before = onwards ? 0 : std::min((pages - 1) / 2, (page - start) / u);
  const uint32_t after = std::min(pages - 1 - before, (end - page - u) / u);
  *from = PagePosition(page - before * u);
  *length = static_cast<size_t>(before + 1 + after) * u * kUnitSize;
}

Status PageStore::AddLoadedPage(int32_t ref, int units, std::string_view image, CachedPage** out) {
  // Decoded into the buffers of the page dropped last, which fit most pages already.
  PackedPage decoded = cache_.TakeSpare();
  PageHeader ph;
  Status s = DecodePagePacked(image, &decoded, &ph, units, &decode_scratch_);
  if (!s.ok()) return s;
  if (ph.own_position != PagePosition(static_cast<uint32_t>(ref))) return Status::Corruption(Check::kPageHeader);
  std::unique_ptr<CachedPage> page = cache_.NewPageObject();
  page->ref = ref;
  page->level = decoded.level;
  // The packed buffer holds exactly the records' bytes.
  page->expanded = kPageHeaderSize + decoded.bytes.size() + decoded.records.size() * page->CostOf(RecordView());
  page->records.AdoptPacked(std::move(decoded));
  *out = cache_.Add(std::move(page));
  return Status::OK();
}

CachedPage* PageStore::NewPage(uint8_t level) {
  std::unique_ptr<CachedPage> page = cache_.NewPageObject();
  page->ref = next_temp_--;
  page->level = level;
  page->dirty = true;  // kept off the LRU list by Add
  CachedPage* p = cache_.Add(std::move(page));
  p->dirty = false;
  cache_.MarkDirty(p);
  p->pins++;
  pinned_.push_back(p);
  return p;
}

void PageStore::Touch(CachedPage* page) {
  ++page->version;
  cache_.MarkDirty(page);
  page->image_valid = false;
  header_changed_ = true;
  ++changes_;
}

// The first write access to a file without pages creates the root leaf
// holding the low sentinel.
Outcome PageStore::EnsureRoot(bool create) {
  if (root_ != -1 || !create) return Outcome::OK();
  CachedPage* root = NewPage(0);
  Record sentinel;
  root->records.InsertAt(0, sentinel);
  root->Recount();
  root_ = root->ref;
  Touch(root);
  return Outcome::OK();
}

}  // namespace kestrel

namespace kestrel {

void PageStore::DropPage(CachedPage* page) {
  for (auto it = pinned_.begin(); it != pinned_.end(); ++it) {
    if (*it == page) {
      pinned_.erase(it);
      break;
    }
  }
  cache_.Drop(page);
}

void PageStore::DropAllPages() {
  for (ReadWindow& w : windows_) w.valid = false;
  pinned_.clear();
  insert_cursor_.Reset();
  cache_.DropAll();
}

}  // namespace kestrel
