// Two-phase commit through the journal at the end of the file (the file
// side is Journal's), and discard.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

// Runs `fn` on a Page holding the records of `page`: long records are lent
// and taken back, short ones copied into the strings `lent` holds from the
// page before. Records a smaller page leaves over wait in `spare` with their
// allocations, so pages of few long records between pages of many short
// ones do not cost an allocation per short record.
template <typename Fn>
static Status WithRecordsLent(CachedPage* page, Page* lent, Fn fn) {
  thread_local std::vector<Record> spare;
  const size_t n = page->records.size();
  std::vector<Record>& records = lent->records;
  while (records.size() > n) {
    spare.push_back(std::move(records.back()));
    records.pop_back();
  }
  records.reserve(n);
  while (records.size() < n && !spare.empty()) {
    records.push_back(std::move(spare.back()));
    spare.pop_back();
  }
  lent->level = page->level;
  page->records.Lend(&records);
  Status s = fn(*lent);
  page->records.ReturnLent(&records);
  return s;
}

// Finds the page's size class, unless it was measured since its records last
// changed. With `keep_image`, an image built on the way is kept whatever its
// size, for writing the page unless its records change first.
Status PageStore::MeasurePage(CachedPage* page, bool keep_image) {
  if (page->measured && page->measured_version == page->version) return Status::OK();
  size_t units = 0;
  // Index images carry child references that placing pages still changes;
  // a kept one is only used while the version it was built for lasts.
  std::string* kept = page->level == 0 || keep_image ? &page->kept_image : nullptr;
  if (!kept) std::string().swap(page->kept_image);
  KESTREL_RETURN_IF_ERROR(WithRecordsLent(page, &measure_lent_, [&](const Page& p) {
    return PageImageUnits(p, &units, &page->stored_plain, kept, keep_image);
  }));
  page->units = static_cast<int>(units);
  page->measured = true;
  page->measured_version = page->version;
  return Status::OK();
}

// Finds the size class of every dirty page and gives each page the place of
// its size class. Placing a page rewrites its parent's entry, so parents are
// measured again until nothing changes. The images of new pages are only
// built when written: holding them all would keep a second copy of every
// record changed (hundreds of MB for a bulk load) until the writes. Pages
// already in the file go through the journal, whose images are held until
// the commit ends anyway, so an image built while measuring one is kept.
Outcome PageStore::PreparePages() {
  std::vector<CachedPage*> pending;
  for (int round = 0; round < 2; ++round) {
    for (;;) {
      pending.clear();
      for (CachedPage* p : cache_.dirty()) {
        if (!p->image_valid) pending.push_back(p);
      }
      if (pending.empty()) break;
      for (CachedPage* p : pending) {
        // A page that keeps its committed place goes through the journal.
        Status s = MeasurePage(p, p->ref >= 0 && InCommittedState(p->ref, 1));
        if (!s.ok()) return Fail(s);
        p->image_valid = true;
        if (p->ref < 0) {
          KESTREL_RETURN_IF_FAILED(TakePlace(p, p->units));
          continue;
        }
        int placed = 0;
        s = header_.SizeClassOf(static_cast<uint32_t>(p->ref), &placed);
        if (!s.ok()) return Fail(s);
        if (placed != p->units) {
          KESTREL_RETURN_IF_FAILED(FreePlace(p, true));
          KESTREL_RETURN_IF_FAILED(TakePlace(p, p->units));
        }
      }
    }
    if (round == 0) KESTREL_RETURN_IF_FAILED(areas_.Compact());
  }
  KESTREL_RETURN_IF_FAILED(MoveLoneRootOutOfCommittedState());
  // A file whose only change is its id counter has no pages yet.
  if (root_ < -1) return Fail(Status::Corruption(Check::kTreeShape));
  header_.root = root_ == -1 ? kNoRoot : static_cast<uint32_t>(root_);
  return Outcome::OK();
}

// A file whose tree is one page (a transaction control file, a small
// table) would rewrite that page through the journal at every commit. The
// page goes instead to a place the committed state does not use: the start
// of the page space when that is free, else the committed end. The header
// then is the commit point by itself (CommitHeaderAlone), so that the page
// alternates between two places from one commit to the next.
Outcome PageStore::MoveLoneRootOutOfCommittedState() {
  if (root_ < 0) return Outcome::OK();
  CachedPage* root = cache_.Lookup(root_);
  if (!root || !root->dirty || root->level != 0 || !root->image_valid) return Outcome::OK();
  const int units = root->units;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (areas_.Pages(i) != (i == units ? 1u : 0u)) return Outcome::OK();
  }
  if (!InCommittedState(root_, units)) return Outcome::OK();
  int32_t to = 0;
  if (InCommittedState(to, units)) {
    to = static_cast<int32_t>((committed_end_ - kHeaderSize) / kUnitSize);
    if (InCommittedState(to, units)) return Outcome::OK();
  }
  if (cache_.Contains(to)) return Outcome::OK();
  const uint32_t start = static_cast<uint32_t>(to), end = start + static_cast<uint32_t>(units);
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (i < units) header_.area_start[i] = header_.area_end[i] = 0;
    if (i > units) header_.area_start[i] = header_.area_end[i] = end;
  }
  header_.area_start[units] = start;
  header_.area_end[units] = end;
  const int32_t from = root_;
  cache_.Rehash(root, to);
  header_changed_ = true;
  return UpdateParentRef(root, from);
}

// Appends the page's final image, scrambled, to *out. Its records have not
// changed since PreparePages measured them, so neither has its size.
Outcome PageStore::AppendFinalImage(CachedPage* page, Page* lent, std::string* out) {
  const size_t base = out->size();
  if (!page->kept_image.empty() && page->measured_version == page->version) {
    if (base == 0) {
      out->swap(page->kept_image);
    } else {
      out->append(page->kept_image);
    }
    // Kept images are built at reference 0.
    Put32LE(out->data() + base, static_cast<uint32_t>(PagePosition(static_cast<uint32_t>(page->ref))));
    std::string().swap(page->kept_image);
  } else {
    std::string().swap(page->kept_image);
    // A stream that was found not to pay compressing is not tried again.
    Status s = WithRecordsLent(page, lent, [&](const Page& p) {
      return AppendPageImage(p, static_cast<uint32_t>(page->ref), out, nullptr, !page->stored_plain);
    });
    if (!s.ok()) return Fail(s);
  }
  const size_t size = out->size() - base;
  if (!page->image_valid || page->measured_version != page->version ||
      size != static_cast<size_t>(page->units) * kUnitSize) {
    out->resize(base);
    return Fail(Status::Corruption(Check::kPageHeader));
  }
  if (cipher_) Scramble(*cipher_, out->data() + base, size);
  return Outcome::OK();
}

// Writes the pages placed outside the committed state straight to their
// places, in file order, building the images of each run of adjacent pages
// in one buffer of at most kMaxGatherBytes (one page alone may exceed it).
// The first failure is kept as the commit's write error. With `held`, the
// last run is not written but handed back (its images and *held_at), so
// that the caller writes it in one call with what follows it in the file.
Outcome PageStore::WriteNewPages(std::vector<CachedPage*>& pages, int* first_error, std::string* held,
                                 uint64_t* held_at) {
  std::sort(pages.begin(), pages.end(), [](const CachedPage* a, const CachedPage* b) { return a->ref < b->ref; });
  Page lent;
  std::string own;
  std::string& run = held ? *held : own;
  run.clear();
  uint64_t start = 0;
  auto write_run = [&] {
    if (run.empty()) return;
    int rc = file_->Write(start, run.data(), run.size());
    if (rc != rt::Error_NoError && *first_error == rt::Error_NoError) *first_error = rc;
    run.clear();
  };
  for (CachedPage* p : pages) {
    const uint64_t at = PagePosition(static_cast<uint32_t>(p->ref));
    const uint64_t size = static_cast<uint64_t>(p->units) * kUnitSize;
    if (!run.empty() && (at != start + run.size() || run.size() + size > kMaxGatherBytes)) write_run();
    if (run.empty()) {
      start = at;
      run.reserve(std::min<uint64_t>(kMaxGatherBytes, pages.size() * size));
    }
    KESTREL_RETURN_IF_FAILED(AppendFinalImage(p, &lent, &run));
  }
  if (held) {
    *held_at = start;
  } else {
    write_run();
  }
  return Outcome::OK();
}

bool PageStore::InCommittedState(int32_t ref, int units) const {
  const int64_t from = ref, to = int64_t{ref} + units;
  for (int i = 1; i <= kMaxUnits; ++i) {
    const int64_t start = disk_header_.area_start[i], end = disk_header_.area_end[i];
    if (start < end && from < end && start < to) return true;
  }
  return false;
}

Outcome PageStore::Commit() {
  if (in_transaction_ || !header_changed_) return Outcome::OK();
  KESTREL_RETURN_IF_FAILED(WriteJournal(true, true));
  return CommitPhase2();
}

Outcome PageStore::Refusal() const {
  return Outcome::Refused(rt::Error_SystemWriteFault, "Writes refused until " + name_ +
                                           " is opened again: a flush failed after a commit point");
}

// The outcome of the last commit on disk is unknown: nothing more is
// written through this store, whose later writes could land beside a
// header that never became durable.
void PageStore::Unsettle(int rc) {
  unsettled_ = true;
  Log("Flush failed with error " + std::to_string(file_->last_errno()) + " (" + std::to_string(rc) + ") in " +
      name_ + "; writes are refused until it is opened again");
}

// Puts the header read at the start of the cycle back at 0 and makes it
// durable; when that fails too, nobody can tell which header is on disk.
Outcome PageStore::RestoreOldHeader(const Header& old) {
  int rc = journal_.WriteHeader(old, 0).code();
  if (rc == rt::Error_NoError) rc = file_->Flush();
  if (rc != rt::Error_NoError) Unsettle(rc);
  return Outcome::Code(rc);
}

Outcome PageStore::CommitPhase1(bool commit_point) { return WriteJournal(commit_point, false); }

// Phase 1. With `alone` (a commit of this file by itself), a commit that
// overwrites nothing of the committed state is finished at once instead
// (CommitHeaderAlone).
Outcome PageStore::WriteJournal(bool commit_point, bool alone) {
  if (!header_changed_ || state_ == State::kPhase1Done) return Outcome::OK();
  // A closed store holds no lock: whatever it kept stays unwritten.
  if (state_ == State::kClosed) return Outcome::Code(rt::Error_FileNotOpen);
  if (failed_) {
    Discard();
    return Status::Corruption(kCheckJournal, name_);
  }
  if (unsettled_) {
    Discard();
    return Refusal();
  }
  if (shared_ || deny_write_) locks_.ExcludeReaders();
  // A new file's header goes first, before anything lands beyond it (page_store_spill.cc).
  Outcome o = WriteHeaderOfNewFile();
  if (!o.ok()) {
    Discard();
    return o;
  }
  const Header old = disk_header_;
  committed_end_ = old.EndOfData();
  o = PreparePages();
  if (!o.ok()) {
    Discard();
    return o;
  }
  const uint64_t journal_start = std::max<uint64_t>(header_.EndOfData(), committed_end_);
  uint64_t journal_end = journal_start;
  ++header_.change_counter;
  // Pages beyond the committed end are no part of the old state: they go
  // straight to their places. Everything else goes through the journal.
  std::vector<Journal::Piece> pieces;
  std::vector<CachedPage*> new_pages;
  Page lent;
  for (CachedPage* p : cache_.dirty()) {
    if (!Journaled(p)) {
      new_pages.push_back(p);
      continue;
    }
    // Journaled images serve both phases.
    p->image.clear();
    o = AppendFinalImage(p, &lent, &p->image);
    if (!o.ok()) {
      Discard();
      return o;
    }
    pieces.push_back({journal_end, p->image});
    journal_end += p->image.size();
  }
  if (alone && pieces.empty()) return CommitHeaderAlone(old, new_pages);
  // Header fields hold 32-bit positions.
  if (journal_end + kHeaderSize > UINT32_MAX) {
    Discard();
    return Fail(Status::Corruption(kCheckNoPlace));
  }
  header_.journal_start = static_cast<uint32_t>(journal_start);
  header_.journal_end = static_cast<uint32_t>(journal_end + kHeaderSize);
  std::string new_header = header_.Encode();
  journal_.Scramble(&new_header);
  pieces.push_back({journal_end, new_header});
  int rc = rt::Error_NoError;
  // The last run of new pages mostly ends where the journal begins: both
  // go in one gathered write.
  std::string last_run;
  uint64_t last_run_at = 0;
  o = WriteNewPages(new_pages, &rc, &last_run, &last_run_at);
  if (!o.ok()) {
    Discard();
    return o;
  }
  if (!last_run.empty()) pieces.push_back({last_run_at, last_run});
  const int journal_rc = journal_.Write(pieces);
  if (rc == rt::Error_NoError) rc = journal_rc;
  // The journal must be durable before the bounds at 0 point at it.
  if (rc == rt::Error_NoError) rc = file_->Flush();
  if (rc != rt::Error_NoError) {
    // The header at 0 was not touched: the old state stands.
    Discard();
    return Outcome::Code(rc);
  }
  Header marked = old;
  marked.journal_start = header_.journal_start;
  marked.journal_end = header_.journal_end;
  rc = journal_.WriteHeader(marked, 0).code();
  if (rc != rt::Error_NoError) {
    // The write may have left part of the bounds: put the old header back.
    RestoreOldHeader(old);
    Discard();
    return Outcome::Code(rc);
  }
  MoveTo(State::kPhase1Done);
  rc = file_->Flush();
  if (rc == rt::Error_NoError) return Outcome::OK();
  if (!commit_point) {
    // The transaction's commit point is still ahead: its caller takes the
    // bounds back (AbortPhase1).
    return Outcome::Code(rc);
  }
  // Other processes already read through the journal and the next writer
  // applies it: the commit stands. Phase 2 is left to that recovery, since
  // pages written in place now could outlive bounds that never reached
  // the disk.
  Unsettle(rc);
  Discard();
  return Outcome::OK();
}

// A commit that rewrites no page of the committed state (its pages all lie
// beyond the committed end, or only the header changed) needs no journal:
// the new pages are made durable first, then the new header written at 0
// is the commit point by itself. The header is one 512-byte sector written
// whole or not at all, as the protocol assumes of every header write at 0.
// Two flushes, or one with no new page, where the journal took three.
Outcome PageStore::CommitHeaderAlone(const Header& old, std::vector<CachedPage*>& new_pages) {
  if (header_.EndOfData() + kHeaderSize > UINT32_MAX) {
    Discard();
    return Fail(Status::Corruption(kCheckNoPlace));
  }
  header_.journal_start = header_.journal_end = static_cast<uint32_t>(header_.EndOfData());
  int rc = rt::Error_NoError;
  Outcome o = WriteNewPages(new_pages, &rc);
  if (!o.ok()) {
    Discard();
    return o;
  }
  // The pages must be durable before the header at 0 points at them (those
  // written before the commit too).
  if (rc == rt::Error_NoError && file_->unflushed()) rc = file_->Flush();
  if (rc != rt::Error_NoError) {
    Discard();
    return Outcome::Code(rc);
  }
  rc = journal_.WriteHeader(header_, 0).code();
  if (rc != rt::Error_NoError) {
    RestoreOldHeader(old);
    Discard();
    return Outcome::Code(rc);
  }
  rc = file_->Flush();
  if (rc != rt::Error_NoError) {
    // Other processes already read the new header: the commit stands, but
    // nobody can tell whether it is durable.
    Unsettle(rc);
    Discard();
    return Outcome::OK();
  }
  FinishCommit();
  return Outcome::OK();
}

Outcome PageStore::CommitPhase2() {
  if (state_ != State::kPhase1Done) return Outcome::OK();
  // Only the pages go home here. The header at 0 keeps the bounds until
  // they are durable, and whoever finds it so takes the new header from
  // the journal: writing it at 0 now as well would cost a write and a
  // block to flush, and protect nothing.
  std::vector<Journal::Piece> pieces;
  for (CachedPage* p : cache_.dirty()) {
    if (Journaled(p)) pieces.push_back({PagePosition(static_cast<uint32_t>(p->ref)), p->image});
  }
  int rc = journal_.Write(pieces);
  bool flush_failed = false;
  // The pages must be on disk before the header stops pointing at the
  // journal. A commit of new pages alone wrote nothing here to wait for.
  if (rc == rt::Error_NoError && file_->unflushed()) {
    rc = file_->Flush();
    flush_failed = rc != rt::Error_NoError;
  }
  if (rc == rt::Error_NoError) {
    header_.journal_start = header_.journal_end = static_cast<uint32_t>(header_.EndOfData());
    ++header_.change_counter;
    rc = journal_.WriteHeader(header_, 0).code();
    if (rc == rt::Error_NoError) {
      rc = file_->Flush();
      flush_failed = rc != rt::Error_NoError;
    }
  }
  if (rc != rt::Error_NoError) {
    // Past the commit point: the journal on disk finishes the job at the
    // next access, so the commit stands.
    if (flush_failed) {
      Unsettle(rc);
    } else {
      Log("Write failed with error " + std::to_string(file_->last_errno()) + " (" + std::to_string(rc) +
          ") in " + name_ + " after a commit point; its journal completes the commit");
    }
    Discard();
    return Outcome::OK();
  }
  FinishCommit();
  return Outcome::OK();
}

void PageStore::FinishCommit() {
  locks_.ReleaseReaders();
  header_changed_ = false;
  MoveTo(State::kWriting);
  cache_.CleanAll();
  disk_header_ = header_;
}

Outcome PageStore::AbortPhase1() {
  Outcome result;
  if (state_ == State::kPhase1Done) result = RestoreOldHeader(disk_header_);
  Discard();
  return result;
}

void PageStore::Discard() {
  DropAllPages();
  header_valid_ = false;
  header_changed_ = false;
  journal_map_.clear();
  EndWriteCycle();
}

}  // namespace kestrel
