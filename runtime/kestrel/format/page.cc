#include "runtime/kestrel/format/page.h"

#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/record_stream.h"

namespace kestrel {

Status PageHeader::Decode(std::string_view image, PageHeader* out) {
  if (image.size() < kPageHeaderSize) return Status::Corruption(Check::kShortPageRead);
  const char* p = image.data();
  out->own_position = Get32LE(p);
  out->stored_size = Get16LE(p + 4);
  out->plain_size = Get16LE(p + 6);
  out->expanded_size = Get16LE(p + 8);
  out->record_count = Get16LE(p + 10);
  out->level = static_cast<uint8_t>(p[12]);
  return Status::OK();
}

void PageHeader::EncodeTo(char* p) const {
  Put32LE(p, own_position);
  Put16LE(p + 4, stored_size);
  Put16LE(p + 6, plain_size);
  Put16LE(p + 8, expanded_size);
  Put16LE(p + 10, record_count);
  p[12] = static_cast<char>(level);
}

size_t ExpandedSize(const Page& page) {
  size_t n = kPageHeaderSize;
  for (const Record& r : page.records) n += ExpandedCost(r, page.isIndex());
  return n;
}

Status CheckKeyOrder(const std::vector<Record>& records) {
  for (size_t i = 1; i < records.size(); ++i) {
    const int c = CompareKeys(records[i - 1].key(), records[i].key());
    if (c == 0) return Status::Corruption(Check::kDuplicateKey);
    if (c > 0) return Status::Corruption(Check::kTreeShape);
  }
  return Status::OK();
}

Status AppendPageImage(const Page& page, uint32_t ref, std::string* image, PageHeader* header_out,
                       bool try_compress) {
  const size_t count = page.records.size();
  const size_t children = page.isIndex() ? 4 * count : 0;
  if (count > 0xFFFF) return Status::Corruption(Check::kPageTooLarge);
  KESTREL_RETURN_IF_ERROR(CheckKeyOrder(page.records));
  const size_t expanded = ExpandedSize(page);
  // The stream is written straight after the header and child references;
  // the expanded size bounds the plain image, so one allocation serves.
  const size_t fixed = kPageHeaderSize + children;
  std::string& out = *image;
  const size_t base = out.size();
  out.reserve(base + UnitsFor(std::max(expanded, fixed)) * kUnitSize);
  out.resize(base + fixed);
  Status s = EncodeRecordStream(page.records, &out);
  if (!s.ok()) {
    out.resize(base);
    return s;
  }
  const size_t plain_size = out.size() - base;
  size_t stored_size = plain_size;
  // Kept between calls: a commit encodes thousands of pages.
  thread_local std::string packed;
  if (try_compress && Compress(std::string_view(out).substr(base + fixed), &packed) &&
      UnitsFor(fixed + packed.size()) < UnitsFor(plain_size)) {
    stored_size = fixed + packed.size();
    out.replace(base + fixed, std::string::npos, packed);
  }
  // The plain size must fit its 16-bit field even when the image is compressed.
  if (UnitsFor(stored_size) > static_cast<size_t>(kMaxUnits) || plain_size > 0xFFFF) {
    out.resize(base);
    return Status::Corruption(Check::kPageTooLarge);
  }
  PageHeader h;
  h.own_position = static_cast<uint32_t>(PagePosition(ref));
  h.stored_size = static_cast<uint16_t>(stored_size);
  h.plain_size = static_cast<uint16_t>(plain_size);
  h.expanded_size = static_cast<uint16_t>(expanded > 0xFFFF ? 0xFFFF : expanded);
  h.record_count = static_cast<uint16_t>(count);
  h.level = page.level;

  out.resize(base + UnitsFor(stored_size) * kUnitSize, kPadByte);
  char* p = out.data() + base;
  h.EncodeTo(p);
  if (page.isIndex()) {
    for (size_t i = 0; i < count; ++i) Put32LE(p + kPageHeaderSize + 4 * i, page.records[i].child);
  }
  if (header_out) *header_out = h;
  return Status::OK();
}

Status EncodePage(const Page& page, uint32_t ref, std::string* image, PageHeader* header_out) {
  image->clear();
  return AppendPageImage(page, ref, image, header_out);
}

// Average record length below which PageImageUnits builds the image.
constexpr size_t kShortRecord = 256;

Status PageImageUnits(const Page& page, size_t* units, bool* stored_plain, std::string* small_image,
                      bool keep_any) {
  if (small_image) small_image->clear();
  const size_t count = page.records.size();
  if (count > 0xFFFF) return Status::Corruption(Check::kPageTooLarge);
  KESTREL_RETURN_IF_ERROR(CheckKeyOrder(page.records));
  size_t bytes = 0;
  for (const Record& r : page.records) bytes += r.bytes.size();
  size_t stream = 0;
  // Short records are cheaper to copy into one stream and search there than
  // to search piece by piece; a run found either way needs the compressor
  // to tell whether it pays.
  bool build = bytes < count * kShortRecord;
  if (!build) KESTREL_RETURN_IF_ERROR(MeasureRecordStream(page.records, &stream, &build));
  if (build) {
    thread_local std::string image;
    PageHeader h;
    KESTREL_RETURN_IF_ERROR(EncodePage(page, 0, &image, &h));
    *units = image.size() / kUnitSize;
    *stored_plain = !h.compressed();
    if (small_image && keep_any) {
      // The caller holds the image until written anyway: hand the buffer over.
      small_image->swap(image);
    } else if (small_image && h.compressed() && 4 * image.size() <= h.plain_size) {
      // Only images much smaller than their records are worth holding on to;
      // copied, since the build buffer is sized for the records.
      small_image->assign(image);
    }
    return Status::OK();
  }
  const size_t plain_size = kPageHeaderSize + (page.isIndex() ? 4 * count : 0) + stream;
  if (UnitsFor(plain_size) > static_cast<size_t>(kMaxUnits) || plain_size > 0xFFFF) {
    return Status::Corruption(Check::kPageTooLarge);
  }
  *units = UnitsFor(plain_size);
  *stored_plain = true;
  return Status::OK();
}

Status DecodePagePacked(std::string_view image, PackedPage* page, PageHeader* header_out, int expected_units,
                        std::string* scratch) {
  PageHeader h;
  KESTREL_RETURN_IF_ERROR(PageHeader::Decode(image, &h));
  const Status bad = Status::Corruption(Check::kPageHeader);
  if (h.stored_size > image.size()) return Status::Corruption(Check::kShortPageRead);
  if (expected_units > 0 && UnitsFor(h.stored_size) != static_cast<size_t>(expected_units)) return bad;
  const size_t children = h.level > 0 ? size_t{4} * h.record_count : 0;
  const size_t fixed = kPageHeaderSize + children;
  if (h.stored_size < fixed || h.plain_size < fixed || h.stored_size > h.plain_size) return bad;

  std::string_view body = image.substr(fixed, h.stored_size - fixed);
  std::string own_scratch;
  if (h.compressed()) {
    std::string* expanded = scratch ? scratch : &own_scratch;
    KESTREL_RETURN_IF_ERROR(Decompress(body, h.plain_size - fixed, expanded));
    body = *expanded;
  }
  page->level = h.level;
  KESTREL_RETURN_IF_ERROR(DecodeRecordStreamPacked(body, h.record_count, &page->bytes, &page->records, true));
  std::vector<PackedRecord>& records = page->records;
  if (h.level > 0) {
    for (size_t i = 0; i < records.size(); ++i) {
      PackedRecord& r = records[i];
      if (r.key_length != r.length) return bad;  // index entries are keys only
      r.child = Get32LE(image.data() + kPageHeaderSize + 4 * i);
    }
  }
  if (header_out) *header_out = h;
  return Status::OK();
}

Status DecodePage(std::string_view image, Page* page, PageHeader* header_out, int expected_units) {
  PackedPage packed;
  KESTREL_RETURN_IF_ERROR(DecodePagePacked(image, &packed, header_out, expected_units));
  Page p;
  p.level = packed.level;
  p.records.reserve(packed.records.size());
  for (const PackedRecord& r : packed.records) {
    Record& out = p.records.emplace_back();
    out.bytes.assign(packed.bytes, r.offset, r.length);
    out.key_length = r.key_length;
    out.child = r.child;
  }
  *page = std::move(p);
  return Status::OK();
}

}  // namespace kestrel
