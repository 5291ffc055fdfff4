// The operation frame of the driver: every operation runs under the physical
// file's lock between BeginOperation and EndOperation of the page store,
// commits when it ends (unless deferred by stream mode or a transaction) and
// leaves its outcome in the thread's error state.
#include "runtime/kestrel/driver/kestrel_table.h"

#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "runtime/core/error_fatal.h"
#include "runtime/core/error_state.h"
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/file_log.h"
#include "runtime/kestrel/os/open_mode.h"

namespace kestrel {

namespace {

std::atomic<bool> g_file_error_reporting{true};

// Stream mode defers commits below these bounds.
constexpr size_t kStreamDirtyPages = 40;
constexpr int kStreamOperations = 5000;

}  // namespace

void SetFileErrorReporting(bool on) { g_file_error_reporting = on; }
bool FileErrorReporting() { return g_file_error_reporting; }

KestrelTable::KestrelTable(TableDeclaration declaration) : decl_(std::move(declaration)) {
  name_error_ = SplitTableName(decl_.name, &name_);
  if (decl_.layout) {
    def_ = *decl_.layout;
    record_.assign(def_.record_length, '\0');
    memos_.assign(def_.memos.size(), std::string());
  }
}

KestrelTable::~KestrelTable() {
  if (file_) Close();
}

int KestrelTable::KeyIndex(std::string_view label) const {
  for (size_t i = 0; i < def_.keys.size(); ++i) {
    if (SameName(def_.keys[i].label, label)) return static_cast<int>(i);
  }
  return -1;
}

int KestrelTable::FieldIndex(std::string_view label) const {
  for (size_t i = 0; i < def_.fields.size(); ++i) {
    if (SameName(def_.fields[i].name, label)) return static_cast<int>(i);
  }
  return -1;
}

bool KestrelTable::CheckKey(int key) const { return key >= 0 && static_cast<size_t>(key) < def_.keys.size(); }

int KestrelTable::Post(int code) {
  if (code == 0) {
    rt::clearError();
  } else {
    rt::postError(code);
  }
  return code;
}

int KestrelTable::Finish(Outcome o) {
  if (o.ok()) return Post(0);
  if (o.isCorruption()) {
    const std::string file = name_.physical.empty() ? std::string() : displayName();
    const std::string number = std::to_string(o.checkNumber());
    if (!FileErrorReporting()) {
      rt::fatalMessage(std::string(kCorruptionMessage) + " " + file + " (" + number + ")");
    }
    rt::postFileError(file, file.empty() ? kDriverErrorMessage : kCorruptionMessage, number);
    return Post(rt::Error_FileSystemError);
  }
  if (o.status().isMismatch()) rt::postFileError(displayName(), o.status().item());
  if (!o.message().empty()) rt::postFileError(displayName(), o.message());
  return Post(o.code());
}

Outcome KestrelTable::Begin(bool write, bool unlocked_reads) {
  PageStore* store = file_->store.get();
  store->BeginOperation(unlocked_reads);
  // Counts of a write cycle that ended without them are gone with it.
  if (!store->writeMode()) file_->DropCounts();
  if (write) {
    if (!WantsWrite(file_->mode)) return Outcome::Code(rt::Error_AccessDenied);
    store->BeginWriteCycle();
  }
  return Outcome::OK();
}

Outcome KestrelTable::End(bool write, Outcome o, uint64_t changes) {
  PageStore* store = file_->store.get();
  if (o.isCorruption() && file_->pending_failure == 0) file_->pending_failure = o.checkNumber();
  if (file_->pending_failure != 0 || store->failed()) {
    if (file_->pending_failure == 0) file_->pending_failure = static_cast<int>(kCheckJournal);
    // Nothing of a suspect file is committed; Close only gives the locks back.
    if (store->writeMode()) {
      store->Discard();
    } else {
      store->EndOperation(true);
    }
    file_->DropCounts();
    return o;
  }
  if (!o.ok() && store->writeMode() && store->changeCount() != changes) {
    // A failed operation leaves the file as it was. Its changes cannot be
    // told apart from others of the same cycle, so all go; a transaction
    // learns of it at its commit.
    if (store->inTransaction()) file_->lost_changes = o.code();
    store->Discard();
    file_->DropCounts();
    return o;
  }
  bool defer = false;
  if (stream_ && store->writeMode()) {
    if (write) ++deferred_ops_;
    defer = store->dirtyPages() < kStreamDirtyPages && deferred_ops_ < kStreamOperations;
    if (!defer) deferred_ops_ = 0;
  }
  if (store->writeMode() && !defer && !store->inTransaction()) {
    // The cycle commits now: its counts go in with it.
    Outcome a = file_->ApplyCounts();
    if (!a.ok()) {
      if (a.isCorruption()) file_->pending_failure = a.checkNumber();
      store->Discard();
      return o.ok() ? a : o;
    }
  }
  Outcome e = store->EndOperation(defer);
  if (o.ok() && !e.ok()) {
    if (e.isCorruption()) file_->pending_failure = e.checkNumber();
    return e;
  }
  return o;
}

int KestrelTable::RunOp(bool write, const std::function<Outcome()>& body, bool keeps_counts, bool restartable) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  std::lock_guard<std::recursive_mutex> guard(file_->mutex);
  if (restartable && !write) {
    seq_before_ = seq_;  // assigned, not constructed: it keeps its buffers
    const uint64_t changes = file_->store->changeCount();
    Outcome o = Begin(false, true);
    if (o.ok()) o = body();
    if (!o.isRetry()) return Finish(End(false, o, changes));
    // Another process committed while cached pages were being read: start
    // over under the reader slot, from the sequence as it was.
    End(false, Outcome::OK(), changes);
    seq_ = seq_before_;
  }
  Outcome o = Begin(write);
  if (o.ok() && !keeps_counts) o = file_->ApplyCounts();
  const uint64_t changes = file_->store->changeCount();
  if (o.ok()) o = body();
  return Finish(End(write, o, changes));
}

int KestrelTable::Reading(const std::function<Outcome()>& body) {
  int code = RunOp(false, body, true, true);
  // A held record is tried again for as long as the hold allows, counted
  // from the first refusal.
  if (code == rt::Error_RecordIsAlreadyHeld && hold_requested_) {
    const auto start = std::chrono::steady_clock::now();
    while (code == rt::Error_RecordIsAlreadyHeld && (hold_seconds_ == kNoTimeout ||
                                std::chrono::steady_clock::now() - start < std::chrono::seconds(hold_seconds_))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      code = RunOp(false, body, true, true);
    }
  }
  hold_requested_ = false;
  watch_requested_ = false;
  nomemo_requested_ = false;
  return code;
}

void KestrelTable::Hold(int seconds) {
  hold_requested_ = true;
  hold_seconds_ = seconds < 0 ? kNoTimeout : seconds;
}

void KestrelTable::ReleaseHold() {
  if (held_id_ == 0 || !file_) return;
  file_->store->ReleaseDriverLock(held_id_ + 1);
  held_id_ = 0;
}

int KestrelTable::Release() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  std::lock_guard<std::recursive_mutex> guard(file_->mutex);
  ReleaseHold();
  return Post(0);
}

void KestrelTable::Clear(uint8_t fill) {
  record_.assign(def_.record_length, static_cast<char>(fill));
  for (std::string& m : memos_) m.clear();
}

int KestrelTable::Lock(int seconds) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> guard(file_->mutex);
      if (file_->store->TryDriverLock(table_ + 1)) {
        ++table_lock_depth_;
        return Post(0);
      }
      FileLog("Locking failed with error " + std::to_string(file_->store->lastSystemError()));
    }
    if (seconds == kNoTimeout || std::chrono::steady_clock::now() - start >= std::chrono::seconds(seconds)) {
      return Post(rt::Error_FileIsAlreadyLocked);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

int KestrelTable::Unlock() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  std::lock_guard<std::recursive_mutex> guard(file_->mutex);
  if (table_lock_depth_ > 0) {
    --table_lock_depth_;
    file_->store->ReleaseDriverLock(table_ + 1);
  }
  return Post(0);
}

int KestrelTable::Stream() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  stream_ = true;
  deferred_ops_ = 0;
  return Post(0);
}

int KestrelTable::Flush() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  stream_ = false;
  deferred_ops_ = 0;
  return RunOp(false, [] { return Outcome::OK(); });
}

int KestrelTable::Bytes(uint64_t* bytes) {
  *bytes = 0;
  if (!file_) return Post(rt::Error_FileNotOpen);
  std::error_code ec;
  const auto size = std::filesystem::file_size(file_->name, ec);
  if (ec) return Post(rt::Error_AccessDenied);
  *bytes = size;
  return Post(0);
}

int64_t KestrelTable::SaveState() {
  states_[++last_state_] = SavedState{current_, seq_, read_image_};
  return last_state_;
}

bool KestrelTable::RestoreState(int64_t handle) {
  auto it = states_.find(handle);
  if (it == states_.end()) return false;
  current_ = it->second.current;
  seq_ = it->second.seq;
  read_image_ = it->second.read_image;
  return true;
}

void KestrelTable::FreeState(int64_t handle) { states_.erase(handle); }

int KestrelTable::EndView() {
  if (!in_view_) return Post(0);
  in_view_ = false;
  if (!file_) return Post(0);
  return RunOp(false, [] { return Outcome::OK(); });
}

}  // namespace kestrel
