#include "tools/qvdata/csv_table.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "runtime/core/file_control.h"
#include "tools/qvdata/csv.h"
#include "tools/qvdata/field_text.h"

namespace qvdata {

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Maps the header's names to fields and memos.
bool MapHeader(CsvTable& t, const CsvRow& header, std::vector<Problem>* problems) {
  bool ok = true;
  for (size_t c = 0; c < header.cells.size(); ++c) {
    const std::string name = Trim(header.cells[c]);
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

}  // namespace

CsvTable ReadCsvTable(const std::string& path, const rt::FileDeclPtr& decl, std::vector<Problem>* problems) {
  CsvTable t;
  t.path = path;
  t.decl = decl;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problems->push_back({path, 0, 0, std::string("cannot read: ") + std::strerror(errno)});
    return t;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<CsvProblem> syntax;
  std::vector<CsvRow> rows = ParseCsv(text.str(), &syntax);
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
      const bool set = target >= 0 ? SetFieldFromCell(scratch, target, row.cells[c], &reason)
                                   : SetMemoFromCell(scratch, -1 - target, row.cells[c], &reason);
      if (!set) {
        problems->push_back({path, row.line, c + 1, t.header[c] + ": " + reason});
        ok = false;
      }
    }
    if (!ok) continue;
    t.records.push_back(RecordImage{scratch.record, scratch.memos});
    t.lines.push_back(row.line);
  }
  return t;
}

}  // namespace qvdata
