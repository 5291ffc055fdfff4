// Page images: a 13-byte page header, on index pages one 4-byte child
// reference per record, then the record stream (compressed when that saves
// at least one 256-byte unit), padded with 0xB0 to whole units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/record_stream.h"
#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kPageHeaderSize = 13;
inline constexpr char kPadByte = static_cast<char>(0xB0);

struct PageHeader {
  uint32_t own_position = 0;
  uint16_t stored_size = 0;
  uint16_t plain_size = 0;
  uint16_t expanded_size = 0;
  uint16_t record_count = 0;
  uint8_t level = 0;

  bool compressed() const { return stored_size < plain_size; }
  // Decodes the first 13 bytes; fewer fail kShortPageRead.
  static Status Decode(std::string_view image, PageHeader* out);
  void EncodeTo(char* p) const;
};

struct Page {
  uint8_t level = 0;  // 0: leaf; n: index page n levels above the leaves
  std::vector<Record> records;

  bool isIndex() const { return level > 0; }
};

// 13 + sum(record length + 5), plus 4 per record on index pages.
size_t ExpandedSize(const Page& page);
// Bytes per record in the expanded size.
inline size_t ExpandedCost(size_t length, bool index) { return length + 5 + (index ? 4 : 0); }
inline size_t ExpandedCost(const Record& r, bool index) { return ExpandedCost(r.bytes.size(), index); }

// Keys must increase strictly: equal keys fail kDuplicateKey, keys out of
// order kTreeShape. Encoding and decoding both check it.
Status CheckKeyOrder(const std::vector<Record>& records);

// Builds the stored image of `page` at reference `ref`: padded to whole
// units, so image->size() is the page's size class * 256. Fails kPageTooLarge
// when the image would exceed 15104 bytes and kRecordTooLong for a record of
// 15094 bytes or more. `header` (optional) receives the page header written.
Status EncodePage(const Page& page, uint32_t ref, std::string* image, PageHeader* header = nullptr);
// The same image appended to *image; on failure *image is left as it was.
// Without `try_compress` the stream is stored plain, as EncodePage does when
// compressing it does not pay.
Status AppendPageImage(const Page& page, uint32_t ref, std::string* image, PageHeader* header = nullptr,
                       bool try_compress = true);

// The size class (in units) of the image EncodePage builds for `page`, and
// whether it stores the stream plain; the same failures. Pages of long
// records are measured without building the image unless their stream holds
// a run (whether compressing pays takes the compressor). With `small_image`,
// an image built on the way that came out at most a quarter of its plain size
// is handed over (at reference 0), so it need not be compressed again when
// written; otherwise *small_image is left empty. With `keep_any`, every image
// built on the way is handed over, whatever its size.
Status PageImageUnits(const Page& page, size_t* units, bool* stored_plain, std::string* small_image = nullptr,
                      bool keep_any = false);

// A decoded page whose records share one buffer (see PackedRecord).
struct PackedPage {
  uint8_t level = 0;
  std::string bytes;
  std::vector<PackedRecord> records;
};

// Decodes a stored image (padding may be present or not). Checks that the
// stored size fits the image, that the stream expands and decodes to exactly
// the plain size, and that leaf/index shape agrees with the level.
// `expected_units` > 0 additionally requires the stored size to round up to
// exactly that many units (the size class from the area table).
Status DecodePage(std::string_view image, Page* page, PageHeader* header = nullptr,
                  int expected_units = 0);
// The same checks, decoding into one buffer. `scratch` (optional) holds the
// expanded stream of a compressed page, so a caller decoding many pages can
// keep its allocation.
Status DecodePagePacked(std::string_view image, PackedPage* page, PageHeader* header = nullptr,
                        int expected_units = 0, std::string* scratch = nullptr);

}  // namespace kestrel
