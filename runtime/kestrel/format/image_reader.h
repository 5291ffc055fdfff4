// Reads a Kestrel file held in memory by walking its tree from the root
// page, without a page store: for inspection tools and tests. A pending
// journal is not applied; pages are read as they stand at their own places.
//
// Every page is checked on the way: its reference lies in a size area, the
// image is inside the file, its own position matches, it decodes to exactly
// its plain size, child levels step down by one, no page is reached twice,
// and keys increase strictly across the whole file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/status.h"

namespace kestrel {

class ImageReader {
 public:
  // Takes the file's bytes. A file of length 0 is an empty Kestrel file;
  // fewer than 512 bytes or a wrong signature fail InvalidFile; an area
  // table out of order fails kAreaTable.
  Status Open(std::string bytes);

  const Header& header() const { return header_; }
  // No pages: no root yet, or a change counter of 0, which the engine treats
  // as a new file whatever the root says.
  bool empty() const { return header_.root == kNoRoot || header_.change_counter == 0; }
  size_t fileSize() const { return bytes_.size(); }

  // Reads and decodes page `ref`.
  Status ReadPage(uint32_t ref, Page* page, PageHeader* page_header = nullptr, int* units = nullptr) const;

  struct PageInfo {
    uint32_t ref = 0;
    int units = 0;
    int depth = 0;  // 0 for the root
    PageHeader header;
  };
  // Visits every page depth-first in key order (a page before its children).
  Status VisitPages(const std::function<void(const PageInfo&, const Page&)>& visit) const;

  // Every record of the file in key order (the low sentinel first).
  Status ReadAll(std::vector<Record>* records) const;

 private:
  std::string bytes_;
  Header header_;
};

}  // namespace kestrel
