#ifndef RUNTIME_KESTREL_STORE_RECORD_TREE_H_
#define RUNTIME_KESTREL_STORE_RECORD_TREE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record.h"

namespace kestrel {

// A record of a RecordTree seen in place; valid until the tree changes.
struct RecordView {
  std::string_view bytes;
  uint16_t key_length = 0;
  uint32_t child = 0;

  RecordView() = default;
  RecordView(std::string_view b, uint16_t k, uint32_t c) : bytes(b), key_length(k), child(c) {}
  RecordView(const Record& r) : bytes(r.bytes), key_length(r.key_length), child(r.child) {}  // NOLINT

  std::string_view key() const { return bytes.substr(0, key_length); }
  std::string_view value() const { return bytes.substr(key_length); }
  void CopyTo(Record* out) const {
    out->bytes.assign(bytes.data(), bytes.size());
    out->key_length = key_length;
    out->child = child;
  }
};

// The records of one cached page. A page fresh from the file keeps its
// records packed in one buffer, which serves reads by binary search; the
// first change turns them into a list of chunks, each a short sorted array of
// records: a search reads a few contiguous arrays instead of chasing nodes,
// and records are counted and reached by position through the chunk sizes.
class RecordTree {
 public:
  RecordTree() = default;
  ~RecordTree() = default;
  RecordTree(RecordTree&& other) noexcept;
  RecordTree& operator=(RecordTree&& other) noexcept;
  RecordTree(const RecordTree&) = delete;
  RecordTree& operator=(const RecordTree&) = delete;

  size_t size() const { return packed_mode_ ? packed_.records.size() : size_; }
  bool empty() const { return size() == 0; }
  RecordView At(size_t pos) const {
    if (!packed_mode_) return RecordView(ChunkedAt(pos));
    const PackedRecord& r = packed_.records[pos];
    return RecordView(std::string_view(packed_.bytes.data() + r.offset, r.length), r.key_length, r.child);
  }
  Record& MutableAt(size_t pos);

  // Position of the first record whose key is not smaller than `key`
  // (size() when none).
  size_t LowerBound(std::string_view key) const;
  // Position of the last record whose key is not greater than `key`, or -1.
  ptrdiff_t Floor(std::string_view key) const;

  // Inserts in key order; false (tree unchanged) when the key exists.
  bool Insert(Record record, size_t* pos = nullptr);
  // Inserts at `pos`; the caller keeps the order.
  void InsertAt(size_t pos, Record record);
  Record EraseAt(size_t pos);
  // Moves the records from `pos` on into the returned tree.
  RecordTree SplitOff(size_t pos);
  void Clear();

  template <typename Fn>
  void ForEach(Fn&& fn) const {
    if (packed_mode_) {
      for (size_t i = 0; i < packed_.records.size(); ++i) fn(At(i));
    } else {
      for (const Chunk& c : chunks_) {
        for (const Record& r : c.records) fn(RecordView(r));
      }
    }
  }
  // Visits the records in order for moving them out and back in; the
  // caller must leave the keys as they were.
  template <typename Fn>
  void ForEachMutable(Fn&& fn) {
    Unpack();
    for (Chunk& c : chunks_) {
      for (Record& r : c.records) fn(r);
    }
  }
  // Replaces the contents with records already in key order, in linear time.
  void BuildFromSorted(std::vector<Record>&& records);
  // Replaces the contents with a decoded page's records, kept packed.
  void AdoptPacked(PackedPage&& page);
  // Packs the records into one buffer, for pages that are read far more
  // often than changed: searches then touch two arrays instead of several.
  // The next change unpacks them again.
  void Pack();
  // Gives the packed buffers back (empty when the tree is not packed), so
  // their allocations can serve the next page.
  void ReleasePacked(PackedPage* out);
  bool packed() const { return packed_mode_; }

 private:
  struct Chunk {
    std::vector<Record> records;
  };
  // Where a position lies: chunk index, index inside it, and the position
  // of the chunk's first record.
  struct Place {
    size_t chunk = 0;
    size_t index = 0;
    size_t start = 0;
  };

  const Record& ChunkedAt(size_t pos) const {
    if (found_valid_ && pos - found_start_ < chunks_[found_chunk_].records.size()) {
      return chunks_[found_chunk_].records[pos - found_start_];
    }
    return SlowAt(pos);
  }
  const Record& SlowAt(size_t pos) const;
  // The chunk holding `pos` (pos < size()), found from the remembered chunk
  // when there is one.
  Place Locate(size_t pos) const;
  // The chunk a record of `key` belongs in: the last whose first key is not
  // above it (the first chunk when none is), and its start position.
  Place ChunkFor(std::string_view key) const;
  void Remember(size_t chunk, size_t start) const {
    found_valid_ = true;
    found_chunk_ = chunk;
    found_start_ = start;
  }
  void InsertInChunk(Place at, Record&& record);
  // Turns packed records into chunks before a change.
  void Unpack();
  size_t PackedCountBelow(std::string_view key, bool or_equal) const;

  void ForgetFound() const { found_valid_ = false; }

  std::vector<Chunk> chunks_;
  size_t size_ = 0;
  // The chunk the last search or read ended in, and its first position: a
  // search is mostly followed by reading the record it found or the one
  // after it, which then needs no walk over the chunks.
  mutable bool found_valid_ = false;
  mutable size_t found_chunk_ = 0;
  mutable size_t found_start_ = 0;
  bool packed_mode_ = false;
  PackedPage packed_;
};

}  // namespace kestrel

#endif  // RUNTIME_KESTREL_STORE_RECORD_TREE_H_
