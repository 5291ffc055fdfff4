// CSV as spreadsheets write it: cells separated by a comma (or by `;` or a
// tab, as spreadsheets in other locales save it), in double quotes when they
// hold the separator, quotes (doubled) or line breaks; LF or CRLF line ends;
// an optional UTF-8 byte-order mark. Blank lines are skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvdata {

struct CsvRow {
  size_t line = 0;  // physical line where the row starts, from 1
  std::vector<std::string> cells;
};

struct CsvProblem {
  size_t line = 0;
  size_t column = 0;  // from 1
  std::string reason;
};

// Splits `text` into rows. Malformed rows (a quote inside an unquoted cell,
// text after a closing quote, a quote left open) are reported in *problems
// and left out; the other rows are still returned.
std::vector<CsvRow> ParseCsv(std::string_view text, std::vector<CsvProblem>* problems, char separator = ',');

// The separator of a file, told from its first line: whichever of `,`, `;`
// and tab appears most often outside quotes (`,` when none does).
char DetectSeparator(std::string_view text);

// One cell, quoted when it must be.
std::string CsvCell(std::string_view value, char separator = ',');
// A row of cells and its line end.
std::string CsvLine(const std::vector<std::string>& cells, char separator = ',');

}  // namespace qvdata
