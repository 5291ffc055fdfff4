#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/kestrel/os/file.h"

namespace kestrel {

// The byte-range locks one page store holds on its file (see
// os/lock_layout.h for where they lie):
//
//   reader slot     one of 1023 single bytes, held by a read-mode operation
//                   of a shared file; a refused slot moves on to the next
//                   one, which is kept for later operations
//   writer byte     held by a write cycle of a shared file (and by a
//                   deny-write opener while it recovers or truncates)
//   all readers     the 1023 slots at once, held during a commit
//   driver locks    record and table locks, counted: taking one twice
//                   needs two releases
//
// Slots, writer byte and the reader exclusion are taken waiting and held at
// most once each: taking what is held, or releasing what is not, does
// nothing. Driver locks are taken without waiting. With a log set, every
// refused attempt is reported as "LockFile failed with error " and the
// system error number.
class LockSet {
 public:
  explicit LockSet(File* file);
  LockSet(const LockSet&) = delete;
  LockSet& operator=(const LockSet&) = delete;

  void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

  void TakeReaderSlot();
  void ReleaseReaderSlot();
  void TakeWriterByte();
  void ReleaseWriterByte();
  void ExcludeReaders();
  void ReleaseReaders();
  bool TryDriverLock(uint32_t n);
  void ReleaseDriverLock(uint32_t n);
  // Everything held, driver locks included.
  void ReleaseAll();

  // The slot tried first by the next TakeReaderSlot.
  int readerSlot() const { return reader_slot_; }
  bool holdsSlot() const { return held_slot_ >= 0; }
  bool holdsWriter() const { return holds_writer_; }
  bool readersExcluded() const { return readers_excluded_; }
  size_t driverLocks() const { return driver_locks_.size(); }

 private:
  std::function<void(int)> FailureLogger() const;

  File* file_;
  std::function<void(const std::string&)> log_;
  int reader_slot_;
  int held_slot_ = -1;
  bool holds_writer_ = false;
  bool readers_excluded_ = false;
  std::vector<std::pair<uint32_t, int>> driver_locks_;  // lock n, times taken
};

}  // namespace kestrel
