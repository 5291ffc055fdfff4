#include "runtime/kestrel/format/header.h"

#include <cstring>

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

Status Header::Decode(std::string_view b, Header* out) {
  if (b.size() < kHeaderSize || std::memcmp(b.data() + 0x0E, kSignature, 4) != 0) {
    return Status::InvalidFile();
  }
  Header h;
  const char* p = b.data();
  h.own_position = Get32LE(p + 0x00);
  h.image_size = Get16LE(p + 0x04);
  h.journal_start = Get32LE(p + 0x06);
  h.journal_end = Get32LE(p + 0x0A);
  h.reserved = Get16LE(p + 0x12);
  h.last_id = Get32BE(p + 0x14);
  h.change_counter = Get32LE(p + 0x18);
  h.root = Get32LE(p + 0x1C);
  for (int i = 0; i < kAreaCount; ++i) {
    h.area_start[i] = Get32LE(p + 0x20 + 4 * i);
    h.area_end[i] = Get32LE(p + 0x110 + 4 * i);
  }
  *out = h;
  return Status::OK();
}

std::string Header::Encode() const {
  std::string b(kHeaderSize, '\0');
  char* p = b.data();
  Put32LE(p + 0x00, own_position);
  Put16LE(p + 0x04, image_size);
  Put32LE(p + 0x06, journal_start);
  Put32LE(p + 0x0A, journal_end);
  std::memcpy(p + 0x0E, kSignature, 4);
  Put16LE(p + 0x12, reserved);
  Put32BE(p + 0x14, last_id);
  Put32LE(p + 0x18, change_counter);
  Put32LE(p + 0x1C, root);
  for (int i = 0; i < kAreaCount; ++i) {
    Put32LE(p + 0x20 + 4 * i, area_start[i]);
    Put32LE(p + 0x110 + 4 * i, area_end[i]);
  }
  return b;
}

Status Header::NextId(uint32_t* id) {
  const uint32_t next = last_id + 1;
  // A wrap to 0 would reissue ids as surely as reaching 0xFE does.
  if ((next >> 24) >= 0xFE || next == 0) return Status::Corruption(Check::kIdCounterExhausted);
  last_id = next;
  *id = next;
  return Status::OK();
}

uint64_t Header::EndOfData() const {
  int k = kMaxUnits;
  while (k >= 1 && area_start[k] == area_end[k]) --k;
  if (k < 1) return kHeaderSize;
  return PagePosition(area_end[k]);
}

Status Header::SizeClassOf(uint32_t ref, int* units) const {
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (ref >= area_start[i] && ref < area_end[i]) {
      if ((ref - area_start[i]) % i != 0) break;
      *units = i;
      return Status::OK();
    }
  }
  return Status::Corruption(Check::kPageOutsideAreas);
}

Status Header::CheckAreas() const {
  uint32_t floor = 0;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (area_start[i] == area_end[i]) continue;  // empty areas may sit anywhere
    if (area_start[i] > area_end[i] || area_start[i] < floor ||
        (area_end[i] - area_start[i]) % i != 0) {
      return Status::Corruption(Check::kAreaTable);
    }
    floor = area_end[i];
  }
  return Status::OK();
}

}  // namespace kestrel
