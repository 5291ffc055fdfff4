#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/kestrel/format/cipher.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/os/file.h"
#include "runtime/kestrel/store/cursor.h"
#include "runtime/kestrel/store/journal.h"
#include "runtime/kestrel/store/lock_set.h"
#include "runtime/kestrel/store/outcome.h"
#include "runtime/kestrel/store/page_cache.h"
#include "runtime/kestrel/store/space_areas.h"

namespace kestrel {

// The page store of one physical Kestrel file: header, page cache, the
// file's ordered tree, size areas, journaled two-phase commit, recovery and
// the byte-range locks that let processes share the file.
//
// Every driver operation is bracketed by BeginOperation/EndOperation. Reads
// run in read mode; BeginWriteCycle switches to write mode until the commit
// (EndOperation commits unless the file is in a transaction or the caller
// defers it).
//
// Where the store stands is one State; these are the only moves between
// them ("header read" is the first tree access of an operation):
//
//   Open ──> kIdle ── header read, reader slot taken ──────> kReading
//            │  ^  ── header read, cache still current ───> kReadingUnlocked
//            │  │     (no lock; a page read under a changed header
//            │  │      answers Retry and goes back to kIdle)
//            │  └──── EndOperation (slot released) ─────── kReading, kReadingUnlocked
//            │
//            BeginWriteCycle (from kIdle or a read state; slot released)
//            v
//          kWriteCycle ── header read, writer byte taken ──> kWriting
//                                                              │  ^
//                             CommitPhase1 (bounds at 0) ─────┘  │ CommitPhase2 done
//                                                              v  │
//                                                          kPhase1Done
//
//   kWriteCycle, kWriting, kPhase1Done ── Commit + EndWriteCycle, Discard,
//            AbortPhase1, a failed commit ──> kIdle (writer byte and reader
//            exclusion released)
//   any ── Close ──> kClosed
//
// Write mode is kWriteCycle, kWriting and kPhase1Done; the header is
// current in kReading, kReadingUnlocked, kWriting and kPhase1Done. Two
// faults stand beside the state and outlive it until the file is opened
// again: a consistency failure (failed()) and a flush that failed past a
// commit point (unsettled()).
//
// Every move goes through MoveTo, which checks it against this diagram and
// checks what the state entered promises (see StateFault). Staying in a
// state is no move. A closed store makes no move: its operations answer
// Error_FileNotOpen.
class PageStore final : private SpaceAreas::Mover {
 public:
  enum class State : uint8_t {
    kClosed,
    kIdle,              // read mode, header not read in this operation
    kReading,           // read mode, header read under a reader slot
    kReadingUnlocked,   // read mode, cached header still the one at 0, no lock
    kWriteCycle,        // write mode, header not read yet in this cycle
    kWriting,           // write mode, header read (under the writer byte when shared)
    kPhase1Done,        // journal and its bounds at 0 written, readers excluded
  };
  // Bytes of adjacent page images written by one gathered write of a commit.
  static constexpr uint64_t kMaxGatherBytes = Journal::kMaxGatherBytes;

  struct OpenOptions {
    int mode = 0x42;  // read/write, deny none
    bool create = false;
    bool truncate = false;
    std::string owner_password;  // non-empty: pages and header are scrambled
    // A write cycle that goes on past an operation with this many changed
    // pages writes the older half of its new ones beyond the committed end
    // of the data (see SpillNewPages); 0 never does. 4096 keeps a load of
    // 20,000 or 200,000 grade-book rows in one transaction near 43 MB of
    // resident memory; lower values save memory but read back and write
    // again more of the key pages written early.
    size_t spill_dirty_pages = 4096;
    // Close gives the space beyond the end of the data back. A file whose
    // one page alternates between two places (see PreparePages) would
    // shrink and grow again at every other commit, and a flush that must
    // record a new length costs more; such a file may keep its length.
    bool truncate_at_close = true;
    // Most pages cached (see PageCache); the defined rule keeps 100.
    size_t cache_pages = PageCache::kKeepAtMost;
  };
  static Outcome Open(const std::string& name, const OpenOptions& options, std::unique_ptr<PageStore>* out);
  static Outcome Delete(const std::string& name) { return Outcome::Code(File::Delete(name)); }

  ~PageStore();
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  // Commits pending changes (unless the file is in a transaction or has met
  // a consistency failure) and gives the space beyond the end of the data
  // back. After a failure it only releases the locks.
  Outcome Close();
  Outcome TruncateToEnd();
  Outcome Flush() { return Outcome::Code(file_->Flush()); }
  // Current length of the file on disk.
  Outcome FileSize(uint64_t* size) { return Outcome::Code(file_->Size(size)); }

  // With `unlocked_reads`, a read-mode operation on a shared file whose
  // header is byte for byte the one the cache was built from serves cached
  // pages without taking a reader slot: only a commit point changes the
  // header, so those pages are the committed state when the header was
  // read. A page it must load is read without the slot too, and the header
  // is read again after it; if the file changed meanwhile, the call answers
  // Outcome::Retry() and the caller ends the operation and runs it again
  // without the option.
  // Only operations that change nothing and can start over may ask for it.
  // On a network file system (File::network) the option is ignored: a
  // client there may see a fresh page beside a stale header, so every read
  // takes the reader slot.
  void BeginOperation(bool unlocked_reads = false);
  // Ends an operation: releases the reader slot in read mode; in write mode
  // commits and ends the write cycle unless `defer_commit` is set or the
  // file is in a transaction.
  Outcome EndOperation(bool defer_commit = false);
  void BeginWriteCycle();
  bool writeMode() const {
    return state_ == State::kWriteCycle || state_ == State::kWriting || state_ == State::kPhase1Done;
  }
  State state() const { return state_; }
  // Whether the diagram above draws the move (a state to itself is no move
  // and is not drawn).
  static bool Drawn(State from, State to);
  static const char* StateName(State state);

  // Searches. *found is false when there is no such record (the low
  // sentinel never counts). On success the cursor holds a copy of the record.
  // A read without the reader slot (see BeginOperation) checks the file
  // before it answers. With `confirm` unset, a Find or FindAtLeast that
  // succeeds leaves that check to the next search of the operation, which
  // then covers both: for a caller that only searches on with what it found
  // (an index entry leading to its row) and answers through Confirm if it
  // stops there.
  Outcome Find(std::string_view key, Cursor* cursor, bool* found, bool confirm = true);
  Outcome FindAtLeast(std::string_view key, Cursor* cursor, bool* found, bool confirm = true);
  // `o`, or Retry when pages were read without the reader slot and the
  // file has changed since.
  Outcome Confirm(Outcome o) { return Confirmed(o); }
  Outcome FindAtMost(std::string_view key, Cursor* cursor, bool* found);
  Outcome Next(Cursor* cursor, bool* found);
  Outcome Previous(Cursor* cursor, bool* found);

  // Write mode only. Equal keys are a consistency failure.
  Outcome Insert(Record record);
  // Insert through the insert cursor: meant for ascending data-record keys,
  // which then skip the descent from the root.
  Outcome InsertAppend(Record record);
  // Replaces the value of an existing record.
  Outcome Update(const Record& record, bool* found);
  Outcome Remove(std::string_view key, bool* found);
  Outcome NextId(uint32_t* id);
  uint32_t lastId();

  // --- Reads and updates in place (page_store_positioned.cc) ---------------------------
  // The value of the record with exactly `key`, copied into *value (whose
  // buffer is reused); no record copy goes through a cursor. With `hint`
  // (see InsertHint), a key that belongs to the hint's leaf is looked up
  // there without a descent.
  struct InsertHint;
  Outcome ReadValue(std::string_view key, std::string* value, bool* found, InsertHint* hint = nullptr);
  // Write mode only. Replaces the value of the cursor's record by one of the
  // same size, in place, when the cursor still stands on it in its page
  // (positioned in this operation); *done is false otherwise, and nothing
  // changed.
  Outcome ReplaceValueAt(Cursor* cursor, std::string_view value, bool* done);
  // The leaf that took the last insert through a hint, and the end of its
  // range: inserts that fall into it skip the descent from the root.
  struct InsertHint {
    Cursor leaf;
    std::string upper;
    bool unbounded = false;
    std::string first;  // the leaf's first key while it has this version
    uint64_t first_version = UINT64_MAX;
  };
  // Insert, through `hint` when the key belongs to its leaf. Equal keys are
  // a consistency failure. The record is copied: a caller adding many
  // entries keeps one allocation for them.
  Outcome InsertNear(const Record& record, InsertHint* hint);
  // The hint's leaf when `key` belongs to it, else null.
  CachedPage* HintedLeaf(std::string_view key, InsertHint* hint);

  // A commit fails, leaving the old state, only before its commit point
  // (the journal bounds written at position 0). From there on it answers
  // success: what phase 2 cannot finish, the journal finishes at the next
  // access, and the failure is logged. A flush that fails from the commit
  // point on leaves the outcome on disk unknown: the store then refuses
  // every write (Refusal()) until the file is opened again and recovered.
  // A commit that rewrites no page of the committed state writes no
  // journal: its commit point is the new header at 0.
  Outcome Commit();
  // Multi-file transactions commit in steps: phase 1 up to the file's
  // journal, phase 2 after the transaction's commit point; AbortPhase1
  // gives up a phase 1 already done (an error when the old state could not
  // be made durable again). With `commit_point` unset, the file's journal
  // bounds are not the commit point: a failed flush after writing them
  // fails phase 1, and the bounds are taken back.
  Outcome CommitPhase1(bool commit_point = true);
  Outcome CommitPhase2();
  Outcome AbortPhase1();
  // Set once a flush failed past a commit point (see Commit).
  bool unsettled() const { return unsettled_; }
  Outcome Refusal() const;
  void Discard();
  void setInTransaction(bool on) { in_transaction_ = on; }
  bool inTransaction() const { return in_transaction_; }
  bool changed() const { return header_changed_; }
  // Counts every change made to the write cycle: an operation that compares
  // it before and after knows whether it changed anything.
  uint64_t changeCount() const { return changes_; }
  size_t dirtyPages() const { return cache_.dirty().size(); }
  // Pages a long write cycle wrote before its commit, since the open.
  uint64_t spilledPages() const { return spilled_pages_; }

  // With logging on, every refused lock attempt is reported as
  // "LockFile failed with error " and the system error number, and every
  // failure a commit past its commit point survives is reported too.
  void setLog(std::function<void(const std::string&)> log) {
    locks_.setLog(log);
    lock_log_ = std::move(log);
  }

  // Locks of the driver (n = record id + 1 or table number + 1), taken
  // without waiting.
  bool TryDriverLock(uint32_t n) { return locks_.TryDriverLock(n); }
  // The system error of the last refused lock or failed call, for logs.
  int lastSystemError() const { return file_->last_errno(); }
  void ReleaseDriverLock(uint32_t n) { locks_.ReleaseDriverLock(n); }

  // Walks the whole tree and the area table; the first failed invariant is
  // returned as a consistency failure and described in *detail.
  Outcome CheckIntegrity(std::string* detail);

  const std::string& name() const { return name_; }
  const Header& header() const { return header_; }
  size_t cachedPages() const { return cache_.size(); }
  // Reads that had to start over (see BeginOperation).
  uint64_t restarts() const { return restarts_; }
  int readerSlot() const { return locks_.readerSlot(); }
  // Set when a consistency failure was met; Close then commits nothing.
  bool failed() const { return failed_; }

 private:
  struct PathEntry {
    CachedPage* page;
    size_t pos;  // index of the entry followed in this index page
  };

  PageStore(std::unique_ptr<File> file, std::string name, int mode);

  // Header and locks (page_store.cc).
  Outcome EnsureHeader();
  Outcome ReadHeaderAt0(Header* out, bool* empty_file, bool* unchanged = nullptr);
  bool TryUnlockedHeader();
  bool HeaderStillCached();
  Outcome ConfirmUnlockedReads();
  // `o`, unless pages were read without the reader slot and the file has
  // changed since: then Retry. Every search that may load pages answers
  // through it.
  Outcome Confirmed(Outcome o) {
    if (!unconfirmed_) return o;
    Outcome c = ConfirmUnlockedReads();
    return c.ok() ? o : c;
  }
  Outcome Recover(const Header& at0, Header* effective);
  Outcome DecideByTransactionLink(bool* apply);
  void AdoptHeader(const Header& h);
  bool UsesReaderLocks() const { return shared_; }
  bool headerCurrent() const {
    return state_ == State::kReading || state_ == State::kReadingUnlocked || state_ == State::kWriting ||
           state_ == State::kPhase1Done;
  }
  void EndWriteCycle();
  Outcome Fail(Outcome o);
  // The one place state_ changes. A move the diagram does not draw, or a
  // state entered without what it promises, is a fault of this class that
  // later writes could carry into the file (under the wrong locks, say):
  // the process stops with a line naming the file, both states and the
  // broken promise. The checks are a table lookup and a few flags, so they
  // stay on in every build.
  void MoveTo(State to);
  // What `state` promises that does not hold now, or null when it all holds.
  const char* StateFault(State state) const;
  friend struct PageStoreStateProbe;  // lets the tests attempt undrawn moves

  // Pages (page_store_pages.cc).
  Outcome GetPage(int32_t ref, CachedPage** out);
  Outcome LoadPage(int32_t ref, CachedPage** out);
  Status AddLoadedPage(int32_t ref, int units, std::string_view image, CachedPage** out);
  CachedPage* NewPage(uint8_t level);
  void Touch(CachedPage* page);
  void UnpinAll();
  void DropPage(CachedPage* page);
  void DropAllPages();
  Outcome EnsureRoot(bool create);

  // Tree (page_store_tree.cc).
  Outcome Descend(std::string_view key, int stop_level, std::vector<PathEntry>* path, CachedPage** page,
                  std::string* upper = nullptr, bool* has_upper = nullptr);
  void PlaceInsertCursor(CachedPage* leaf, const std::string& upper, bool has_upper);
  Outcome DescendPlacingHint(std::string_view key, InsertHint* hint, std::vector<PathEntry>* path, CachedPage** leaf);
  Outcome Leftmost(CachedPage* from, std::vector<PathEntry>* path, CachedPage** leaf);
  Outcome Rightmost(CachedPage* from, std::vector<PathEntry>* path, CachedPage** leaf);
  Outcome SeekGreater(std::string_view key, bool or_equal, Cursor* cursor, bool* found);
  Outcome SeekLess(std::string_view key, bool or_equal, Cursor* cursor, bool* found);
  void Position(Cursor* cursor, CachedPage* page, size_t pos, bool* found);
  size_t CursorPosition(const Cursor* cursor, const CachedPage* page) const;
  bool NeedsSplit(const CachedPage* page) const;
  Outcome SplitDown(const std::vector<PathEntry>& path, CachedPage* page);
  Outcome SplitUpwards(std::vector<PathEntry> path, CachedPage* leaf);
  Outcome FixAfterRemoval(std::vector<PathEntry> path, CachedPage* page, bool first_changed,
                          std::vector<CachedPage*>* freed);
  Outcome InsertInto(std::vector<PathEntry> path, CachedPage* leaf, Record record);
  Outcome InsertCopyInto(std::vector<PathEntry> path, CachedPage* leaf, RecordView record);
  Outcome RequireWrite();
  Outcome PrepareWrite(const Record& record);

  // Places of pages in the size areas (page_store_places.cc); areas_ keeps the table.
  Outcome TakePlace(CachedPage* page, int units);
  Outcome FreePlace(CachedPage* page, bool keep);
  Outcome MovePage(int32_t from, int32_t to) override;
  Outcome UpdateParentRef(CachedPage* page, int32_t old_ref);

  // Long write cycles (page_store_spill.cc).
  Outcome SpillNewPages();
  Outcome WriteHeaderOfNewFile();

  // Commit and discard (page_store_commit.cc).
  Outcome PreparePages();
  Outcome MoveLoneRootOutOfCommittedState();
  // Whether [ref, ref + units) holds part of a page of the committed state
  // (the header read at the start of the write cycle): only such places
  // go through the journal; any other is written straight to its place.
  bool InCommittedState(int32_t ref, int units) const;
  bool Journaled(const CachedPage* p) const { return p->ref >= 0 && InCommittedState(p->ref, p->units); }
  Status MeasurePage(CachedPage* page, bool keep_image = false);
  Outcome AppendFinalImage(CachedPage* page, Page* lent, std::string* out);
  Outcome WriteNewPages(std::vector<CachedPage*>& pages, int* first_error, std::string* held = nullptr,
                        uint64_t* held_at = nullptr);
  Outcome WriteJournal(bool commit_point, bool alone);
  Outcome CommitHeaderAlone(const Header& old, std::vector<CachedPage*>& new_pages);
  void FinishCommit();
  void Log(const std::string& line) const {
    if (lock_log_) lock_log_(line);
  }
  void Unsettle(int rc);
  Outcome RestoreOldHeader(const Header& old);

  std::unique_ptr<File> file_;
  std::string name_;
  std::optional<CipherKey> cipher_;
  int mode_;
  bool shared_;      // deny none: reader slots, writer byte, exclusion
  bool deny_write_;  // writer byte for recovery, exclusion during commits

  State state_ = State::kIdle;
  LockSet locks_;
  Journal journal_{file_.get(), &cipher_};

  Header header_;       // current header (with this write cycle's changes)
  Header disk_header_;  // header as read at the start of the write cycle
  SpaceAreas areas_{&header_, this};
  bool header_valid_ = false;    // the cache was built from header_
  bool header_changed_ = false;  // this write cycle changed records, pages or the id counter
  bool in_transaction_ = false;  // commits are the transaction's
  bool unlocked_reads_allowed_ = false;  // asked for by this operation
  bool unconfirmed_ = false;  // pages were read without the slot since the header was last checked
  uint64_t restarts_ = 0;
  bool failed_ = false;
  bool unsettled_ = false;
  uint64_t changes_ = 0;
  uint64_t committed_end_ = kHeaderSize;
  size_t spill_dirty_pages_ = 0;
  bool truncate_at_close_ = true;
  uint64_t spilled_pages_ = 0;
  std::function<void(const std::string&)> lock_log_;

  int32_t root_ = -1;  // -1: no root yet
  int32_t next_temp_ = -2;
  PageCache cache_;
  std::vector<CachedPage*> pinned_;
  std::unordered_map<uint64_t, uint64_t> journal_map_;  // position -> journal copy (read-through)
  // The last reads from the file in read mode, one per size area at most:
  // the page asked for and the pages of its area around it, as the file
  // held them under the change counter noted. A page inside one loads
  // without a read. Only pages actually asked for are decoded and cached,
  // so reading around costs the cache nothing.
  struct ReadWindow {
    uint64_t from = 0;
    std::string bytes;
    uint32_t counter = 0;
    int units = 0;
    uint64_t last_use = 0;
    bool valid = false;
  };
  static constexpr size_t kWindowBytes = 8192;
  static constexpr size_t kMaxWindowBytes = 128 * 1024;
  static constexpr size_t kWindows = 4;
  const ReadWindow* WindowHolding(uint64_t position, size_t length) const;
  ReadWindow* WindowFor(int units);
  void PlaceWindow(const ReadWindow& w, int32_t ref, int units, uint64_t* from, size_t* length) const;
  std::array<ReadWindow, kWindows> windows_;
  uint64_t window_clock_ = 0;
  // The header bytes decoded last and what they gave: an unchanged file
  // reads the same 512 bytes at every operation.
  std::string last_header_bytes_;
  Header last_header_;
  std::string decode_scratch_;        // expanded stream of a compressed page
  std::vector<PathEntry> seek_path_;  // reused by every search, so searching allocates nothing

  Page measure_lent_;  // carries a page's records while it is measured
  int32_t parent_hint_ = 0;  // the page whose entry UpdateParentRef changed last

  Cursor insert_cursor_;
  std::string insert_upper_;  // keys below this belong to the insert cursor's leaf
  bool insert_unbounded_ = false;
};

}  // namespace kestrel
