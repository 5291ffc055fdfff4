#include "framework/data/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "framework/data/critical_section.h"
#include "runtime/core/error_state.h"

namespace fw {

StandardErrorLogClass::~StandardErrorLogClass() { Close(true); }

Level StandardErrorLogClass::Open(bool force) {
  CriticalProcedure cp(CritSect);
  if (Usage == 0 || force) {
    if (fd_ >= 0) {  // forced while open: start over on a fresh handle
      ::close(fd_);
      fd_ = -1;
    }
    // Read-write, deny none; appends stay whole lines when processes share the file.
    fd_ = ::open(StdErrorFile.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      rt::postError(0);
      return Level::Notify;
    }
  }
  ++Usage;
  return Level::Benign;
}

Level StandardErrorLogClass::Close(bool force) {
  CriticalProcedure cp(CritSect);
  if (Usage == 1 || force) {
    if (fd_ >= 0) {
      int rc = ::close(fd_);
      fd_ = -1;
      if (rc != 0) {
        rt::postError(0);
        Usage = 0;
        return Level::Notify;
      }
    }
    Usage = 1;
  }
  if (Usage > 0) --Usage;
  return Level::Benign;
}

Level StandardErrorLogClass::Take(std::string_view text) {
  CriticalProcedure cp(CritSect);
  if (Usage == 0 || fd_ < 0) return Level::Notify;
  std::string line(text.substr(0, kLogLineMax));
  line += '\n';
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      rt::postError(0);
      return Level::Notify;
    }
    done += size_t(n);
  }
  return Level::Benign;
}

}  // namespace fw
