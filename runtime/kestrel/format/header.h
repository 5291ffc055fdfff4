// The 512-byte file header: journal bounds, signature, id counter, change
// counter, root page and the two size-area tables.
//
// Page references count 256-byte units; page r starts at r * 256 + 512.
// Size area i (1..59) holds every page of i units in [area_start[i], area_end[i]),
// one page every i units.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kUnitSize = 256;
inline constexpr int kMaxUnits = 59;
inline constexpr size_t kMaxPageImage = kMaxUnits * kUnitSize;  // 15104
inline constexpr uint32_t kNoRoot = 0xFFFFFFFFu;
inline constexpr char kSignature[] = "kRtL";
inline constexpr int kAreaCount = 60;

// File position of page reference `ref`.
inline uint64_t PagePosition(uint32_t ref) { return uint64_t{ref} * kUnitSize + kHeaderSize; }
// Number of 256-byte units that `bytes` occupy when padded.
inline size_t UnitsFor(size_t bytes) { return (bytes + kUnitSize - 1) / kUnitSize; }

struct Header {
  uint32_t own_position = 0;
  uint16_t image_size = kHeaderSize;
  uint32_t journal_start = kHeaderSize;
  uint32_t journal_end = kHeaderSize;
  uint16_t reserved = 0;
  uint32_t last_id = 0;  // big-endian on disk
  uint32_t change_counter = 0;
  uint32_t root = kNoRoot;
  std::array<uint32_t, kAreaCount> area_start{};
  std::array<uint32_t, kAreaCount> area_end{};

  // The in-memory header of a new, empty file (file of length 0).
  static Header NewEmpty() { return Header(); }

  // Decodes the first bytes of a file. Fewer than 512 bytes or a wrong
  // signature: InvalidFile.
  static Status Decode(std::string_view bytes, Header* out);
  std::string Encode() const;

  bool journalPending() const { return journal_start != journal_end; }

  // Takes the next record id: the counter is a 4-byte big-endian number whose
  // first byte must stay below 0xFE (0xFE/0xFF keys belong to the whole file).
  // On failure the counter is left unchanged.
  Status NextId(uint32_t* id);

  // (area end k) * 256 + 512 for the highest non-empty area k; 512 when all are empty.
  uint64_t EndOfData() const;

  // Size class (units) of the page with reference `ref`; a reference that is
  // in no area, or not on a page boundary of its area, fails the kPageOutsideAreas check.
  Status SizeClassOf(uint32_t ref, int* units) const;

  // Areas are in increasing order and do not overlap (start <= end <= next start).
  Status CheckAreas() const;
};

}  // namespace kestrel
