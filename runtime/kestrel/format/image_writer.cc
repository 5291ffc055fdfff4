#include "runtime/kestrel/format/image_writer.h"

#include <algorithm>
#include <vector>

#include "runtime/kestrel/format/page.h"

namespace kestrel {

namespace {

struct PlannedPage {
  Page page;
  std::vector<size_t> children;  // indexes into the page list, for index pages
  size_t units = 0;
  uint32_t ref = 0;
};

bool Fits(const ImageLayout& l, size_t expanded, size_t count) {
  if (l.max_records && count > l.max_records) return false;
  if (expanded > l.max_expanded) return false;
  return expanded <= l.split_size || count <= l.split_records;
}

// Cuts `records` into pages of `level`, each as full as the layout allows.
std::vector<std::vector<size_t>> Cut(const std::vector<const Record*>& records, bool index,
                                     const ImageLayout& l) {
  std::vector<std::vector<size_t>> groups;
  size_t expanded = kPageHeaderSize;
  for (size_t i = 0; i < records.size(); ++i) {
    const size_t cost = ExpandedCost(*records[i], index);
    if (groups.empty() || !Fits(l, expanded + cost, groups.back().size() + 1)) {
      groups.emplace_back();
      expanded = kPageHeaderSize;
    }
    groups.back().push_back(i);
    expanded += cost;
  }
  return groups;
}

}  // namespace

ImageWriter::ImageWriter() { records_.emplace(std::string(), Record()); }

Status ImageWriter::Put(Record record) {
  std::string key(record.key());
  if (records_.count(key)) return Status::Corruption(Check::kDuplicateKey);
  records_.emplace(std::move(key), std::move(record));
  return Status::OK();
}

void ImageWriter::Replace(Record record) {
  std::string key(record.key());
  records_.insert_or_assign(std::move(key), std::move(record));
}

Status ImageWriter::Build(std::string* file, const ImageLayout& layout) {
  std::vector<PlannedPage> pages;

  // Leaves, then each index level above them, until one page remains.
  std::vector<const Record*> level_records;
  for (const auto& [key, r] : records_) level_records.push_back(&r);
  std::vector<size_t> level_pages;
  uint8_t level = 0;
  std::vector<Record> entries;  // owns the index entries of the level being cut
  while (true) {
    std::vector<size_t> made;
    for (const std::vector<size_t>& group : Cut(level_records, level > 0, layout)) {
      PlannedPage p;
      p.page.level = level;
      for (size_t i : group) {
        Record r = *level_records[i];
        if (level > 0) p.children.push_back(level_pages[i]);
        p.page.records.push_back(std::move(r));
      }
      made.push_back(pages.size());
      pages.push_back(std::move(p));
    }
    if (made.size() == 1) break;
    if (level == 0xFF) return Status::Corruption(Check::kTreeShape);
    entries.clear();
    for (size_t idx : made) entries.push_back(Record(pages[idx].page.records.front().key(), ""));
    level_records.clear();
    for (const Record& e : entries) level_records.push_back(&e);
    level_pages = made;
    ++level;
  }

  // Size every page, then place them area by area in increasing size.
  std::string image;
  for (PlannedPage& p : pages) {
    KESTREL_RETURN_IF_ERROR(EncodePage(p.page, 0, &image));
    p.units = image.size() / kUnitSize;
  }
  Header& h = header_;
  h.area_start.fill(0);
  h.area_end.fill(0);
  uint32_t next = 0;
  for (size_t units = 1; units <= static_cast<size_t>(kMaxUnits); ++units) {
    h.area_start[units] = next;
    for (PlannedPage& p : pages) {
      if (p.units != units) continue;
      p.ref = next;
      next += static_cast<uint32_t>(units);
    }
    h.area_end[units] = next;
  }

  file->assign(kHeaderSize, '\0');
  file->resize(PagePosition(next), kPadByte);
  for (PlannedPage& p : pages) {
    for (size_t i = 0; i < p.children.size(); ++i) p.page.records[i].child = pages[p.children[i]].ref;
    KESTREL_RETURN_IF_ERROR(EncodePage(p.page, p.ref, &image));
    if (image.size() != p.units * kUnitSize) return Status::Corruption(Check::kPageHeader);
    file->replace(PagePosition(p.ref), image.size(), image);
  }
  h.root = pages.back().ref;
  h.journal_start = h.journal_end = static_cast<uint32_t>(h.EndOfData());
  if (h.change_counter == 0) h.change_counter = 1;
  file->replace(0, kHeaderSize, h.Encode());
  return Status::OK();
}

}  // namespace kestrel
