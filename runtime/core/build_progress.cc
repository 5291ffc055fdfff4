#include "runtime/core/build_progress.h"

namespace rt {

namespace {

// Files belong to one thread, and so do their builds.
thread_local BuildProgressReceiver* receiver = nullptr;

}  // namespace

BuildProgressReceiver* setBuildProgressReceiver(BuildProgressReceiver* r) {
  BuildProgressReceiver* before = receiver;
  receiver = r;
  return before;
}

BuildProgressReceiver* buildProgressReceiver() { return receiver; }

}  // namespace rt
