#pragma once

#include <cstdint>

namespace kestrel::fault {

// Test seam of the OS layer, process-wide. Writes and flushes are counted
// from 0 after Arm; -1 disables a trigger.
struct Plan {
  int64_t fail_write = -1;  // this write (by write count) fails with EIO
  int64_t fail_flush = -1;  // this flush (by flush count) fails with EIO
  int64_t stop_from = -1;   // from this write-or-flush index on, nothing reaches the disk
};

void Arm(const Plan& plan);
void Disarm();
// Writes plus flushes seen since the last Arm (counted whether armed or not).
int64_t OperationsSeen();

// Used by File. Return true when the operation must be dropped silently
// (a crash stopped the disk), set *fail when it must fail.
bool OnWrite(bool* fail);
bool OnFlush(bool* fail);
bool Stopped();

}  // namespace kestrel::fault
