// Progress of a long run on a terminal: "label: done/total (pct%)" redrawn
// in place on standard error, at most about a hundred times. Nothing is
// written when standard error is not a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qvdata {

class Progress {
 public:
  Progress(std::string_view label, size_t total);
  ~Progress();  // ends the line
  void Step(size_t done);

  // For tests: force drawing, whatever standard error is.
  static void ForceTerminal(bool on);

 private:
  std::string label_;
  size_t total_;
  size_t next_draw_ = 0;
  bool drawn_ = false;
  bool enabled_;
};

}  // namespace qvdata
