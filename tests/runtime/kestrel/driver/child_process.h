// A forked child process with a pipe each way, for tests of what one
// process sees of another's holds, locks and commits. Fork before the
// parent opens any table, so that the child inherits no open files.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace kestrel::testing {

class ChildProcess {
 public:
  // Runs `body` in a child; its result is the child's exit status.
  explicit ChildProcess(const std::function<int(ChildProcess&)>& body) {
    int down[2], up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(down[1]);
      ::close(up[0]);
      in_ = down[0];
      out_ = up[1];
      ::_exit(body(*this));
    }
    ::close(down[0]);
    ::close(up[1]);
    in_ = up[0];
    out_ = down[1];
  }
  ~ChildProcess() {
    if (pid_ > 0 && !joined_) {
      ::kill(pid_, SIGKILL);
      Join();
    }
    ::close(in_);
    ::close(out_);
  }

  bool started() const { return pid_ > 0; }
  // One byte to the other side.
  void Signal() {
    const char c = 1;
    (void)!::write(out_, &c, 1);
  }
  // Waits for one byte from the other side; false after `ms` or when it is gone.
  bool Await(int ms = 15000) {
    pollfd p{in_, POLLIN, 0};
    if (::poll(&p, 1, ms) != 1) return false;
    char c;
    return ::read(in_, &c, 1) == 1;
  }
  // Exit status, or 128 + the signal that ended the child.
  int Join() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    joined_ = true;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  bool joined_ = false;
};

}  // namespace kestrel::testing
