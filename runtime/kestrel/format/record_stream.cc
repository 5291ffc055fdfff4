#include "runtime/kestrel/format/record_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"

namespace kestrel {

namespace {

// Hands `fn` each record's part of the stream, as two pieces: its head (flag,
// then the lengths that changed) and its own bytes after the prefix shared
// with the record before.
template <typename Fn>
Status ForEachPiece(const std::vector<Record>& records, Fn fn) {
  const Record* prev = nullptr;
  for (const Record& r : records) {
    if (r.bytes.size() > kMaxRecordLength) return Status::Corruption(Check::kRecordTooLong);
    if (r.key_length > r.bytes.size()) return Status::Corruption(Check::kStreamLength);
    size_t shared = 0;
    uint8_t flag = 0;
    if (prev == nullptr) {
      flag = 0xC0;
    } else {
      const size_t limit = std::min({prev->bytes.size(), r.bytes.size(), kMaxSharedPrefix});
      while (shared < limit && prev->bytes[shared] == r.bytes[shared]) ++shared;
      if (r.bytes.size() != prev->bytes.size()) flag |= 0x80;
      if (r.key_length != prev->key_length) flag |= 0x40;
    }
    char head[5];
    size_t n = 0;
    head[n++] = static_cast<char>(flag | shared);
    if (flag & 0x80) {
      Put16LE(head + n, static_cast<uint16_t>(r.bytes.size()));
      n += 2;
    }
    if (flag & 0x40) {
      Put16LE(head + n, r.key_length);
      n += 2;
    }
    fn(std::string_view(head, n), std::string_view(r.bytes).substr(shared));
    prev = &r;
  }
  return Status::OK();
}

// Tells whether the pieces seen so far hold a run of 4 equal bytes,
// including runs that cross from one piece into the next.
class RunWatch {
 public:
  bool found() const { return found_; }
  void Add(std::string_view piece) {
    if (found_ || piece.empty()) return;
    // A run that crosses starts in the last 3 bytes already seen.
    char window[6];
    std::memcpy(window, tail_, tail_len_);
    const size_t head = std::min<size_t>(3, piece.size());
    std::memcpy(window + tail_len_, piece.data(), head);
    found_ = HasRun(std::string_view(window, tail_len_ + head)) || HasRun(piece);
    if (piece.size() >= 3) {
      std::memcpy(tail_, piece.data() + piece.size() - 3, 3);
      tail_len_ = 3;
    } else {
      const size_t n = tail_len_ + head;
      tail_len_ = std::min<size_t>(3, n);
      std::memmove(tail_, window + n - tail_len_, tail_len_);
    }
  }

 private:
  bool found_ = false;
  char tail_[3];
  size_t tail_len_ = 0;
};

}  // namespace

Status EncodeRecordStream(const std::vector<Record>& records, std::string* out) {
  return ForEachPiece(records, [&](std::string_view head, std::string_view own) {
    out->append(head);
    out->append(own);
  });
}

Status MeasureRecordStream(const std::vector<Record>& records, size_t* size, bool* has_run) {
  size_t n = 0;
  RunWatch runs;
  KESTREL_RETURN_IF_ERROR(ForEachPiece(records, [&](std::string_view head, std::string_view own) {
    n += head.size() + own.size();
    runs.Add(head);
    runs.Add(own);
  }));
  *size = n;
  *has_run = runs.found();
  return Status::OK();
}

namespace {

// Copies a shared prefix (at most 63 bytes) without a call, in 8-byte
// pieces whose last one overlaps; source and destination do not overlap.
inline void CopyPrefix(char* dst, const char* src, size_t n) {
  if (n >= 8) {
    uint64_t v;
    for (size_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&v, src + i, 8);
      std::memcpy(dst + i, &v, 8);
    }
    std::memcpy(&v, src + n - 8, 8);
    std::memcpy(dst + n - 8, &v, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + n - 4, 4);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + n - 4, &b, 4);
  } else {
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  }
}

}  // namespace

// The first pass checks the stream and sizes every record, so the buffer is
// sized once; the bytes are copied after it.
Status DecodeRecordStreamPacked(std::string_view s, size_t count, std::string* bytes,
                                std::vector<PackedRecord>* out, bool check_order) {
  const Status bad = Status::Corruption(Check::kStreamLength);
  out->clear();
  // Every record takes at least its flag byte: a hostile count cannot make us reserve much.
  if (count > s.size()) return bad;
  out->reserve(count);
  size_t pos = 0;
  size_t record_length = 0;
  size_t key_length = 0;
  size_t previous_length = 0;
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    if (pos >= s.size()) return bad;
    const uint8_t flag = Byte(s, pos++);
    const size_t shared = flag & 0x3F;
    if (i == 0 && (flag & 0xC0) != 0xC0) return bad;
    if (flag & 0x80) {
      if (s.size() - pos < 2) return bad;
      record_length = Get16LE(s.data() + pos);
      pos += 2;
    }
    if (flag & 0x40) {
      if (s.size() - pos < 2) return bad;
      key_length = Get16LE(s.data() + pos);
      pos += 2;
    }
    if (record_length > kMaxRecordLength) return Status::Corruption(Check::kRecordTooLong);
    if (key_length > record_length || shared > record_length) return bad;
    if (i == 0 ? shared != 0 : shared > previous_length) return bad;
    const size_t own = record_length - shared;
    if (s.size() - pos < own) return bad;
    // Until the copying, offset holds where the own bytes start in the
    // stream and child the length of the shared prefix.
    out->push_back({static_cast<uint32_t>(pos), static_cast<uint16_t>(record_length),
                    static_cast<uint16_t>(key_length), static_cast<uint32_t>(shared)});
    pos += own;
    total += record_length;
    previous_length = record_length;
  }
  if (pos != s.size()) return bad;
  if (total > UINT32_MAX) return bad;
  // Own bytes first, then the shared prefixes in order: a prefix is read
  // from the previous record, whose own bytes were stored long before and
  // whose prefix was stored just before in pieces of the same sizes, so
  // the loads are served from the stores without stalling.
  constexpr size_t kBlock = 64;  // own bytes go in blocks the compiler inlines
  bytes->resize(total + kBlock);
  char* const base = bytes->data();
  size_t at = 0;
  for (PackedRecord& r : *out) {
    const size_t shared = r.child;
    const size_t own = r.length - shared;
    if (own <= kBlock && s.size() - r.offset >= kBlock) {
      std::memcpy(base + at + shared, s.data() + r.offset, kBlock);
    } else {
      std::memcpy(base + at + shared, s.data() + r.offset, own);
    }
    r.offset = static_cast<uint32_t>(at);
    at += r.length;
  }
  at = 0;
  size_t previous_at = 0;
  size_t previous_key = 0;
  for (PackedRecord& r : *out) {
    const size_t shared = r.child;
    if (shared) CopyPrefix(base + at, base + previous_at, shared);
    if (check_order && &r != out->data()) {
      // The keys agree on the shared prefix, so the byte after it mostly decides.
      const size_t common = std::min(previous_key, size_t{r.key_length});
      int c;
      if (shared < common && base[previous_at + shared] != base[at + shared]) {
        c = static_cast<uint8_t>(base[previous_at + shared]) < static_cast<uint8_t>(base[at + shared]) ? -1 : 1;
      } else {
        c = CompareKeys(std::string_view(base + previous_at, previous_key), std::string_view(base + at, r.key_length));
      }
      if (c == 0) return Status::Corruption(Check::kDuplicateKey);
      if (c > 0) return Status::Corruption(Check::kTreeShape);
    }
    previous_key = r.key_length;
    previous_at = at;
    r.child = 0;
    at += r.length;
  }
  bytes->resize(total);
  return Status::OK();
}

Status DecodeRecordStream(std::string_view s, size_t count, std::vector<Record>* out) {
  std::string bytes;
  std::vector<PackedRecord> packed;
  out->clear();
  KESTREL_RETURN_IF_ERROR(DecodeRecordStreamPacked(s, count, &bytes, &packed));
  out->reserve(packed.size());
  for (const PackedRecord& p : packed) {
    Record& r = out->emplace_back();
    r.bytes.assign(bytes, p.offset, p.length);
    r.key_length = p.key_length;
  }
  return Status::OK();
}

}  // namespace kestrel
