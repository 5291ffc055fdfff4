#include "runtime/kestrel/format/record_stream.h"

#include <algorithm>

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

Status DecodeRecordStream(std::string_view s, size_t count, std::vector<Record>* out) {
  const Status bad = Status::Corruption(Check::kStreamLength);
  out->clear();
  // Every record takes at least its flag byte: a hostile count cannot make us reserve much.
  if (count > s.size()) return bad;
  out->reserve(count);
  size_t pos = 0;
  size_t record_length = 0;
  size_t key_length = 0;
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
    if (i == 0 ? shared != 0 : shared > out->back().bytes.size()) return bad;
    const size_t own = record_length - shared;
    if (s.size() - pos < own) return bad;
    Record r;
    r.key_length = static_cast<uint16_t>(key_length);
    r.bytes.reserve(record_length);
    if (shared) r.bytes.assign(out->back().bytes, 0, shared);
    r.bytes.append(s.data() + pos, own);
    pos += own;
    out->push_back(std::move(r));
  }
  if (pos != s.size()) return bad;
  return Status::OK();
}

}  // namespace kestrel
