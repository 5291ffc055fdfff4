#include "tools/qvdata/problems.h"

#include <algorithm>

namespace qvdata {

void ReportProblems(std::vector<Problem> problems, std::ostream& err) {
  // Files keep the order in which they were read; lines and columns ascend.
  std::vector<std::string> order;
  auto rank = [&](const std::string& file) {
    return static_cast<size_t>(std::find(order.begin(), order.end(), file) - order.begin());
  };
  for (const Problem& p : problems) {
    if (rank(p.file) == order.size()) order.push_back(p.file);
  }
  std::stable_sort(problems.begin(), problems.end(), [&](const Problem& a, const Problem& b) {
    const size_t ra = rank(a.file), rb = rank(b.file);
    if (ra != rb) return ra < rb;
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  for (const Problem& p : problems) {
    err << p.file << ':' << p.line << ':';
    if (p.column) err << p.column << ':';
    err << ' ' << p.reason << '\n';
  }
}

}  // namespace qvdata
