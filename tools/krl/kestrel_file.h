// A Kestrel file loaded whole for inspection: header, every record in key
// order, and the tables found through their name records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/status.h"
#include "runtime/kestrel/format/table_def.h"
#include "tools/krl/command.h"

namespace krl {

struct TableInfo {
  std::string name;
  uint32_t number = 0;
  kestrel::Status definition_status;  // not ok: `def` is unusable
  kestrel::TableDef def;
  kestrel::Statistics data_stats;
  bool has_stats = false;
  kestrel::LocaleRecord locale{false, kestrel::DefaultLocaleTables()};
};

class KestrelFile {
 public:
  // Reads the file, walks the tree and finds the tables. I/O failures come
  // back as false with a message in *error; format failures as a Status.
  kestrel::Status Load(const std::string& path, bool* readable, std::string* error);
  // Reads only the header and checks the areas (for commands that walk pages themselves).
  kestrel::Status LoadHeader(const std::string& path, bool* readable, std::string* error);

  const std::string& path() const { return path_; }
  const kestrel::ImageReader& reader() const { return reader_; }
  const kestrel::Header& header() const { return reader_.header(); }
  const std::vector<kestrel::Record>& records() const { return records_; }
  const std::vector<TableInfo>& tables() const { return tables_; }
  bool transactionLinked() const { return transaction_linked_; }

  // The table named `name` (compared without regard to case), or null.
  const TableInfo* FindTable(std::string_view name) const;

  // Records whose keys begin with `prefix`, in key order.
  std::pair<size_t, size_t> Range(std::string_view prefix) const;

 private:
  kestrel::Status FindTables();

  std::string path_;
  kestrel::ImageReader reader_;
  std::vector<kestrel::Record> records_;
  std::vector<TableInfo> tables_;
  bool transaction_linked_ = false;
};

// Reports a failure on io.err and returns the exit status for it:
// kExitInvalid for error 36, kExitCorrupt for a failed check, else kExitFailed.
int ReportFailure(const kestrel::Status& status, const std::string& path, Io& io);

// Loads `path` or reports why not. Returns kExitOk when loaded.
int LoadOrReport(KestrelFile* file, const std::string& path, Io& io);

}  // namespace krl
