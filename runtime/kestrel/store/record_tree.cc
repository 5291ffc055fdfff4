#include "runtime/kestrel/store/record_tree.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <cstring>
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

// Chunks hold at most kChunkMax records: an insert moves half a chunk on
// average, and a position is found by adding up a page's few chunk sizes.
// Chunks built whole are filled to kBuildFill, leaving room for inserts.
constexpr size_t kChunkMax = 64;
constexpr size_t kBuildFill = 48;
// Neighbours that together fall to this many records after an erase merge.
constexpr size_t kMergeAt = kChunkMax / 2;

// How many chunks `n` records built whole take; chunk i of them gets
// ChunkShare(n, chunks, i) records, so they differ by one at most.
size_t ChunksFor(size_t n) { return (n + kBuildFill - 1) / kBuildFill; }
size_t ChunkShare(size_t n, size_t chunks, size_t i) { return n / chunks + (i < n % chunks ? 1 : 0); }

// First index in `v` whose key is not below `key` (or above it, with
// `or_equal`).
size_t CountBelow(const std::vector<Record>& v, std::string_view key, bool or_equal) {
  const int limit = or_equal ? 1 : 0;
  size_t lo = 0, hi = v.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (CompareKeysQuick(v[mid].key(), key) < limit) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace

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

void RecordTree::Unpack() {
  if (!packed_mode_) return;
  const PackedPage page = std::move(packed_);
  Clear();
  const size_t n = page.records.size();
  if (n == 0) return;
  const size_t count = ChunksFor(n);
  chunks_.resize(count);
  size_t i = 0;
  for (size_t c = 0; c < count; ++c) {
    std::vector<Record>& v = chunks_[c].records;
    v.resize(ChunkShare(n, count, c));
    for (Record& r : v) {
      const PackedRecord& p = page.records[i++];
      r.bytes.assign(page.bytes.data() + p.offset, p.length);
      r.key_length = p.key_length;
      r.child = p.child;
    }
  }
  size_ = n;
}

void RecordTree::BuildFromSorted(std::vector<Record>&& records) {
  Clear();
  const size_t n = records.size();
  if (n == 0) return;
  const size_t count = ChunksFor(n);
  chunks_.resize(count);
  auto it = records.begin();
  for (size_t c = 0; c < count; ++c) {
    const size_t share = ChunkShare(n, count, c);
    std::vector<Record>& v = chunks_[c].records;
    v.reserve(share);
    std::move(it, it + static_cast<ptrdiff_t>(share), std::back_inserter(v));
    it += static_cast<ptrdiff_t>(share);
  }
  size_ = n;
  records.clear();
}

RecordTree::Place RecordTree::Locate(size_t pos) const {
  Place p;
  if (found_valid_) {
    p.chunk = found_chunk_;
    p.start = found_start_;
  }
  while (pos < p.start) {
    --p.chunk;
    p.start -= chunks_[p.chunk].records.size();
  }
  while (pos - p.start >= chunks_[p.chunk].records.size()) {
    p.start += chunks_[p.chunk].records.size();
    ++p.chunk;
  }
  p.index = pos - p.start;
  return p;
}

const Record& RecordTree::SlowAt(size_t pos) const {
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  return chunks_[p.chunk].records[p.index];
}

Record& RecordTree::MutableAt(size_t pos) {
  Unpack();
  const Place p = Locate(pos);
  Remember(p.chunk, p.start);
  return chunks_[p.chunk].records[p.index];
}

RecordTree::Place RecordTree::ChunkFor(std::string_view key) const {
  // The first chunk past the one wanted: the first whose first key is above.
  size_t lo = 1, hi = chunks_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (CompareKeysQuick(chunks_[mid].records.front().key(), key) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  Place p;
  p.chunk = lo - 1;
  for (size_t c = 0; c < p.chunk; ++c) p.start += chunks_[c].records.size();
  return p;
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
  const size_t chunk_size = chunks_[p.chunk].records.size();
  const size_t i = CountBelow(chunks_[p.chunk].records, key, false);
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
  const size_t i = CountBelow(chunks_[p.chunk].records, key, true);
  // Only the first chunk can hold no record at or below the key.
  if (i == 0) return -1;
  Remember(p.chunk, p.start);
  return static_cast<ptrdiff_t>(p.start + i) - 1;
}

bool RecordTree::Insert(Record record, size_t* pos) {
  if (packed_mode_) {
    const size_t at = PackedCountBelow(record.key(), false);
    if (at < size() && At(at).key() == record.key()) return false;
    InsertAt(at, std::move(record));
    if (pos) *pos = at;
    return true;
  }
  if (chunks_.empty()) {
    InsertAt(0, std::move(record));
    if (pos) *pos = 0;
    return true;
  }
  Place p = ChunkFor(record.key());
  const std::vector<Record>& v = chunks_[p.chunk].records;
  p.index = CountBelow(v, record.key(), false);
  // The next chunk starts above the key, so only this one can hold it.
  if (p.index < v.size() && v[p.index].key() == record.key()) return false;
  if (pos) *pos = p.start + p.index;
  InsertInChunk(p, std::move(record));
  return true;
}

// A full chunk splits in two, except at the end of the last chunk, where
// ascending inserts start a new one and leave the full one full.
void RecordTree::InsertInChunk(Place at, Record&& record) {
  std::vector<Record>& v = chunks_[at.chunk].records;
  ++size_;
  if (v.size() < kChunkMax) {
    v.insert(v.begin() + static_cast<ptrdiff_t>(at.index), std::move(record));
    Remember(at.chunk, at.start);
    return;
  }
  if (at.index == v.size() && at.chunk + 1 == chunks_.size()) {
    chunks_.emplace_back();
    chunks_.back().records.reserve(kChunkMax);
    chunks_.back().records.push_back(std::move(record));
    Remember(at.chunk + 1, at.start + kChunkMax);
    return;
  }
  const size_t half = kChunkMax / 2;
  Chunk upper;
  upper.records.reserve(kChunkMax);
  std::move(v.begin() + half, v.end(), std::back_inserter(upper.records));
  v.resize(half);
  chunks_.insert(chunks_.begin() + static_cast<ptrdiff_t>(at.chunk) + 1, std::move(upper));
  if (at.index > half) {
    at.index -= half;
    at.start += half;
    ++at.chunk;
  }
  std::vector<Record>& target = chunks_[at.chunk].records;
  target.insert(target.begin() + static_cast<ptrdiff_t>(at.index), std::move(record));
  Remember(at.chunk, at.start);
}

void RecordTree::InsertAt(size_t pos, Record record) {
  Unpack();
  Place p;
  if (chunks_.empty()) {
    chunks_.emplace_back();
  } else if (pos == size_) {
    p.chunk = chunks_.size() - 1;
    p.index = chunks_.back().records.size();
    p.start = size_ - p.index;
  } else {
    p = Locate(pos);
  }
  InsertInChunk(p, std::move(record));
}

Record RecordTree::EraseAt(size_t pos) {
  Unpack();
  const Place p = Locate(pos);
  std::vector<Record>& v = chunks_[p.chunk].records;
  Record out = std::move(v[p.index]);
  v.erase(v.begin() + static_cast<ptrdiff_t>(p.index));
  --size_;
  ForgetFound();
  if (v.empty()) {
    chunks_.erase(chunks_.begin() + static_cast<ptrdiff_t>(p.chunk));
    return out;
  }
  // A chunk that ran low joins a neighbour, so erasing many records does not
  // leave a long list of short chunks to walk.
  size_t keep = p.chunk, start = p.start;
  if (p.chunk > 0 && chunks_[p.chunk - 1].records.size() + v.size() <= kMergeAt) {
    keep = p.chunk - 1;
    start -= chunks_[keep].records.size();
  } else if (!(p.chunk + 1 < chunks_.size() && chunks_[p.chunk + 1].records.size() + v.size() <= kMergeAt)) {
    Remember(p.chunk, p.start);
    return out;
  }
  std::vector<Record>& into = chunks_[keep].records;
  std::vector<Record>& from = chunks_[keep + 1].records;
  std::move(from.begin(), from.end(), std::back_inserter(into));
  chunks_.erase(chunks_.begin() + static_cast<ptrdiff_t>(keep) + 1);
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
    std::vector<Record>& v = chunks_[p.chunk].records;
    Chunk tail;
    tail.records.reserve(kChunkMax);
    std::move(v.begin() + static_cast<ptrdiff_t>(p.index), v.end(), std::back_inserter(tail.records));
    v.resize(p.index);
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
