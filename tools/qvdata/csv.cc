#include "tools/qvdata/csv.h"

namespace qvdata {

std::vector<CsvRow> ParseCsv(std::string_view text, std::vector<CsvProblem>* problems, char separator) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRow> rows;
  size_t at = 0;
  size_t line = 1;
  while (at < text.size()) {
    CsvRow row;
    row.line = line;
    std::string cell;
    bool bad = false;
    bool ended = false;
    while (!ended) {
      // One cell.
      cell.clear();
      if (at < text.size() && text[at] == '"') {
        ++at;
        bool closed = false;
        while (at < text.size()) {
          const char c = text[at++];
          if (c == '"') {
            if (at < text.size() && text[at] == '"') {
              cell.push_back('"');
              ++at;
            } else {
              closed = true;
              break;
            }
          } else {
            if (c == '\n') ++line;
            cell.push_back(c);
          }
        }
        if (!closed) {
          if (!bad) problems->push_back({row.line, row.cells.size() + 1, "quoted cell never closed"});
          return rows;
        }
        if (at < text.size() && text[at] != separator && text[at] != '\n' && text[at] != '\r' && !bad) {
          problems->push_back({row.line, row.cells.size() + 1, "text after the closing quote"});
          bad = true;
        }
      }
      while (at < text.size() && text[at] != separator && text[at] != '\n') {
        if (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] == '\n')) {
          ++at;
          continue;
        }
        if (text[at] == '"' && !bad) {
          problems->push_back({row.line, row.cells.size() + 1, "quote inside an unquoted cell"});
          bad = true;
        }
        cell.push_back(text[at++]);
      }
      row.cells.push_back(cell);
      if (at >= text.size() || text[at] == '\n') {
        ended = true;
        if (at < text.size()) ++line;
      }
      ++at;
    }
    const bool blank = row.cells.size() == 1 && row.cells[0].empty();
    if (!bad && !blank) rows.push_back(std::move(row));
  }
  return rows;
}

char DetectSeparator(std::string_view text) {
  size_t counts[3] = {0, 0, 0};
  constexpr char kSeparators[3] = {',', ';', '\t'};
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') break;
    for (int i = 0; i < 3; ++i) counts[i] += c == kSeparators[i];
  }
  int best = 0;
  for (int i = 1; i < 3; ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kSeparators[best];
}

std::string CsvCell(std::string_view value, char separator) {
  const char specials[] = {separator, '"', '\r', '\n', '\0'};
  bool quote = value.find_first_of(specials) != std::string_view::npos;
  if (!quote) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string CsvLine(const std::vector<std::string>& cells, char separator) {
  std::string out;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) out.push_back(separator);
    out += CsvCell(cells[i], separator);
  }
  out.push_back('\n');
  return out;
}

}  // namespace qvdata
