// Lays out a complete Kestrel file from a set of records: the records are cut
// into leaf pages in key order, index pages are built above them up to a
// single root, every page is placed in the size area of its image size, and
// the header is written last. The page store grows files page by page; this
// writer serves tools and tests that need a whole file at once.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/status.h"

namespace kestrel {

struct ImageLayout {
  // A page is closed before it would break the page store's split rule:
  // expanded size above 15094, or above 4096 with more than 20 records.
  size_t split_size = 4096;
  size_t split_records = 20;
  size_t max_expanded = 15094;
  // When non-zero, no page holds more records than this (small trees for tests).
  size_t max_records = 0;
};

class ImageWriter {
 public:
  ImageWriter();

  // Adds a record; a second record with the same key fails kDuplicateKey.
  Status Put(Record record);
  Status Put(std::string_view key, std::string_view value) { return Put(Record(key, value)); }
  // Adds or replaces.
  void Replace(Record record);
  bool Contains(std::string_view key) const { return records_.count(std::string(key)) != 0; }
  size_t size() const { return records_.size(); }

  // The header whose id counter, change counter and journal fields the file
  // gets; root, areas and journal bounds are filled in by Build.
  Header& header() { return header_; }

  // Builds the file's bytes. The change counter is at least 1 afterwards.
  Status Build(std::string* file, const ImageLayout& layout = {});

 private:
  struct KeyLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return CompareKeys(a, b) < 0; }
  };
  std::map<std::string, Record, KeyLess> records_;
  Header header_;
};

}  // namespace kestrel
