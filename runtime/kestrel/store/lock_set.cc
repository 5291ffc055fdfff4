#include "runtime/kestrel/store/lock_set.h"

#include <chrono>

#include "runtime/kestrel/os/lock_layout.h"

namespace kestrel {

namespace {

const auto kProgramStart = std::chrono::steady_clock::now();

// Centiseconds since the program started: processes started at different
// moments try different slots first.
int InitialReaderSlot() {
  auto cs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kProgramStart)
                .count() / 10;
  return static_cast<int>(cs % kReaderSlots);
}

}  // namespace

LockSet::LockSet(File* file) : file_(file), reader_slot_(InitialReaderSlot()) {}

std::function<void(int)> LockSet::FailureLogger() const {
  if (!log_) return nullptr;
  return [this](int err) { log_("LockFile failed with error " + std::to_string(err)); };
}

void LockSet::TakeReaderSlot() {
  if (held_slot_ >= 0) return;
  for (;;) {
    if (AcquireLock(*file_, ReaderSlotOffset(reader_slot_), 1, false, false, FailureLogger())) {
      held_slot_ = reader_slot_;
      return;
    }
    reader_slot_ = (reader_slot_ + 1) % kReaderSlots;
  }
}

void LockSet::ReleaseReaderSlot() {
  if (held_slot_ < 0) return;
  file_->Unlock(ReaderSlotOffset(held_slot_), 1);
  held_slot_ = -1;
}

void LockSet::TakeWriterByte() {
  if (holds_writer_) return;
  AcquireLock(*file_, kWriterByte, 1, true, true, FailureLogger());
  holds_writer_ = true;
}

void LockSet::ReleaseWriterByte() {
  if (!holds_writer_) return;
  file_->Unlock(kWriterByte, 1);
  holds_writer_ = false;
}

void LockSet::ExcludeReaders() {
  if (readers_excluded_) return;
  AcquireLock(*file_, kAllReadersOffset, kAllReadersLength, true, true, FailureLogger());
  readers_excluded_ = true;
}

void LockSet::ReleaseReaders() {
  if (!readers_excluded_) return;
  file_->Unlock(kAllReadersOffset, kAllReadersLength);
  readers_excluded_ = false;
}

bool LockSet::TryDriverLock(uint32_t n) {
  for (auto& [held, depth] : driver_locks_) {
    if (held == n) {
      ++depth;
      return true;
    }
  }
  if (!AcquireLock(*file_, DriverLockOffset(n), 1, true, false, FailureLogger())) return false;
  driver_locks_.push_back({n, 1});
  return true;
}

void LockSet::ReleaseDriverLock(uint32_t n) {
  for (size_t i = 0; i < driver_locks_.size(); ++i) {
    if (driver_locks_[i].first != n) continue;
    if (--driver_locks_[i].second == 0) {
      file_->Unlock(DriverLockOffset(n), 1);
      driver_locks_.erase(driver_locks_.begin() + static_cast<ptrdiff_t>(i));
    }
    return;
  }
}

void LockSet::ReleaseAll() {
  ReleaseReaderSlot();
  ReleaseReaders();
  ReleaseWriterByte();
  for (auto& [n, depth] : driver_locks_) file_->Unlock(DriverLockOffset(n), 1);
  driver_locks_.clear();
}

}  // namespace kestrel
