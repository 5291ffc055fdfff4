#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

int PageStore::ReadPlain(uint64_t at, char* buf, size_t n, size_t* got) {
  int rc = file_->Read(at, buf, n, got);
  if (rc == kOk && cipher_) Unscramble(*cipher_, buf, *got / kCipherBlockSize * kCipherBlockSize);
  return rc;
}

void PageStore::ScrambleBuffer(std::string* bytes) const {
  if (cipher_) Scramble(*cipher_, bytes->data(), bytes->size());
}

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
// read through, else from its own place. In read mode, a load that follows
// the previous one in its area reads the next pages of the area with it, in
// a window that doubles while the loads keep following each other: a scan
// in key order over pages written in that order then costs a read per
// window instead of a read per page.
Outcome PageStore::LoadPage(int32_t ref, CachedPage** out) {
  if (ref < 0) return Fail(Status::Corruption(Check::kTreeShape));
  int units = 0;
  Status s = header_.SizeClassOf(static_cast<uint32_t>(ref), &units);
  if (!s.ok()) return Fail(s);
  cache_.Trim();
  const uint64_t position = PagePosition(static_cast<uint32_t>(ref));
  uint64_t at = position;
  if (!journal_map_.empty()) {
    auto it = journal_map_.find(position);
    if (it != journal_map_.end()) at = it->second;
  }
  const bool follows = ref == last_load_ref_ + last_load_units_ && units == last_load_units_;
  read_ahead_pages_ = follows ? std::min(std::max<uint32_t>(read_ahead_pages_ * 2, kFirstReadAhead), kMaxReadAhead)
                              : 0;
  uint32_t extra = 0;
  if (read_ahead_pages_ > 0 && !write_mode_ && journal_map_.empty()) {
    const uint32_t area_end = header_.area_end[units];
    const uint32_t after = static_cast<uint32_t>(ref) + static_cast<uint32_t>(units);
    if (area_end > after) extra = std::min(read_ahead_pages_, (area_end - after) / static_cast<uint32_t>(units));
  }
  const size_t page_bytes = static_cast<size_t>(units) * kUnitSize;
  // One buffer serves every load: a fresh one per page costs more than the read.
  std::string& image = read_buffer_;
  image.resize(page_bytes * (1 + extra));
  size_t got = 0;
  int rc = ReadPlain(at, image.data(), image.size(), &got);
  // Even a failed or short read may only be a commit elsewhere.
  if (reading_unlocked_) KESTREL_RETURN_IF_FAILED(CheckUnlockedRead());
  if (rc != kOk) return Outcome::Code(rc);
  if (got < page_bytes) return Fail(Status::Corruption(Check::kShortPageRead));
  s = AddLoadedPage(ref, units, std::string_view(image.data(), page_bytes), out);
  if (!s.ok()) return Fail(s);
  last_load_ref_ = ref;
  last_load_units_ = units;
  // Pages read ahead that do not decode as the page of their place are
  // simply not kept: the tree never led there. The page asked for is held
  // meanwhile, so making room for them cannot drop it.
  ++(*out)->pins;
  for (uint32_t i = 1; i <= extra && (i + 1) * page_bytes <= got; ++i) {
    const int32_t next = ref + static_cast<int32_t>(i) * units;
    if (!cache_.Contains(next)) {
      cache_.Trim();
      CachedPage* ignored = nullptr;
      if (!AddLoadedPage(next, units, std::string_view(image.data() + i * page_bytes, page_bytes), &ignored).ok()) {
        break;
      }
    }
    last_load_ref_ = next;
  }
  --(*out)->pins;
  return Outcome::OK();
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
  pinned_.clear();
  insert_cursor_.Reset();
  cache_.DropAll();
}

}  // namespace kestrel
