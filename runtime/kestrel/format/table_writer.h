// Writes the records of one table into an ImageWriter the way table creation
// and record addition lay them out: name record, locale record, definition
// blocks, statistics records; then per row its data record, key entries and
// memo segments, with the statistics kept current.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/image_writer.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/status.h"
#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

class TableWriter {
 public:
  // `name` is stored in upper case.
  TableWriter(ImageWriter* image, std::string name, TableDef def,
              LocaleRecord locale = LocaleRecord{false, DefaultLocaleTables()});

  // Takes the table number from the id counter and writes the table's
  // bookkeeping records. Key sizes are checked first (error 47).
  Status Create();

  // Adds a row of exactly record_length bytes and its memos (one text per
  // memo of the definition, missing ones empty). A unique key whose entry
  // already exists fails kDuplicateKey and adds nothing.
  Status AddRow(std::string_view row, const std::vector<std::string>& memos = {},
                uint32_t* id = nullptr);

  uint32_t table() const { return table_; }
  const TableDef& def() const { return def_; }

 private:
  void PutStatistics(uint8_t subject, const Statistics& s);

  ImageWriter* image_;
  std::string name_;
  TableDef def_;
  LocaleRecord locale_;
  uint32_t table_ = 0;
  Statistics data_stats_;
  std::vector<Statistics> key_stats_;
};

}  // namespace kestrel
