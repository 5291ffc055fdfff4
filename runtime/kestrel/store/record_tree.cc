#include "runtime/kestrel/store/record_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace kestrel {

namespace {

// CompareKeys without a call to memcmp for most pairs: both keys are read 8
// bytes at a time as big-endian numbers while both have 8 bytes left. The
// keys of one page share their first bytes (table, key number, leading
// components), so the first word alone often ties.
inline int CompareKeysQuick(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; i < n; ++i) {
    const uint8_t x = static_cast<uint8_t>(a[i]), y = static_cast<uint8_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Chunks hold at most kChunkMax records: an insert moves half a chunk's
// slots on average, and a position is found by adding up a page's few chunk
// sizes. Chunks built whole are filled to kBuildFill, leaving room for
// inserts.
constexpr size_t kChunkMax = 128;
constexpr size_t kBuildFill = 96;
// Neighbours that together fall to this many records after an erase merge.
constexpr size_t kMergeAt = kChunkMax / 2;
// Records longer than this (data rows) keep their own string, moved in:
// copying them into a chunk's buffer would cost more than it saves.
constexpr size_t kLongRecord = 256;
// A chunk's buffer is rewritten once this many of its bytes, and half of
// them, are unused.
constexpr size_t kCompactFrom = 1024;

// How many chunks `n` records built whole take; chunk i of them gets
// ChunkShare(n, chunks, i) records, so they differ by one at most.
size_t ChunksFor(size_t n) { return (n + kBuildFill - 1) / kBuildFill; }
size_t ChunkShare(size_t n, size_t chunks, size_t i) { return n / chunks + (i < n % chunks ? 1 : 0); }

}  // namespace

RecordTree::Chunk& RecordTree::Chunk::operator=(Chunk&& other) noexcept {
  if (this != &other) {
    FreeOwn();
    slots = std::move(other.slots);
    other.slots.clear();
    bytes = std::move(other.bytes);
    garbage = other.garbage;
  }
  return *this;
}

void RecordTree::Chunk::FreeOwn() {
  for (Slot& s : slots) delete s.own;
  slots.clear();
}

RecordTree::Slot RecordTree::Store(Chunk* c, RecordView view, Record* movable) {
  if (movable && view.bytes.size() > kLongRecord) {
    Slot s;
    s.key_length = view.key_length;
    s.child = view.child;
    s.own = new std::string(std::move(movable->bytes));
    return s;
  }
  return Store(c, view.bytes, view.key_length, view.child);
}

RecordTree::Slot RecordTree::Store(Chunk* c, std::string_view bytes, uint16_t key_length, uint32_t child) {
  Slot s;
  s.key_length = key_length;
  s.child = child;
  if (bytes.size() > kLongRecord) {
    s.own = new std::string(bytes);
  } else {
    s.offset = static_cast<uint32_t>(c->bytes.size());
    s.length = static_cast<uint16_t>(bytes.size());
    c->bytes.append(bytes);
  }
  return s;
}

void RecordTree::MoveSlots(Chunk* src, size_t from, Chunk* dst) {
  for (size_t i = from; i < src->slots.size(); ++i) {
    Slot s = src->slots[i];
    if (!s.own) {
      src->garbage += s.length;
      s.offset = static_cast<uint32_t>(dst->bytes.size());
      dst->bytes.append(src->bytes, src->slots[i].offset, s.length);
    }
    dst->slots.push_back(s);
  }
  // The long records' strings went along.
  src->slots.resize(from);
  MaybeCompact(src);
}

// The live bytes gather in a scratch buffer and come back into the chunk's
// own, which keeps its allocation for the inserts that follow.
void RecordTree::MaybeCompact(Chunk* c) {
  if (c->garbage < kCompactFrom || 2 * c->garbage < c->bytes.size()) return;
  thread_local std::string scratch;
  scratch.clear();
  for (Slot& s : c->slots) {
    if (s.own) continue;
    const uint32_t offset = static_cast<uint32_t>(scratch.size());
    scratch.append(c->bytes, s.offset, s.length);
    s.offset = offset;
  }
  c->bytes.assign(scratch);
  c->garbage = 0;
}

RecordTree::RecordTree(RecordTree&& other) noexcept
    : chunks_(std::exchange(other.chunks_, {})),
      size_(std::exchange(other.size_, 0)),
      packed_mode_(std::exchange(other.packed_mode_, false)),
      packed_(std::move(other.packed_)) {
  other.ForgetFound();
}

RecordTree& RecordTree::operator=(RecordTree&& other) noexcept {
  if (this != &other) {
    chunks_ = std::exchange(other.chunks_, {});
    size_ = std::exchange(other.size_, 0);
    packed_mode_ = std::exchange(other.packed_mode_, false);
    packed_ = std::move(other.packed_);
    other.packed_ = PackedPage();
    ForgetFound();
    other.ForgetFound();
  }
  return *this;
}

void RecordTree::Clear() {
  ForgetFound();
  chunks_.clear();
  size_ = 0;
  packed_mode_ = false;
  packed_ = PackedPage();
}

void RecordTree::AdoptPacked(PackedPage&& page) {
  Clear();
  packed_ = std::move(page);
  packed_mode_ = true;
}

void RecordTree::Pack() {
  if (packed_mode_ || size_ == 0) return;
  PackedPage page;
  page.records.reserve(size_);
  size_t total = 0;
  ForEach([&](RecordView r) { total += r.bytes.size(); });
  page.bytes.reserve(total);
  ForEach([&](RecordView r) {
    PackedRecord p;
    p.offset = static_cast<uint32_t>(page.bytes.size());
    p.length = static_cast<uint16_t>(r.bytes.size());
    p.key_length = r.key_length;
    p.child = r.child;
    page.bytes.append(r.bytes);
    page.records.push_back(p);
  });
  AdoptPacked(std::move(page));
}

void RecordTree::ReleasePacked(PackedPage* out) {
  if (!packed_mode_) return;
  *out = std::move(packed_);
  packed_ = PackedPage();
  packed_mode_ = false;
}

// Spreads `n` records, in order, evenly over as many chunks as they need;
// `slot(chunk, i)` stores record i in the chunk.
template <typename SlotFn>
void RecordTree::FillChunks(size_t n, SlotFn slot) {
  const size_t count = ChunksFor(n);
  chunks_.resize(count);
  size_t i = 0;
  for (size_t c = 0; c < count; ++c) {
    Chunk& chunk = chunks_[c];
    const size_t share = ChunkShare(n, count, c);
    chunk.slots.reserve(share);
    for (size_t j = 0; j < share; ++j, ++i) chunk.slots.push_back(slot(&chunk, i));
  }
  size_ = n;
}

void RecordTree::Unpack() {
  if (!packed_mode_) return;
  const PackedPage page = std::move(packed_);
  Clear();
  if (page.records.empty()) return;
  FillChunks(page.records.size(), [&](Chunk* chunk, size_t i) {
    const PackedRecord& p = page.records[i];
    return Store(chunk, std::string_view(page.bytes.data() + p.offset, p.length), p.key_length, p.child);
  });
}

void RecordTree::BuildFromSorted(std::vector<Record>&& records) {
  Clear();
  if (records.empty()) return;
  FillChunks(records.size(), [&](Chunk* chunk, size_t i) { return Store(chunk, RecordView(records[i]), &records[i]); });
  records.clear();
}

void RecordTree::Lend(std::vector<Record>* out) {
  out->resize(size());
  if (packed_mode_) {
    for (size_t i = 0; i < size(); ++i) {
      const RecordView r = At(i);
      (*out)[i].bytes.assign(r.bytes.data(), r.bytes.size());
      (*out)[i].key_length = r.key_length;
      (*out)[i].child = r.child;
    }
    return;
  }
  size_t i = 0;
  for (Chunk& c : chunks_) {
    for (Slot& s : c.slots) {
      Record& r = (*out)[i++];
      if (s.own) {
        r.bytes.swap(*s.own);
      } else {
        r.bytes.assign(c.bytes.data() + s.offset, s.length);
      }
      r.key_length = s.key_length;
      r.child = s.child;
    }
  }
}

void RecordTree::ReturnLent(std::vector<Record>* out) {
  if (packed_mode_) return;
  size_t i = 0;
  for (Chunk& c : chunks_) {
    for (Slot& s : c.slots) {
      Record& r = (*out)[i++];
      if (s.own) r.bytes.swap(*s.own);
    }
  }
}

RecordTree::Place RecordTree::Locate(size_t pos) const {
  Place p;
  if (found_valid_) {
    p.chunk = found_chunk_;
    p.start = found_start_;
  }
  while (pos < p.start) {
    --p.chunk;
    p.start -= chunks_[p.chunk].slots.size();
  }
  while (pos - p.start >= chunks_[p.chunk].slots.size()) {
    p.start += chunks_[p.chunk].slots.size();
    ++p.chunk;
  }
  p.index = pos - p.start;
  return p;
}

RecordView RecordTree::SlowAt(size_t pos) const {
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  const Chunk& c = chunks_[p.chunk];
  return c.View(c.slots[p.index]);
}

void RecordTree::ReplaceAt(size_t pos, std::string_view bytes, uint16_t key_length) {
  Unpack();
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  Chunk& c = chunks_[p.chunk];
  Slot& s = c.slots[p.index];
  s.key_length = key_length;
  if (s.own && bytes.size() > kLongRecord) {
    s.own->assign(bytes.data(), bytes.size());
    return;
  }
  if (!s.own && bytes.size() <= s.length) {
    std::memcpy(c.bytes.data() + s.offset, bytes.data(), bytes.size());
    c.garbage += s.length - bytes.size();
    s.length = static_cast<uint16_t>(bytes.size());
    return;
  }
  if (s.own) {
    delete s.own;
  } else {
    c.garbage += s.length;
  }
  s = Store(&c, bytes, key_length, s.child);
  MaybeCompact(&c);
}

void RecordTree::SetChild(size_t pos, uint32_t child) {
  Unpack();
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  chunks_[p.chunk].slots[p.index].child = child;
}

char* RecordTree::MutableBytes(size_t pos) {
  Unpack();
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  Chunk& c = chunks_[p.chunk];
  Slot& s = c.slots[p.index];
  return s.own ? s.own->data() : c.bytes.data() + s.offset;
}

RecordTree::Place RecordTree::ChunkFor(std::string_view key) const {
  // The first chunk past the one wanted: the first whose first key is above.
  size_t lo = 1, hi = chunks_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const Chunk& c = chunks_[mid];
    if (CompareKeysQuick(c.Key(c.slots.front()), key) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  Place p;
  p.chunk = lo - 1;
  for (size_t c = 0; c < p.chunk; ++c) p.start += chunks_[c].slots.size();
  return p;
}

// First index in the chunk whose key is not below `key` (or above it, with
// `or_equal`).
size_t RecordTree::CountBelow(const Chunk& c, std::string_view key, bool or_equal) {
  const int limit = or_equal ? 1 : 0;
  size_t lo = 0, hi = c.slots.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (CompareKeysQuick(c.Key(c.slots[mid]), key) < limit) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// Binary search of the packed records: how many keys are below `key`, or
// not above it with `or_equal`.
size_t RecordTree::PackedCountBelow(std::string_view key, bool or_equal) const {
  const char* const bytes = packed_.bytes.data();
  const int limit = or_equal ? 1 : 0;
  size_t lo = 0, hi = packed_.records.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const PackedRecord& r = packed_.records[mid];
    if (CompareKeysQuick(std::string_view(bytes + r.offset, r.key_length), key) < limit) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

size_t RecordTree::LowerBound(std::string_view key) const {
  if (packed_mode_) return PackedCountBelow(key, false);
  if (chunks_.empty()) return 0;
  const Place p = ChunkFor(key);
  const size_t chunk_size = chunks_[p.chunk].slots.size();
  const size_t i = CountBelow(chunks_[p.chunk], key, false);
  if (i < chunk_size) {
    Remember(p.chunk, p.start);
  } else if (p.chunk + 1 < chunks_.size()) {
    Remember(p.chunk + 1, p.start + chunk_size);
  }
  return p.start + i;
}

ptrdiff_t RecordTree::Floor(std::string_view key) const {
  if (packed_mode_) return static_cast<ptrdiff_t>(PackedCountBelow(key, true)) - 1;
  if (chunks_.empty()) return -1;
  const Place p = ChunkFor(key);
  const size_t i = CountBelow(chunks_[p.chunk], key, true);
  // Only the first chunk can hold no record at or below the key.
  if (i == 0) return -1;
  Remember(p.chunk, p.start);
  return static_cast<ptrdiff_t>(p.start + i) - 1;
}

bool RecordTree::Insert(Record record, size_t* pos) { return InsertImpl(RecordView(record), &record, pos); }

bool RecordTree::InsertCopy(RecordView record, size_t* pos) { return InsertImpl(record, nullptr, pos); }

bool RecordTree::InsertImpl(RecordView view, Record* movable, size_t* pos) {
  const std::string_view key = view.key();
  Place p;
  if (packed_mode_) {
    const size_t at = PackedCountBelow(key, false);
    if (at < size() && At(at).key() == key) return false;
    Unpack();
    if (at < size_) {
      p = Locate(at);
    } else if (!chunks_.empty()) {
      p.chunk = chunks_.size() - 1;
      p.index = chunks_.back().slots.size();
      p.start = size_ - p.index;
    }
  } else if (!chunks_.empty()) {
    p = ChunkFor(key);
    const Chunk& c = chunks_[p.chunk];
    p.index = CountBelow(c, key, false);
    // The next chunk starts above the key, so only this one can hold it.
    if (p.index < c.slots.size() && c.Key(c.slots[p.index]) == key) return false;
  }
  if (chunks_.empty()) chunks_.emplace_back();
  if (pos) *pos = p.start + p.index;
  InsertInChunk(p, view, movable);
  return true;
}

// A full chunk splits in two, except at the end of the last chunk, where
// ascending inserts start a new one and leave the full one full.
void RecordTree::InsertInChunk(Place at, RecordView view, Record* movable) {
  ++size_;
  Chunk* c = &chunks_[at.chunk];
  if (c->slots.size() >= kChunkMax) {
    if (at.index == c->slots.size() && at.chunk + 1 == chunks_.size()) {
      const size_t room = c->bytes.size() - c->garbage;
      chunks_.emplace_back();
      chunks_.back().bytes.reserve(room);
      ++at.chunk;
      at.start += kChunkMax;
      at.index = 0;
    } else {
      const size_t half = kChunkMax / 2;
      Chunk upper;
      upper.slots.reserve(kChunkMax);
      // Room for the half that moves to grow back to a full chunk.
      upper.bytes.reserve(c->bytes.size() - c->garbage);
      MoveSlots(c, half, &upper);
      chunks_.insert(chunks_.begin() + static_cast<ptrdiff_t>(at.chunk) + 1, std::move(upper));
      if (at.index > half) {
        at.index -= half;
        at.start += half;
        ++at.chunk;
      }
    }
    c = &chunks_[at.chunk];
    c->slots.reserve(kChunkMax);
  }
  const Slot s = Store(c, view, movable);
  c->slots.insert(c->slots.begin() + static_cast<ptrdiff_t>(at.index), s);
  Remember(at.chunk, at.start);
}

void RecordTree::InsertAt(size_t pos, Record record) {
  Unpack();
  Place p;
  if (chunks_.empty()) {
    chunks_.emplace_back();
  } else if (pos == size_) {
    p.chunk = chunks_.size() - 1;
    p.index = chunks_.back().slots.size();
    p.start = size_ - p.index;
  } else {
    p = Locate(pos);
  }
  InsertInChunk(p, RecordView(record), &record);
}

Record RecordTree::EraseAt(size_t pos) {
  Unpack();
  const Place p = Locate(pos);
  Chunk& c = chunks_[p.chunk];
  const Slot s = c.slots[p.index];
  Record out;
  out.key_length = s.key_length;
  out.child = s.child;
  if (s.own) {
    out.bytes = std::move(*s.own);
    delete s.own;
  } else {
    out.bytes.assign(c.bytes.data() + s.offset, s.length);
    c.garbage += s.length;
  }
  c.slots.erase(c.slots.begin() + static_cast<ptrdiff_t>(p.index));
  --size_;
  ForgetFound();
  if (c.slots.empty()) {
    chunks_.erase(chunks_.begin() + static_cast<ptrdiff_t>(p.chunk));
    return out;
  }
  // A chunk that ran low joins a neighbour, so erasing many records does not
  // leave a long list of short chunks to walk.
  size_t keep = p.chunk, start = p.start;
  if (p.chunk > 0 && chunks_[p.chunk - 1].slots.size() + c.slots.size() <= kMergeAt) {
    keep = p.chunk - 1;
    start -= chunks_[keep].slots.size();
  } else if (!(p.chunk + 1 < chunks_.size() && chunks_[p.chunk + 1].slots.size() + c.slots.size() <= kMergeAt)) {
    MaybeCompact(&c);
    Remember(p.chunk, p.start);
    return out;
  }
  MoveSlots(&chunks_[keep + 1], 0, &chunks_[keep]);
  chunks_.erase(chunks_.begin() + static_cast<ptrdiff_t>(keep) + 1);
  MaybeCompact(&chunks_[keep]);
  Remember(keep, start);
  return out;
}

RecordTree RecordTree::SplitOff(size_t pos) {
  Unpack();
  RecordTree right;
  if (pos >= size_) return right;
  const Place p = Locate(pos);
  ForgetFound();
  size_t first_moved = p.chunk;
  if (p.index > 0) {
    // Sized like the chunk cut: a page of a few long records (data rows)
    // splits often and should not hold room for a full chunk.
    Chunk tail;
    tail.slots.reserve(chunks_[p.chunk].slots.size());
    tail.bytes.reserve(chunks_[p.chunk].bytes.size() - chunks_[p.chunk].garbage);
    MoveSlots(&chunks_[p.chunk], p.index, &tail);
    right.chunks_.push_back(std::move(tail));
    ++first_moved;
  }
  for (size_t c = first_moved; c < chunks_.size(); ++c) right.chunks_.push_back(std::move(chunks_[c]));
  chunks_.resize(first_moved);
  right.size_ = size_ - pos;
  size_ = pos;
  return right;
}

}  // namespace kestrel
