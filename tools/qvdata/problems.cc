#include "tools/qvdata/problems.h"

#include <algorithm>
#include <map>
#include <utility>

namespace qvdata {

namespace {

// Ranges of line numbers spelled out before the rest is only counted.
constexpr size_t kRangesNamed = 3;

void WriteWhole(const Problem& p, std::ostream& err) {
  err << p.file << ':' << p.line << ':';
  if (p.column) err << p.column << ':';
  err << ' ' << p.reason << '\n';
}

// "lines 2-33, 40 and 272 more" of ascending line numbers.
std::string LinesText(const std::vector<size_t>& lines) {
  std::vector<std::pair<size_t, size_t>> ranges;
  for (size_t line : lines) {
    if (!ranges.empty() && (line == ranges.back().second || line == ranges.back().second + 1))
      ranges.back().second = line;
    else
      ranges.push_back({line, line});
  }
  std::string text = "lines ";
  size_t named = 0;
  for (size_t i = 0; i < ranges.size() && i < kRangesNamed; ++i) {
    if (i) text += i + 1 == ranges.size() ? " and " : ", ";
    text += std::to_string(ranges[i].first);
    if (ranges[i].second != ranges[i].first) text += "-" + std::to_string(ranges[i].second);
    named = i + 1;
  }
  size_t rest = 0;
  for (size_t i = named; i < ranges.size(); ++i) rest += ranges[i].second - ranges[i].first + 1;
  if (rest) text += " and " + std::to_string(rest) + " more";
  return text;
}

}  // namespace

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
  // Repeats: the same reason in the same file, in line order.
  std::map<std::pair<std::string, std::string>, std::vector<size_t>> groups;
  for (size_t i = 0; i < problems.size(); ++i) groups[{problems[i].file, problems[i].reason}].push_back(i);
  for (size_t i = 0; i < problems.size(); ++i) {
    const Problem& p = problems[i];
    const std::vector<size_t>& group = groups[{p.file, p.reason}];
    if (group.size() < kProblemsGrouped) {
      WriteWhole(p, err);
      continue;
    }
    if (group.front() != i) continue;  // the group is written at its first line
    std::vector<size_t> lines;
    for (size_t k : group) lines.push_back(problems[k].line);
    for (size_t k = 0; k < kProblemsShownOfGroup; ++k) WriteWhole(problems[group[k]], err);
    err << p.file << ": " << p.reason << ": " << LinesText(lines);
    if (!p.hint.empty()) err << "; " << p.hint;
    err << '\n';
  }
}

}  // namespace qvdata
