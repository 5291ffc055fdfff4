#include "tools/qvdata/progress.h"

#include <unistd.h>

#include <cstdio>

namespace qvdata {

namespace {
bool forced = false;
}

void Progress::ForceTerminal(bool on) { forced = on; }

Progress::Progress(std::string_view label, size_t total)
    : label_(label), total_(total), enabled_(forced || ::isatty(STDERR_FILENO)) {}

Progress::~Progress() {
  if (enabled_ && drawn_) {
    Step(total_);
    std::fputc('\n', stderr);
  }
}

void Progress::Step(size_t done) {
  if (!enabled_ || total_ == 0 || (done < next_draw_ && done != total_)) return;
  next_draw_ = done + (total_ / 100 > 0 ? total_ / 100 : 1);
  std::fprintf(stderr, "\r%s: %zu/%zu (%zu%%)", label_.c_str(), done, total_, done * 100 / total_);
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace qvdata
