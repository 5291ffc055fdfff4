#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/kestrel/store/cached_page.h"

namespace kestrel {

// Decoded pages of one file: an index by reference, a least-recently-used
// list of the clean pages, the dirty list, and a use clock that ticks at
// every page access.
class PageCache {
 public:
  static constexpr size_t kKeepAtLeast = 20;
  static constexpr size_t kKeepAtMost = 100;
  // Pages kept at most instead of kKeepAtMost (the defined rule), dropped
  // by age only when the cache is full; for measuring what a larger cache
  // would buy.
  void setKeepAtMost(size_t n) { keep_at_most_ = std::max(n, kKeepAtLeast); }

  PageCache() = default;
  ~PageCache();
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  // Finds a page and counts the access; nullptr when not cached.
  CachedPage* Lookup(int32_t ref);
  // Counts an access to a page already at hand.
  void Use(CachedPage* page);
  // Buffers of the last packed page dropped, for decoding the next one.
  PackedPage TakeSpare() { return std::move(spare_); }
  // An empty page object for a page about to be loaded or created: the one
  // dropped last when there is one, with its allocations.
  std::unique_ptr<CachedPage> NewPageObject();
  bool Contains(int32_t ref) const { return index_.Find(ref) != nullptr; }
  // Takes ownership of a page just loaded or created.
  CachedPage* Add(std::unique_ptr<CachedPage> page);
  // The eviction rule, run before a page is loaded: while 20 or more pages
  // are cached, drop the least recently used clean page when 100 or more are
  // cached or when it has not been used for 4 times the average interval.
  void Trim();

  void Rehash(CachedPage* page, int32_t new_ref);
  void MarkDirty(CachedPage* page);
  // Pages of the dirty list become clean (after a commit).
  void CleanAll();
  // One page of the dirty list becomes clean (its image is on disk).
  void MarkClean(CachedPage* page);
  // Removes one page (cursors on it lose their page).
  void Drop(CachedPage* page);
  void DropAll();

  const std::vector<CachedPage*>& dirty() const { return dirty_; }
  size_t size() const { return count_; }
  uint64_t clock() const { return clock_; }

 private:
  size_t keep_at_most_ = kKeepAtMost;
  static size_t RecentSlot(int32_t ref) { return static_cast<uint32_t>(ref) % kRecent; }
  void LruRemove(CachedPage* p);
  void LruPushBack(CachedPage* p);
  void Unlink(CachedPage* p);

  // Open addressing with linear probing: one probe usually reaches the
  // page, where chained buckets cost a dependent read per link, and a long
  // write cycle leaves thousands of pages cached.
  class Index {
   public:
    CachedPage* Find(int32_t ref) const;
    // Maps `ref` to `page`, replacing an earlier mapping.
    void Set(int32_t ref, CachedPage* page);
    void Erase(int32_t ref);
    void Clear();
    template <typename Fn>
    void ForEach(Fn&& fn) const {
      for (const Slot& s : slots_) {
        if (s.page) fn(s.page);
      }
    }

   private:
    struct Slot {
      int32_t ref = 0;
      CachedPage* page = nullptr;  // nullptr: free
    };
    size_t Home(int32_t ref) const;
    void Grow();
    std::vector<Slot> slots_;
    size_t used_ = 0;
    int bits_ = 0;
  };
  Index index_;
  CachedPage* lru_head_ = nullptr;  // least recently used
  CachedPage* lru_tail_ = nullptr;
  std::vector<CachedPage*> dirty_;
  size_t count_ = 0;
  uint64_t clock_ = 0;
  PackedPage spare_;
  // The page last found per slot, tried before the index: searches go
  // through the same few index pages over and over, and the page object is
  // read next anyway. Pages leave it when dropped.
  // The reference is kept beside the page, so a slot holding another page
  // costs no read of that page's object.
  struct Recent {
    int32_t ref = 0;
    CachedPage* page = nullptr;
  };
  static constexpr size_t kRecent = 256;
  std::array<Recent, kRecent> recent_{};
  std::unique_ptr<CachedPage> spare_page_;
};

}  // namespace kestrel
