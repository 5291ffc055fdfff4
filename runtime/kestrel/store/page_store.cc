#include "runtime/kestrel/store/page_store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/kestrel/os/lock_layout.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"

namespace kestrel {

PageStore::PageStore(std::unique_ptr<File> file, std::string name, int mode)
    : file_(std::move(file)), name_(std::move(name)), mode_(NormalizeOpenMode(mode)), locks_(file_.get()) {
  shared_ = ShareOf(mode_) == kDenyNone;
  deny_write_ = ShareOf(mode_) == kDenyWrite;
}

Outcome PageStore::Open(const std::string& name, const OpenOptions& options, std::unique_ptr<PageStore>* out) {
  out->reset();
  std::unique_ptr<File> file;
  int rc = File::Open(name, options.mode, options.create, options.truncate, &file);
  if (rc != rt::Error_NoError) return Outcome::Code(rc);
  std::unique_ptr<PageStore> store(new PageStore(std::move(file), name, options.mode));
  if (!options.owner_password.empty()) store->cipher_ = MakeCipherKey(options.owner_password);
  store->spill_dirty_pages_ = options.spill_dirty_pages;
  store->truncate_at_close_ = options.truncate_at_close;
  store->cache_.setKeepAtMost(options.cache_pages);
  Header h;
  bool empty = false;
  // Under a reader slot: a commit in another process (the first one of a
  // new file, say) must not be caught half-way.
  if (store->UsesReaderLocks()) store->locks_.TakeReaderSlot();
  Outcome o = store->ReadHeaderAt0(&h, &empty);
  store->locks_.ReleaseReaderSlot();
  if (!o.ok()) {
    store->MoveTo(State::kClosed);
    return o;
  }
  *out = std::move(store);
  return Outcome::OK();
}

PageStore::~PageStore() { Close(); }

Outcome PageStore::Fail(Outcome o) {
  // Pages read without the slot may be torn by a commit elsewhere: their
  // faults count only if the file did not change.
  if (o.isCorruption() && unconfirmed_) {
    Outcome c = ConfirmUnlockedReads();
    if (!c.ok()) return c;
  }
  if (o.isCorruption()) {
    failed_ = true;
    Status s = o.status();
    return Outcome(s.inFile(name_));
  }
  return o;
}

Outcome PageStore::Close() {
  if (state_ == State::kClosed) return Outcome::OK();
  Outcome result;
  if (!failed_ && !in_transaction_) {
    if (writeMode()) {
      result = Commit();
      EndWriteCycle();
    }
    if (result.ok() && file_->writable() && truncate_at_close_) result = TruncateToEnd();
  } else if (failed_) {
    Discard();
  }
  locks_.ReleaseAll();
  insert_cursor_.Reset();
  DropAllPages();
  MoveTo(State::kClosed);
  return result;
}

Outcome PageStore::TruncateToEnd() {
  if (!file_->writable()) return Outcome::Code(rt::Error_AccessDenied);
  // Another process may be writing its journal beyond the end of the data:
  // truncate only under the writer byte and from the header on disk.
  bool took = false;
  if (shared_ && !locks_.holdsWriter()) {
    locks_.TakeWriterByte();
    took = true;
  }
  Header h;
  bool empty = false;
  Outcome o = ReadHeaderAt0(&h, &empty);
  if (o.ok() && !empty && !h.journalPending()) {
    uint64_t size = 0;
    if (file_->Size(&size) == rt::Error_NoError && size > h.EndOfData()) o = Outcome::Code(file_->Truncate(h.EndOfData()));
  }
  if (took) locks_.ReleaseWriterByte();
  return o;
}

// --- States --------------------------------------------------------------

bool PageStore::Drawn(State from, State to) {
  using S = State;
  if (from == to || from == S::kClosed) return false;
  if (to == S::kClosed) return true;  // Close, from anywhere
  switch (from) {
    case S::kIdle:
      return to == S::kReading || to == S::kReadingUnlocked || to == S::kWriteCycle;
    case S::kReading:
    case S::kReadingUnlocked:
      return to == S::kIdle || to == S::kWriteCycle;
    case S::kWriteCycle:
      return to == S::kWriting || to == S::kIdle;
    case S::kWriting:
      return to == S::kPhase1Done || to == S::kIdle;
    case S::kPhase1Done:
      return to == S::kWriting || to == S::kIdle;
    case S::kClosed:
      break;
  }
  return false;
}

const char* PageStore::StateName(State state) {
  switch (state) {
    case State::kClosed: return "kClosed";
    case State::kIdle: return "kIdle";
    case State::kReading: return "kReading";
    case State::kReadingUnlocked: return "kReadingUnlocked";
    case State::kWriteCycle: return "kWriteCycle";
    case State::kWriting: return "kWriting";
    case State::kPhase1Done: return "kPhase1Done";
  }
  return "?";
}

// What each state promises on entry. The reader slot is left out of kIdle:
// a failed header read or a failed Close reaches it with the slot still
// held, and the end of the operation (or Close) releases it.
const char* PageStore::StateFault(State state) const {
  switch (state) {
    case State::kClosed:
      if (locks_.holdsSlot() || locks_.holdsWriter() || locks_.readersExcluded() || locks_.driverLocks() > 0)
        return "a lock is still held";
      if (cache_.size() > 0) return "pages are still cached";
      return nullptr;
    case State::kIdle:
      if (locks_.holdsWriter()) return "the writer byte is held";
      if (locks_.readersExcluded()) return "readers are excluded";
      if (header_changed_) return "changes of a write cycle are pending";
      return nullptr;
    case State::kReading:
      if (!header_valid_) return "no header was adopted";
      if (UsesReaderLocks() && !locks_.holdsSlot()) return "no reader slot is held";
      if (header_changed_) return "changes of a write cycle are pending";
      return nullptr;
    case State::kReadingUnlocked:
      if (!header_valid_) return "no header was adopted";
      if (!UsesReaderLocks()) return "the file takes no reader slots";
      if (locks_.holdsSlot()) return "a reader slot is held";
      if (header_changed_) return "changes of a write cycle are pending";
      return nullptr;
    case State::kWriteCycle:
      if (locks_.holdsSlot()) return "a reader slot is held";
      if (locks_.readersExcluded()) return "readers are excluded";
      return nullptr;
    case State::kWriting:
      if (!header_valid_) return "no header was adopted";
      if (shared_ && !locks_.holdsWriter()) return "the writer byte is not held";
      if (locks_.holdsSlot()) return "a reader slot is held";
      if (locks_.readersExcluded()) return "readers are excluded";
      return nullptr;
    case State::kPhase1Done:
      if (!header_changed_) return "no changes are pending";
      if (!header_.journalPending()) return "the header holds no journal bounds";
      if (shared_ && !locks_.holdsWriter()) return "the writer byte is not held";
      if ((shared_ || deny_write_) && !locks_.readersExcluded()) return "readers are not excluded";
      return nullptr;
  }
  return "unknown state";
}

void PageStore::MoveTo(State to) {
  if (to == state_) return;
  const char* fault = Drawn(state_, to) ? StateFault(to) : "the move is not in the diagram";
  if (fault != nullptr) {
    std::fprintf(stderr, "Kestrel page store of %s: move from %s to %s refused: %s\n", name_.c_str(),
                 StateName(state_), StateName(to), fault);
    std::fflush(stderr);
    std::abort();
  }
  state_ = to;
}

// --- Operations ----------------------------------------------------------

void PageStore::BeginOperation(bool unlocked_reads) {
  unlocked_reads_allowed_ = unlocked_reads;
  // An unlocked header check lasts one operation only.
  if (state_ == State::kReadingUnlocked) MoveTo(State::kIdle);
}

Outcome PageStore::EndOperation(bool defer_commit) {
  Outcome result;
  if (writeMode()) {
    if (!in_transaction_ && !defer_commit) {
      result = Commit();
      EndWriteCycle();
    } else {
      UnpinAll();
      result = SpillNewPages();
    }
  } else {
    // Every search confirms its own reads; nothing unconfirmed may stay cached.
    if (unconfirmed_) ConfirmUnlockedReads();
    locks_.ReleaseReaderSlot();
  }
  UnpinAll();
  // A write cycle that goes on keeps the writer byte (or the file alone), so
  // no other process can have changed the header: reading it again before
  // every operation of a transaction would cost a read each.
  if (!writeMode() && state_ != State::kClosed) MoveTo(State::kIdle);
  unlocked_reads_allowed_ = false;
  return result;
}

void PageStore::BeginWriteCycle() {
  if (writeMode() || state_ == State::kClosed) return;
  locks_.ReleaseReaderSlot();
  unlocked_reads_allowed_ = false;
  MoveTo(State::kWriteCycle);  // the header is read again under the writer byte
}

void PageStore::EndWriteCycle() {
  locks_.ReleaseReaders();
  locks_.ReleaseWriterByte();
  if (state_ != State::kClosed) MoveTo(State::kIdle);
}

uint32_t PageStore::lastId() { return header_.last_id; }

Outcome PageStore::NextId(uint32_t* id) {
  KESTREL_RETURN_IF_FAILED(RequireWrite());
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  Status s = header_.NextId(id);
  if (!s.ok()) return Fail(s);
  header_changed_ = true;
  ++changes_;
  return Outcome::OK();
}

// --- Header --------------------------------------------------------------

Outcome PageStore::ReadHeaderAt0(Header* out, bool* empty_file, bool* unchanged) {
  char buf[kHeaderSize];
  size_t got = 0;
  if (unchanged) *unchanged = false;
  int rc = journal_.ReadPlain(0, buf, kHeaderSize, &got);
  if (rc != rt::Error_NoError) return Outcome::Code(rc);
  *empty_file = false;
  if (got == 0) {
    uint64_t size = 0;
    if (file_->Size(&size) == rt::Error_NoError && size == 0) {
      *empty_file = true;
      *out = Header::NewEmpty();
      return Outcome::OK();
    }
  }
  const std::string_view bytes(buf, got);
  if (got == kHeaderSize && bytes == last_header_bytes_) {
    *out = last_header_;
    if (unchanged) *unchanged = true;
    return Outcome::OK();
  }
  Status s = Header::Decode(bytes, out);
  if (!s.ok()) return Outcome(s.inFile(name_));
  last_header_bytes_.assign(bytes);
  last_header_ = *out;
  return Outcome::OK();
}

void PageStore::AdoptHeader(const Header& h) {
  DropAllPages();
  insert_cursor_.Reset();
  header_ = h;
  disk_header_ = h;
  // Empty areas may sit anywhere on disk; placing pages assumes that every
  // area starts at or above the end of the areas below it.
  uint32_t floor = 0;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (header_.area_start[i] == header_.area_end[i]) {
      header_.area_start[i] = header_.area_end[i] = floor;
    } else {
      floor = header_.area_end[i];
    }
  }
  root_ = h.root == kNoRoot ? -1 : static_cast<int32_t>(h.root);
  header_valid_ = true;
}

// The header read of an operation that may serve cached pages without the
// reader slot: it holds when the header at 0 is the one the cache was built
// from and shows no journal. Anything else takes the usual way.
// Never on a network file system: its clients may serve a stale header
// beside a fresh page, so the check after each load proves nothing there.
bool PageStore::TryUnlockedHeader() {
  if (!unlocked_reads_allowed_ || state_ != State::kIdle || !UsesReaderLocks() || !header_valid_ ||
      header_changed_ || locks_.holdsSlot() || !journal_map_.empty() || file_->network()) {
    return false;
  }
  if (!HeaderStillCached()) return false;
  MoveTo(State::kReadingUnlocked);
  return true;
}

// The header at 0 is byte for byte the one the cache was built from, with
// no journal. The bytes compared are the ones read last, which a read that
// adopts nothing (truncation, say) may have taken past the cache's counter,
// hence the counter too.
bool PageStore::HeaderStillCached() {
  Header h;
  bool empty = false, unchanged = false;
  if (!ReadHeaderAt0(&h, &empty, &unchanged).ok() || !unchanged || empty) return false;
  return !h.journalPending() && h.change_counter == header_.change_counter;
}

// Called after pages were read without the reader slot, before a search
// answers with anything found through them (and before a failure they may
// have caused counts). A writer changes nothing below the committed end of
// the data before it writes the journal bounds at 0, and every commit
// raises the change counter: a header still equal to the one read at the
// start of the operation means no commit touched the file in between, so
// every byte read until now is committed. One check after the last page a
// search loads so covers all its loads, where a check after each load cost
// a read of the header per page. Otherwise the pages read may be torn or
// stale: they go, with the read windows, and the operation starts over
// under the reader slot.
Outcome PageStore::ConfirmUnlockedReads() {
  unconfirmed_ = false;
  if (HeaderStillCached()) return Outcome::OK();
  DropAllPages();
  MoveTo(State::kIdle);  // the header is read again, and adopted, when the operation starts over
  ++restarts_;
  return Outcome::Retry();
}

Outcome PageStore::EnsureHeader() {
  if (headerCurrent()) return Outcome::OK();
  if (state_ == State::kClosed) return Outcome::Code(rt::Error_FileNotOpen);
  if (TryUnlockedHeader()) return Outcome::OK();
  const bool writing = writeMode();
  if (writing) {
    if (shared_) locks_.TakeWriterByte();
  } else if (UsesReaderLocks()) {
    locks_.TakeReaderSlot();
  }
  Header at0;
  bool empty = false;
  KESTREL_RETURN_IF_FAILED(ReadHeaderAt0(&at0, &empty));
  Header effective = at0;
  journal_map_.clear();
  if (!empty && at0.journalPending()) KESTREL_RETURN_IF_FAILED(Fail(Recover(at0, &effective)));
  if (!header_valid_ || effective.change_counter > header_.change_counter) {
    if (header_changed_) {
      // Changes of this cycle were made on a state that is gone.
      Discard();
      return Fail(Status::Corruption(kCheckJournal));
    }
    Status areas = effective.CheckAreas();
    if (!areas.ok()) return Fail(areas);
    AdoptHeader(effective);
  } else if (!header_changed_) {
    disk_header_ = effective;
  }
  if (header_.change_counter == 0) {
    header_.change_counter = 1;
    header_.root = kNoRoot;
    root_ = -1;
  }
  MoveTo(writing ? State::kWriting : State::kReading);
  return Outcome::OK();
}

Outcome PageStore::RequireWrite() {
  if (state_ == State::kClosed) return Outcome::Code(rt::Error_FileNotOpen);
  if (!writeMode()) return Fail(Status::Corruption(kCheckNotWriteMode));
  if (unsettled_) return Refusal();
  return Outcome::OK();
}

}  // namespace kestrel
