// What is wrong with an input line: file, line, column and reason.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace qvdata {

struct Problem {
  std::string file;
  size_t line = 0;
  size_t column = 0;  // from 1; 0 when the problem is not in one column
  std::string reason;
};

// "students.csv:4:3: DNI: not a whole number", one per line, in file and line order.
void ReportProblems(std::vector<Problem> problems, std::ostream& err);

}  // namespace qvdata
