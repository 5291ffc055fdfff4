#include "runtime/kestrel/store/page_cache.h"

#include <utility>

#include "runtime/kestrel/store/cursor.h"

namespace kestrel {

PageCache::~PageCache() { DropAll(); }

size_t PageCache::Index::Home(int32_t ref) const {
  // Fibonacci hashing spreads neighbouring references over the table.
  return static_cast<size_t>((static_cast<uint32_t>(ref) * 0x9E3779B9u) >> (32 - bits_));
}

CachedPage* PageCache::Index::Find(int32_t ref) const {
  if (used_ == 0) return nullptr;
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(ref);; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (!s.page) return nullptr;
    if (s.ref == ref) return s.page;
  }
}

void PageCache::Index::Set(int32_t ref, CachedPage* page) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(ref);; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (!s.page) {
      s = {ref, page};
      ++used_;
      return;
    }
    if (s.ref == ref) {
      s.page = page;
      return;
    }
  }
}

void PageCache::Index::Erase(int32_t ref) {
  if (used_ == 0) return;
  const size_t mask = slots_.size() - 1;
  size_t i = Home(ref);
  while (slots_[i].page && slots_[i].ref != ref) i = (i + 1) & mask;
  if (!slots_[i].page) return;
  // Backward shift: every later entry of the run that may move closer to
  // its home slot fills the hole, so no probe sequence is cut short.
  size_t hole = i;
  for (size_t j = (i + 1) & mask; slots_[j].page; j = (j + 1) & mask) {
    const size_t home = Home(slots_[j].ref);
    if (((j - home) & mask) >= ((j - hole) & mask)) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot();
  --used_;
}

void PageCache::Index::Grow() {
  std::vector<Slot> old = std::move(slots_);
  bits_ = bits_ == 0 ? 8 : bits_ + 1;
  slots_.assign(size_t{1} << bits_, Slot());
  used_ = 0;
  for (const Slot& s : old) {
    if (s.page) Set(s.ref, s.page);
  }
}

void PageCache::Index::Clear() {
  slots_.clear();
  used_ = 0;
  bits_ = 0;
}

void PageCache::LruRemove(CachedPage* p) {
  if (!p->in_lru) return;
  (p->lru_prev ? p->lru_prev->lru_next : lru_head_) = p->lru_next;
  (p->lru_next ? p->lru_next->lru_prev : lru_tail_) = p->lru_prev;
  p->lru_prev = p->lru_next = nullptr;
  p->in_lru = false;
}

void PageCache::LruPushBack(CachedPage* p) {
  p->lru_prev = lru_tail_;
  p->lru_next = nullptr;
  (lru_tail_ ? lru_tail_->lru_next : lru_head_) = p;
  lru_tail_ = p;
  p->in_lru = true;
}

CachedPage* PageCache::Lookup(int32_t ref) {
  Recent& recent = recent_[RecentSlot(ref)];
  CachedPage* p = recent.page;
  if (!p || recent.ref != ref) {
    p = index_.Find(ref);
    if (!p) return nullptr;
    recent = {ref, p};
  }
  Use(p);
  return p;
}

void PageCache::Use(CachedPage* p) {
  p->last_use = ++clock_;
  if (p->in_lru && p != lru_tail_) {
    LruRemove(p);
    LruPushBack(p);
  }
}

CachedPage* PageCache::Add(std::unique_ptr<CachedPage> owned) {
  CachedPage* p = owned.release();
  p->created = p->last_use = ++clock_;
  index_.Set(p->ref, p);
  if (!p->dirty) LruPushBack(p);
  ++count_;
  return p;
}

void PageCache::Trim() {
  while (count_ >= kKeepAtLeast && lru_head_ && lru_head_->pins == 0) {
    CachedPage* p = lru_head_;
    bool drop = count_ >= keep_at_most_ ||
                (keep_at_most_ == kKeepAtMost && (clock_ - p->last_use) >= 4 * ((clock_ - p->created) / count_));
    if (!drop) break;
    Drop(p);
  }
}

void PageCache::Rehash(CachedPage* page, int32_t new_ref) {
  if (recent_[RecentSlot(page->ref)].page == page) recent_[RecentSlot(page->ref)] = Recent();
  index_.Erase(page->ref);
  page->ref = new_ref;
  index_.Set(new_ref, page);
}

void PageCache::MarkDirty(CachedPage* page) {
  if (page->dirty) return;
  page->dirty = true;
  LruRemove(page);
  page->dirty_index = dirty_.size();
  dirty_.push_back(page);
}

void PageCache::CleanAll() {
  for (CachedPage* p : dirty_) {
    p->dirty = false;
    p->image_valid = false;
    p->image.clear();
    p->image.shrink_to_fit();
    LruPushBack(p);
  }
  dirty_.clear();
}

void PageCache::MarkClean(CachedPage* p) {
  if (!p->dirty) return;
  CachedPage* last = dirty_.back();
  dirty_[p->dirty_index] = last;
  last->dirty_index = p->dirty_index;
  dirty_.pop_back();
  p->dirty = false;
  p->image_valid = false;
  std::string().swap(p->image);
  LruPushBack(p);
}

void PageCache::Unlink(CachedPage* p) {
  if (recent_[RecentSlot(p->ref)].page == p) recent_[RecentSlot(p->ref)] = Recent();
  index_.Erase(p->ref);
  LruRemove(p);
  if (p->dirty) {
    CachedPage* last = dirty_.back();
    dirty_[p->dirty_index] = last;
    last->dirty_index = p->dirty_index;
    dirty_.pop_back();
  }
  for (Cursor* c : p->cursors) c->PageGone();
  p->cursors.clear();
  --count_;
}

void PageCache::Drop(CachedPage* page) {
  Unlink(page);
  page->records.ReleasePacked(&spare_);
  if (spare_page_) {
    delete page;
  } else {
    page->Reset();
    spare_page_.reset(page);
  }
}

std::unique_ptr<CachedPage> PageCache::NewPageObject() {
  if (spare_page_) return std::move(spare_page_);
  return std::make_unique<CachedPage>();
}

void PageCache::DropAll() {
  // Everything goes: no list needs unlinking page by page.
  index_.ForEach([](CachedPage* page) {
    for (Cursor* c : page->cursors) c->PageGone();
    delete page;
  });
  index_.Clear();
  lru_head_ = lru_tail_ = nullptr;
  recent_.fill(Recent());
  dirty_.clear();
  count_ = 0;
}

}  // namespace kestrel
