#include "runtime/kestrel/format/record_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

Status EncodeRecordStream(const std::vector<Record>& records, std::string* out) {
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
    out->push_back(static_cast<char>(flag | shared));
    if (flag & 0x80) Append16LE(out, static_cast<uint16_t>(r.bytes.size()));
    if (flag & 0x40) Append16LE(out, r.key_length);
    out->append(r.bytes, shared, std::string::npos);
    prev = &r;
  }
  return Status::OK();
}

Status DecodeRecordStreamPacked(std::string_view s, size_t count, std::string* bytes,
                                std::vector<PackedRecord>* out) {
  const Status bad = Status::Corruption(Check::kStreamLength);
  out->clear();
  bytes->clear();
  // Every record takes at least its flag byte: a hostile count cannot make us reserve much.
  if (count > s.size()) return bad;
  out->reserve(count);
  // Shared prefixes make the records longer than the stream; this is the usual case.
  bytes->reserve(s.size() + count * 8);
  size_t pos = 0;
  size_t record_length = 0;
  size_t key_length = 0;
  size_t previous_length = 0;
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
    const size_t at = bytes->size();
    if (at > UINT32_MAX - record_length) return bad;
    // The shared prefix is copied from the previous record, which ends here.
    bytes->resize(at + record_length);
    char* dst = bytes->data() + at;
    if (shared) std::memcpy(dst, dst - previous_length, shared);
    std::memcpy(dst + shared, s.data() + pos, own);
    pos += own;
    out->push_back({static_cast<uint32_t>(at), static_cast<uint16_t>(record_length),
                    static_cast<uint16_t>(key_length), 0});
    previous_length = record_length;
  }
  if (pos != s.size()) return bad;
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
