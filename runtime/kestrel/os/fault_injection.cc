#include "runtime/kestrel/os/fault_injection.h"

#include <mutex>

namespace kestrel::fault {

namespace {

std::mutex mu;
Plan plan;
int64_t writes = 0;
int64_t flushes = 0;
bool stopped = false;

bool Count(bool is_write, bool* fail) {
  std::lock_guard<std::mutex> lock(mu);
  int64_t* counter = is_write ? &writes : &flushes;
  int64_t fail_at = is_write ? plan.fail_write : plan.fail_flush;
  int64_t index = writes + flushes;
  int64_t own = (*counter)++;
  *fail = false;
  if (plan.stop_from >= 0 && index >= plan.stop_from) stopped = true;
  if (stopped) return true;
  if (own == fail_at) *fail = true;
  return false;
}

}  // namespace

void Arm(const Plan& p) {
  std::lock_guard<std::mutex> lock(mu);
  plan = p;
  writes = flushes = 0;
  stopped = false;
}

void Disarm() { Arm(Plan{}); }

int64_t OperationsSeen() {
  std::lock_guard<std::mutex> lock(mu);
  return writes + flushes;
}

bool OnWrite(bool* fail) { return Count(true, fail); }
bool OnFlush(bool* fail) { return Count(false, fail); }

bool Stopped() {
  std::lock_guard<std::mutex> lock(mu);
  return stopped;
}

}  // namespace kestrel::fault
