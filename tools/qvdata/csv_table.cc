#include "tools/qvdata/csv_table.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "runtime/core/file_control.h"
#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
#include "tools/qvdata/csv.h"
#include "tools/qvdata/field_text.h"

namespace qvdata {

namespace {

// Maps the header's names to fields and memos.
bool MapHeader(CsvTable& t, const CsvRow& header, std::vector<Problem>* problems) {
  bool ok = true;
  for (size_t c = 0; c < header.cells.size(); ++c) {
    const std::string name(rt::trim(header.cells[c], rt::kBlankOrTab));
    t.header.push_back(name);
    int target = 0;
    const int field = name.empty() ? -1 : t.decl->findField(name);
    const int memo = name.empty() || field >= 0 ? -1 : t.decl->findMemo(name);
    if (field >= 0 && t.decl->fields[field].type != rt::FieldType::kGroup) {
      target = field;
    } else if (memo >= 0) {
      target = -1 - memo;
    } else {
      problems->push_back({t.path, header.line, c + 1,
                           name.empty() ? "empty column name" : "no field " + name + " in " + t.decl->label});
      ok = false;
      t.columns.push_back(INT32_MIN);
      continue;
    }
    for (size_t p = 0; p < t.columns.size(); ++p) {
      if (t.columns[p] == target) {
        problems->push_back({t.path, header.line, c + 1, name + " named twice (also column " + std::to_string(p + 1) + ")"});
        ok = false;
      }
    }
    t.columns.push_back(target);
  }
  return ok;
}

// Line (from 1) of byte `offset`.
size_t LineAt(std::string_view text, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
  return line;
}

}  // namespace

size_t CsvTable::ColumnOf(int field) const {
  for (size_t c = 0; c < columns.size(); ++c) {
    if (columns[c] == field) return c + 1;
  }
  return 0;
}

void CsvTable::Apply(size_t row, rt::FileControlBlock& file) const {
  std::string reason;
  for (size_t c = 0; c < columns.size(); ++c) {
    const int target = columns[c];
    if (target >= 0) {
      SetFieldFromCell(file, target, cells[row][c], &reason, style);
    } else {
      SetMemoFromCell(file, -1 - target, cells[row][c], &reason);
    }
  }
}

CsvTable ReadCsvTable(const std::string& path, const rt::FileDeclPtr& decl, std::vector<Problem>* problems,
                      Encoding encoding) {
  CsvTable t;
  t.path = path;
  t.decl = decl;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problems->push_back({path, 0, 0, std::string("cannot read: ") + std::strerror(errno)});
    return t;
  }
  std::ostringstream read;
  read << in.rdbuf();
  std::string text = read.str();
  if (encoding == Encoding::kWindows1252) {
    text = rt::windows1252ToUtf8(text);
  } else {
    // A file saved in the 8-bit character set fails on its first accented
    // letter; say so once, with the way out.
    size_t at = 0;
    char32_t cp = 0;
    while (at < text.size() && rt::decodeUtf8(text, &at, &cp)) {
    }
    if (at < text.size()) {
      problems->push_back({path, LineAt(text, at), 0,
                           "not valid UTF-8 at byte " + std::to_string(at + 1) +
                               "; for a file saved as Windows-1252 give --encoding windows-1252"});
      return t;
    }
  }
  const char separator = DetectSeparator(text);
  t.style.decimal_comma = separator == ';';
  std::vector<CsvProblem> syntax;
  std::vector<CsvRow> rows = ParseCsv(text, &syntax, separator);
  for (const CsvProblem& p : syntax) problems->push_back({path, p.line, p.column, p.reason});
  if (rows.empty()) {
    if (syntax.empty()) problems->push_back({path, 1, 0, "no header row"});
    return t;
  }
  if (!MapHeader(t, rows[0], problems)) return t;

  rt::FileControlBlock scratch(decl);
  for (size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (row.cells.size() != t.columns.size()) {
      const size_t column = std::min(row.cells.size(), t.columns.size()) + 1;
      problems->push_back({path, row.line, column,
                           std::to_string(row.cells.size()) + " cells, the header names " +
                               std::to_string(t.columns.size())});
      continue;
    }
    scratch.clearBuffers();
    bool ok = true;
    for (size_t c = 0; c < row.cells.size(); ++c) {
      std::string reason;
      const int target = t.columns[c];
      const bool set = target >= 0 ? SetFieldFromCell(scratch, target, row.cells[c], &reason, t.style)
                                   : SetMemoFromCell(scratch, -1 - target, row.cells[c], &reason);
      if (!set) {
        problems->push_back({path, row.line, c + 1, t.header[c] + ": " + reason});
        ok = false;
        if (target >= 0 && decl->fields[target].type == rt::FieldType::kDate &&
            LooksLikeSpreadsheetDate(row.cells[c])) {
          ++t.spreadsheet_dates;
        }
      }
    }
    if (!ok) continue;
    t.records.push_back(RecordImage{scratch.record, scratch.memos});
    t.lines.push_back(row.line);
    t.cells.push_back(row.cells);
  }
  return t;
}

}  // namespace qvdata
