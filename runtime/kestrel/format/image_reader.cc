#include "runtime/kestrel/format/image_reader.h"

#include <set>

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

Status ImageReader::Open(std::string bytes) {
  bytes_ = std::move(bytes);
  if (bytes_.empty()) {
    header_ = Header::NewEmpty();
    return Status::OK();
  }
  KESTREL_RETURN_IF_ERROR(Header::Decode(bytes_, &header_));
  return header_.CheckAreas();
}

Status ImageReader::ReadPage(uint32_t ref, Page* page, PageHeader* page_header, int* units_out) const {
  int units = 0;
  KESTREL_RETURN_IF_ERROR(header_.SizeClassOf(ref, &units));
  const uint64_t pos = PagePosition(ref);
  const uint64_t len = uint64_t(units) * kUnitSize;
  if (pos > bytes_.size() || bytes_.size() - pos < len) return Status::Corruption(Check::kShortPageRead);
  const std::string_view image = std::string_view(bytes_).substr(pos, len);
  PageHeader h;
  KESTREL_RETURN_IF_ERROR(DecodePage(image, page, &h, units));
  if (h.own_position != pos) return Status::Corruption(Check::kPageHeader);
  if (page_header) *page_header = h;
  if (units_out) *units_out = units;
  return Status::OK();
}

namespace {

struct Walk {
  const ImageReader& reader;
  const std::function<void(const ImageReader::PageInfo&, const Page&)>* visit;
  std::vector<Record>* records;
  std::set<uint32_t> seen;
  std::string last_key;
  bool have_key = false;

  Status Visit(uint32_t ref, int depth, int expected_level) {
    if (!seen.insert(ref).second) return Status::Corruption(Check::kTreeShape);
    Page page;
    ImageReader::PageInfo info;
    info.ref = ref;
    info.depth = depth;
    KESTREL_RETURN_IF_ERROR(reader.ReadPage(ref, &page, &info.header, &info.units));
    if (expected_level >= 0 && page.level != expected_level) return Status::Corruption(Check::kTreeShape);
    if (page.records.empty()) return Status::Corruption(Check::kTreeShape);  // empty pages are freed
    if (visit && *visit) (*visit)(info, page);
    for (Record& r : page.records) {
      if (page.isIndex()) {
        KESTREL_RETURN_IF_ERROR(Visit(r.child, depth + 1, page.level - 1));
        continue;
      }
      if (have_key) {
        const int c = CompareKeys(last_key, r.key());
        if (c == 0) return Status::Corruption(Check::kDuplicateKey);
        if (c > 0) return Status::Corruption(Check::kTreeShape);
      }
      last_key.assign(r.key());
      have_key = true;
      if (records) records->push_back(std::move(r));
    }
    return Status::OK();
  }
};

}  // namespace

Status ImageReader::VisitPages(const std::function<void(const PageInfo&, const Page&)>& visit) const {
  if (empty()) return Status::OK();
  Walk w{*this, &visit, nullptr, {}, {}, false};
  return w.Visit(header_.root, 0, -1);
}

Status ImageReader::ReadAll(std::vector<Record>* records) const {
  records->clear();
  if (empty()) return Status::OK();
  Walk w{*this, nullptr, records, {}, {}, false};
  KESTREL_RETURN_IF_ERROR(w.Visit(header_.root, 0, -1));
  if (records->empty() || !records->front().key().empty()) return Status::Corruption(Check::kTreeShape);
  return Status::OK();
}

}  // namespace kestrel
