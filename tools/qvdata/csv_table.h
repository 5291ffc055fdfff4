// A CSV file of one data file's records: a header row naming fields and
// memos by label (prefix optional), then one record per row. The separator
// is told from the header line; with `;` decimals take a comma.
#pragma once

#include <string>
#include <vector>

#include "runtime/core/file_decl.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/problems.h"
#include "tools/qvdata/school.h"

namespace qvdata {

struct CsvTable {
  std::string path;
  rt::FileDeclPtr decl;
  std::vector<RecordImage> records;  // the good rows, on blank buffers
  std::vector<size_t> lines;         // line of each good row
  std::vector<std::vector<std::string>> cells;  // cells of each good row
  CellStyle style;                   // how the cells write numbers
  std::vector<std::string> header;   // column names as written
  std::vector<int> columns;          // per column: field index, or -1 - memo index
  size_t spreadsheet_dates = 0;      // refused dates that look rewritten by a spreadsheet

  // The CSV column (from 1) holding field `field`; 0 when none does.
  size_t ColumnOf(int field) const;
  // Writes row `row`'s cells over the buffers of `file` (checked when read).
  void Apply(size_t row, rt::FileControlBlock& file) const;
};

enum class Encoding { kUtf8, kWindows1252 };

// Reads and checks every row; each fault goes to *problems (named by the
// file's path). Rows with faults are left out of `records`.
CsvTable ReadCsvTable(const std::string& path, const rt::FileDeclPtr& decl, std::vector<Problem>* problems,
                      Encoding encoding = Encoding::kUtf8);

}  // namespace qvdata
