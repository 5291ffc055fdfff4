#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrel::fault {

// Test seam of the OS layer, process-wide. Writes and flushes (of files and
// of directories) are counted from 0 after Arm; -1 disables a trigger.
struct Plan {
  int64_t fail_write = -1;  // this write (by write count) fails with EIO
  int64_t fail_flush = -1;  // this flush (by flush count) fails with EIO
  int64_t stop_from = -1;   // from this write-or-flush index on, nothing reaches the disk
  int64_t skip_flush = -1;  // this flush (by flush count) answers success and makes nothing durable
  // Power-loss model: every write is kept apart, with the bytes it
  // replaced, until a flush of its file makes it durable, and every file
  // created stays a candidate for vanishing until its directory is
  // flushed. PowerLoss() then decides the fate of whatever is not durable.
  bool power_loss = false;
  // Every file opened from now on counts as one on a network share.
  bool network_fs = false;
  // Every flush that reaches the disk waits this long first: a slow disk
  // (a spinning one takes 5-10 ms to empty its cache) on a fast machine.
  int64_t flush_delay_us = 0;
  // Every flush answers success at once and makes nothing durable: what
  // a commit costs beyond its flushes.
  bool no_flushes = false;
};

void Arm(const Plan& plan);
void Disarm();
// Writes plus flushes seen since the last Arm (counted whether armed or not).
int64_t OperationsSeen();
// Flushes alone, as skip_flush and fail_flush number them.
int64_t FlushesSeen();

// How PowerLoss treats what was not durable.
enum class Fate {
  kRandom,   // each write kept, dropped or torn at a 512-byte boundary; each new file kept or lost
  kDropAll,  // the worst case: every write and every new directory entry lost
};
// The machine loses power now (the crashed process is gone: its stores
// must be destroyed first). Every file written or created since Arm is
// rewritten as a disk would leave it: the state at its last flush plus,
// in their order, the unflushed writes that survive. Then disarms.
void PowerLoss(uint32_t seed, Fate fate = Fate::kRandom);

// Called after every read of a file (tests that must act between a read
// and what follows it); null removes it. Not counted as an operation.
void SetReadHook(std::function<void(const std::string& path, uint64_t offset)> hook);

// Used by File. Return true when the operation must be dropped silently
// (a crash stopped the disk, or a flush is skipped), set *fail when it
// must fail.
bool OnWrite(bool* fail);
bool OnFlush(const std::string& path, bool* fail);
bool Stopped();
bool NetworkFileSystems();
// Power-loss bookkeeping; cheap no-ops unless the model is armed.
inline std::atomic<bool> recording{false};
void NoteWrite(int fd, const std::string& path, uint64_t offset, const void* data, size_t n);
void NoteTruncate(int fd, const std::string& path, uint64_t length);
void NoteCreate(const std::string& path);
// The directory holding `path` was flushed: the files created in it stay.
void NoteDirectoryFlush(const std::string& path);
void AfterRead(const std::string& path, uint64_t offset);

}  // namespace kestrel::fault
