#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/store/record_tree.h"

namespace kestrel {

class Cursor;

// A decoded page held by the cache. Negative references are temporary: the
// page has no place in the file yet.
struct CachedPage {
  int32_t ref = 0;
  uint8_t level = 0;
  RecordTree records;
  size_t expanded = kPageHeaderSize;  // 13 + sum(length + 5) (+4 per record on index pages)
  bool dirty = false;
  int pins = 0;
  uint64_t created = 0;
  uint64_t last_use = 0;
  std::string image;  // journaled image during a commit
  // An image (at reference 0) built while measuring the records of
  // measured_version: a leaf's that compressed far, or any of a page that
  // goes through the journal. Used once when the page is written, and only
  // if the records are still of that version.
  std::string kept_image;
  int units = 0;      // size class of the page's image
  bool stored_plain = false;  // the image stores its record stream uncompressed
  bool image_valid = false;   // placed by this commit's preparation for its current records
  // units and stored_plain were measured for the records of this version.
  bool measured = false;
  uint64_t measured_version = 0;
  uint64_t version = 0;  // changes whenever the records change
  std::vector<Cursor*> cursors;

  // Cache links.
  CachedPage* lru_prev = nullptr;
  CachedPage* lru_next = nullptr;
  bool in_lru = false;
  size_t dirty_index = 0;

  bool isIndex() const { return level > 0; }
  size_t CostOf(RecordView r) const { return ExpandedCost(r.bytes.size(), isIndex()); }
  void Recount();
  // Back to a new page's state, keeping the cursor list's allocation.
  void Reset();
};

}  // namespace kestrel
