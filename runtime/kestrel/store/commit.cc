// Two-phase commit through the journal at the end of the file, and discard.
#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

// Builds the image of every dirty page and gives each page the place of its
// size class. Placing a page rewrites its parent's entry, so parents are
// encoded again until nothing changes.
Outcome PageStore::PreparePages() {
  for (int round = 0; round < 2; ++round) {
    for (;;) {
      std::vector<CachedPage*> pending;
      for (CachedPage* p : cache_.dirty()) {
        if (!p->image_valid) pending.push_back(p);
      }
      if (pending.empty()) break;
      for (CachedPage* p : pending) {
        Page page;
        page.level = p->level;
        page.records.reserve(p->records.size());
        p->records.ForEach([&](const Record& r) { page.records.push_back(r); });
        Status s = EncodePage(page, p->ref < 0 ? 0 : static_cast<uint32_t>(p->ref), &p->image);
        if (!s.ok()) return Fail(s);
        p->units = static_cast<int>(p->image.size() / kUnitSize);
        p->image_valid = true;
        if (p->ref < 0) {
          KESTREL_RETURN_IF_FAILED(TakePlace(p, p->units));
          continue;
        }
        int units = 0;
        s = header_.SizeClassOf(static_cast<uint32_t>(p->ref), &units);
        if (!s.ok()) return Fail(s);
        if (units != p->units) {
          KESTREL_RETURN_IF_FAILED(FreePlace(p, true));
          KESTREL_RETURN_IF_FAILED(TakePlace(p, p->units));
        }
      }
    }
    if (round == 0) KESTREL_RETURN_IF_FAILED(Compact());
  }
  // A file whose only change is its id counter has no pages yet.
  if (root_ < -1) return Fail(Status::Corruption(Check::kTreeShape));
  header_.root = root_ == -1 ? kNoRoot : static_cast<uint32_t>(root_);
  return Outcome::OK();
}

Outcome PageStore::WriteImage(CachedPage* page, uint64_t at) {
  if (!page->image_valid || page->image.size() < kPageHeaderSize) {
    return Fail(Status::Corruption(Check::kPageHeader));
  }
  Put32LE(page->image.data(), static_cast<uint32_t>(PagePosition(static_cast<uint32_t>(page->ref))));
  int rc = file_->Write(at, page->image.data(), page->image.size());
  if (rc != kOk && sticky_write_error_ == 0) sticky_write_error_ = rc;
  return Outcome::Code(rc);
}

Outcome PageStore::WriteHeader(const Header& h, uint64_t at) {
  std::string image = h.Encode();
  int rc = file_->Write(at, image.data(), image.size());
  if (rc != kOk && sticky_write_error_ == 0) sticky_write_error_ = rc;
  return Outcome::Code(rc);
}

Outcome PageStore::Commit() {
  if (in_transaction_ || !header_changed_) return Outcome::OK();
  KESTREL_RETURN_IF_FAILED(CommitPhase1());
  return CommitPhase2();
}

Outcome PageStore::CommitPhase1() {
  if (!header_changed_ || phase1_done_) return Outcome::OK();
  if (failed_) {
    Discard();
    return Status::Corruption(kCheckJournal, name_);
  }
  if (shared_ || deny_write_) ExcludeReaders();
  const Header old = disk_header_;
  committed_end_ = old.EndOfData();
  sticky_write_error_ = 0;
  Outcome o = PreparePages();
  if (!o.ok()) {
    Discard();
    return o;
  }
  const uint64_t journal_start = std::max<uint64_t>(header_.EndOfData(), committed_end_);
  uint64_t journal_end = journal_start;
  ++header_.change_counter;
  // Pages beyond the committed end are no part of the old state: they go
  // straight to their places. Everything else goes through the journal.
  for (CachedPage* p : cache_.dirty()) {
    const uint64_t position = PagePosition(static_cast<uint32_t>(p->ref));
    if (position < committed_end_) {
      WriteImage(p, journal_end);
      journal_end += p->image.size();
    } else {
      WriteImage(p, position);
    }
  }
  header_.journal_start = static_cast<uint32_t>(journal_start);
  header_.journal_end = static_cast<uint32_t>(journal_end + kHeaderSize);
  WriteHeader(header_, journal_end);
  int rc = sticky_write_error_;
  if (rc == kOk) rc = file_->Flush();
  if (rc == kOk) {
    Header marked = old;
    marked.journal_start = header_.journal_start;
    marked.journal_end = header_.journal_end;
    WriteHeader(marked, 0);
    rc = sticky_write_error_;
    if (rc == kOk) rc = file_->Flush();
  }
  if (rc != kOk) {
    Discard();
    return Outcome::Code(rc);
  }
  phase1_done_ = true;
  return Outcome::OK();
}

Outcome PageStore::CommitPhase2() {
  if (!phase1_done_) return Outcome::OK();
  for (CachedPage* p : cache_.dirty()) {
    const uint64_t position = PagePosition(static_cast<uint32_t>(p->ref));
    if (position < committed_end_) WriteImage(p, position);
  }
  WriteHeader(header_, 0);
  int rc = sticky_write_error_;
  // The pages must be on disk before the header stops pointing at the journal.
  if (rc == kOk) rc = file_->Flush();
  if (rc == kOk) {
    header_.journal_start = header_.journal_end = static_cast<uint32_t>(header_.EndOfData());
    ++header_.change_counter;
    WriteHeader(header_, 0);
    rc = sticky_write_error_;
    if (rc == kOk) rc = file_->Flush();
  }
  if (rc != kOk) {
    // Past the commit point: the journal on disk finishes the job at the
    // next access.
    Discard();
    return Outcome::Code(rc);
  }
  FinishCommit();
  return Outcome::OK();
}

void PageStore::FinishCommit() {
  ReleaseReaders();
  header_changed_ = false;
  phase1_done_ = false;
  cache_.CleanAll();
  disk_header_ = header_;
}

Outcome PageStore::AbortPhase1() {
  Outcome result;
  if (phase1_done_) {
    sticky_write_error_ = 0;
    WriteHeader(disk_header_, 0);
    int rc = sticky_write_error_;
    if (rc == kOk) rc = file_->Flush();
    result = Outcome::Code(rc);
  }
  Discard();
  return result;
}

void PageStore::Discard() {
  DropAllPages();
  header_valid_ = false;
  header_changed_ = false;
  phase1_done_ = false;
  journal_map_.clear();
  EndWriteCycle();
}

}  // namespace kestrel
