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
  // What to do about it ("import the subjects first ..."), said once with a
  // group of repeats; empty when there is nothing to add.
  std::string hint = {};
};

// Whole problem lines shown of a group of repeats, and the smallest group
// that is summed up.
inline constexpr size_t kProblemsShownOfGroup = 3;
inline constexpr size_t kProblemsGrouped = 6;

// "students.csv:4:3: DNI: not a whole number", one per line, in file and line
// order. The same reason repeated in one file on kProblemsGrouped lines or
// more shows its first kProblemsShownOfGroup lines whole, then one line for
// all of them in place of the rest:
// "students.csv: COD_CURSO: no course 101 ...: lines 2-33, 40 and 272 more; <hint>".
void ReportProblems(std::vector<Problem> problems, std::ostream& err);

}  // namespace qvdata
