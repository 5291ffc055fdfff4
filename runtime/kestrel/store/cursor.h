#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/kestrel/format/record.h"

namespace kestrel {

struct CachedPage;
class PageStore;

// A position in the tree. It remembers its record, so when its page is
// split, freed or dropped from the cache it finds its place again by key.
class Cursor {
 public:
  Cursor() = default;
  ~Cursor() { Detach(); }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  // False before the first successful positioning and after a search that
  // found nothing (the low sentinel is never a current record).
  bool valid() const { return valid_; }
  const Record& record() const { return record_; }
  std::string_view key() const { return record_.key(); }
  std::string_view value() const { return record_.value(); }

  void Reset() {
    Detach();
    valid_ = false;
  }

 private:
  friend class PageStore;
  friend class PageCache;
  void Attach(CachedPage* page);
  void Detach();
  void PageGone() { page_ = nullptr; }

  CachedPage* page_ = nullptr;
  size_t pos_ = 0;         // position of the record in page_ ...
  uint64_t version_ = 0;   // ... while the page has this version
  Record record_;
  bool valid_ = false;
};

}  // namespace kestrel
