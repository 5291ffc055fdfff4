#include "runtime/kestrel/store/page_cache.h"

#include <utility>

#include "runtime/kestrel/store/cursor.h"

namespace kestrel {

PageCache::~PageCache() { DropAll(); }

int PageCache::Bucket(int32_t ref) {
  int b = ref % kBuckets;
  return b < 0 ? b + kBuckets : b;
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
  CachedPage*& recent = recent_[RecentSlot(ref)];
  CachedPage* p = recent;
  if (!p || p->ref != ref) {
    auto& bucket = buckets_[Bucket(ref)];
    auto it = bucket.find(ref);
    if (it == bucket.end()) return nullptr;
    p = recent = it->second;
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
  buckets_[Bucket(p->ref)][p->ref] = p;
  if (!p->dirty) LruPushBack(p);
  ++count_;
  return p;
}

void PageCache::Trim() {
  while (count_ >= kKeepAtLeast && lru_head_ && lru_head_->pins == 0) {
    CachedPage* p = lru_head_;
    bool drop = count_ >= kKeepAtMost ||
                (clock_ - p->last_use) >= 4 * ((clock_ - p->created) / count_);
    if (!drop) break;
    Drop(p);
  }
}

void PageCache::Rehash(CachedPage* page, int32_t new_ref) {
  if (recent_[RecentSlot(page->ref)] == page) recent_[RecentSlot(page->ref)] = nullptr;
  // The map node moves with the page: placing the pages of a big commit
  // renames thousands of them.
  auto node = buckets_[Bucket(page->ref)].extract(page->ref);
  page->ref = new_ref;
  auto& bucket = buckets_[Bucket(new_ref)];
  if (node.empty()) {
    bucket[new_ref] = page;
    return;
  }
  node.key() = new_ref;
  node.mapped() = page;
  auto result = bucket.insert(std::move(node));
  if (!result.inserted) result.position->second = page;
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

void PageCache::Unlink(CachedPage* p) {
  if (recent_[RecentSlot(p->ref)] == p) recent_[RecentSlot(p->ref)] = nullptr;
  buckets_[Bucket(p->ref)].erase(p->ref);
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
  for (auto& bucket : buckets_) {
    for (auto& [ref, page] : bucket) {
      for (Cursor* c : page->cursors) c->PageGone();
      delete page;
    }
    bucket.clear();
  }
  lru_head_ = lru_tail_ = nullptr;
  recent_.fill(nullptr);
  dirty_.clear();
  count_ = 0;
}

}  // namespace kestrel
