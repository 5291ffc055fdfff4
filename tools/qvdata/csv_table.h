// A CSV file of one data file's records: a header row naming fields and
// memos by label (prefix optional), then one record per row.
#pragma once

#include <string>
#include <vector>

#include "runtime/core/file_decl.h"
#include "tools/qvdata/problems.h"
#include "tools/qvdata/school.h"

namespace qvdata {

struct CsvTable {
  std::string path;
  rt::FileDeclPtr decl;
  std::vector<RecordImage> records;  // the good rows
  std::vector<size_t> lines;         // line of each good row
  std::vector<std::string> header;   // column names as written
  std::vector<int> columns;          // per column: field index, or -1 - memo index
};

// Reads and checks every row; each fault goes to *problems (named by the
// file's path). Rows with faults are left out of `records`.
CsvTable ReadCsvTable(const std::string& path, const rt::FileDeclPtr& decl, std::vector<Problem>* problems);

}  // namespace qvdata
