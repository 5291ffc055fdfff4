#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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
// records whose bytes share the chunk's buffer: a search reads a few
// contiguous arrays instead of chasing nodes, a short record costs no heap
// allocation of its own, and records are counted and reached by position
// through the chunk sizes.
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
    if (!packed_mode_) return ChunkedAt(pos);
    const PackedRecord& r = packed_.records[pos];
    return RecordView(std::string_view(packed_.bytes.data() + r.offset, r.length), r.key_length, r.child);
  }

  // Position of the first record whose key is not smaller than `key`
  // (size() when none).
  size_t LowerBound(std::string_view key) const;
  // Position of the last record whose key is not greater than `key`, or -1.
  ptrdiff_t Floor(std::string_view key) const;

  // Inserts in key order; false (tree unchanged) when the key exists.
  bool Insert(Record record, size_t* pos = nullptr);
  // The same, copying the record: the caller keeps its allocation.
  bool InsertCopy(RecordView record, size_t* pos = nullptr);
  // Inserts at `pos`; the caller keeps the order.
  void InsertAt(size_t pos, Record record);
  Record EraseAt(size_t pos);
  // Gives the record at `pos` new bytes and key length, keeping its child;
  // the caller keeps the order. `bytes` must not lie in this tree.
  void ReplaceAt(size_t pos, std::string_view bytes, uint16_t key_length);
  void SetChild(size_t pos, uint32_t child);
  // The bytes of the record at `pos`, for changes that keep its length and
  // key; valid until the tree changes.
  char* MutableBytes(size_t pos);
  // Moves the records from `pos` on into the returned tree.
  RecordTree SplitOff(size_t pos);
  void Clear();

  template <typename Fn>
  void ForEach(Fn&& fn) const {
    if (packed_mode_) {
      for (size_t i = 0; i < packed_.records.size(); ++i) fn(At(i));
    } else {
      for (const Chunk& c : chunks_) {
        for (const Slot& s : c.slots) fn(c.View(s));
      }
    }
  }
  // Fills `out` with the records in order, to be read as a page's records:
  // long records lend their buffers, short ones are copied into the strings
  // `out` already holds. Nothing may change the tree until ReturnLent.
  void Lend(std::vector<Record>* out);
  // Takes the lent buffers back from `out`, which must be as Lend left it.
  void ReturnLent(std::vector<Record>* out);
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
  // A record of a chunk: its bytes lie in the chunk's buffer, or, for a long
  // record, in a string of its own that moved in with it uncopied.
  struct Slot {
    uint32_t offset = 0;
    uint16_t length = 0;
    uint16_t key_length = 0;
    uint32_t child = 0;
    std::string* own = nullptr;
  };
  struct Chunk {
    std::vector<Slot> slots;
    std::string bytes;
    size_t garbage = 0;  // bytes of the buffer no slot uses any more

    Chunk() = default;
    Chunk(Chunk&& other) noexcept
        : slots(std::move(other.slots)), bytes(std::move(other.bytes)), garbage(other.garbage) {
      other.slots.clear();
    }
    Chunk& operator=(Chunk&& other) noexcept;
    ~Chunk() { FreeOwn(); }
    void FreeOwn();

    const char* Data(const Slot& s) const { return s.own ? s.own->data() : bytes.data() + s.offset; }
    size_t Length(const Slot& s) const { return s.own ? s.own->size() : s.length; }
    std::string_view Key(const Slot& s) const { return std::string_view(Data(s), s.key_length); }
    RecordView View(const Slot& s) const {
      return RecordView(std::string_view(Data(s), Length(s)), s.key_length, s.child);
    }
  };
  // Where a position lies: chunk index, index inside it, and the position
  // of the chunk's first record.
  struct Place {
    size_t chunk = 0;
    size_t index = 0;
    size_t start = 0;
  };

  RecordView ChunkedAt(size_t pos) const {
    if (found_valid_ && pos - found_start_ < chunks_[found_chunk_].slots.size()) {
      const Chunk& c = chunks_[found_chunk_];
      return c.View(c.slots[pos - found_start_]);
    }
    return SlowAt(pos);
  }
  RecordView SlowAt(size_t pos) const;
  // The chunk holding `pos` (pos < size()), found from the remembered chunk
  // when there is one.
  Place Locate(size_t pos) const;
  // The chunk a record of `key` belongs in: the last whose first key is not
  // above it (the first chunk when none is), and its start position.
  Place ChunkFor(std::string_view key) const;
  static size_t CountBelow(const Chunk& c, std::string_view key, bool or_equal);
  void Remember(size_t chunk, size_t start) const {
    found_valid_ = true;
    found_chunk_ = chunk;
    found_start_ = start;
  }
  // A slot for `record` in `c`, its bytes appended to the chunk's buffer or
  // moved into a string of their own.
  // `movable`, when given, holds the record of `view` and may give up its
  // bytes.
  static Slot Store(Chunk* c, RecordView view, Record* movable);
  template <typename SlotFn>
  void FillChunks(size_t n, SlotFn slot);
  static Slot Store(Chunk* c, std::string_view bytes, uint16_t key_length, uint32_t child);
  // Moves slots [from, end) of `src` to the end of `dst`.
  static void MoveSlots(Chunk* src, size_t from, Chunk* dst);
  // Rewrites the chunk's buffer without its unused bytes once they are many.
  static void MaybeCompact(Chunk* c);
  void InsertInChunk(Place at, RecordView view, Record* movable);
  bool InsertImpl(RecordView view, Record* movable, size_t* pos);
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
