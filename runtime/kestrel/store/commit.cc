// Two-phase commit through the journal at the end of the file, and discard.
#include <algorithm>
#include <cstdint>

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
        // The records are lent to the encoder and taken back, not copied.
        Page page;
        page.level = p->level;
        page.records.reserve(p->records.size());
        p->records.ForEachMutable([&](Record& r) { page.records.push_back(std::move(r)); });
        Status s = EncodePage(page, p->ref < 0 ? 0 : static_cast<uint32_t>(p->ref), &p->image);
        size_t back = 0;
        p->records.ForEachMutable([&](Record& r) { r = std::move(page.records[back++]); });
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

namespace {

struct Piece {
  uint64_t at;
  std::string_view bytes;
};

}  // namespace

// Writes pieces in file order, each run of adjacent pieces in one gathered
// write of at most kMaxGatherBytes (one piece alone may exceed it); the first
// failure is kept as the commit's write error.
static int WritePieces(File& file, std::vector<Piece>& pieces) {
  std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.at < b.at; });
  int first_error = kOk;
  std::vector<std::string_view> run;
  for (size_t i = 0; i < pieces.size();) {
    run.clear();
    const uint64_t start = pieces[i].at;
    uint64_t end = start;
    while (i < pieces.size() && pieces[i].at == end &&
           (run.empty() || end - start + pieces[i].bytes.size() <= PageStore::kMaxGatherBytes)) {
      run.push_back(pieces[i].bytes);
      end += pieces[i].bytes.size();
      ++i;
    }
    int rc = file.WriteGather(start, run);
    if (rc != kOk && first_error == kOk) first_error = rc;
  }
  pieces.clear();
  return first_error;
}

Outcome PageStore::PatchPosition(CachedPage* page) {
  if (!page->image_valid || page->image.size() < kPageHeaderSize) {
    return Fail(Status::Corruption(Check::kPageHeader));
  }
  Put32LE(page->image.data(), static_cast<uint32_t>(PagePosition(static_cast<uint32_t>(page->ref))));
  // The image only serves the writes of this commit; the records stay plain.
  ScrambleBuffer(&page->image);
  return Outcome::OK();
}

Outcome PageStore::WriteHeader(const Header& h, uint64_t at) {
  std::string image = h.Encode();
  ScrambleBuffer(&image);
  return Outcome::Code(file_->Write(at, image.data(), image.size()));
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
  std::vector<Piece> pieces;
  for (CachedPage* p : cache_.dirty()) {
    const uint64_t position = PagePosition(static_cast<uint32_t>(p->ref));
    o = PatchPosition(p);
    if (!o.ok()) {
      Discard();
      return o;
    }
    if (position < committed_end_) {
      pieces.push_back({journal_end, p->image});
      journal_end += p->image.size();
    } else {
      pieces.push_back({position, p->image});
    }
  }
  // Header fields hold 32-bit positions.
  if (journal_end + kHeaderSize > UINT32_MAX) {
    Discard();
    return Fail(Status::Corruption(kCheckNoPlace));
  }
  header_.journal_start = static_cast<uint32_t>(journal_start);
  header_.journal_end = static_cast<uint32_t>(journal_end + kHeaderSize);
  std::string new_header = header_.Encode();
  ScrambleBuffer(&new_header);
  pieces.push_back({journal_end, new_header});
  int rc = WritePieces(*file_, pieces);
  // Only images that go through the journal are written again in phase 2.
  for (CachedPage* p : cache_.dirty()) {
    if (PagePosition(static_cast<uint32_t>(p->ref)) >= committed_end_) std::string().swap(p->image);
  }
  if (rc == kOk) rc = file_->Flush();
  if (rc == kOk) {
    Header marked = old;
    marked.journal_start = header_.journal_start;
    marked.journal_end = header_.journal_end;
    rc = WriteHeader(marked, 0).code();
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
  std::vector<Piece> pieces;
  for (CachedPage* p : cache_.dirty()) {
    const uint64_t position = PagePosition(static_cast<uint32_t>(p->ref));
    if (position < committed_end_) pieces.push_back({position, p->image});
  }
  std::string new_header = header_.Encode();
  ScrambleBuffer(&new_header);
  pieces.push_back({0, new_header});
  int rc = WritePieces(*file_, pieces);
  // The pages must be on disk before the header stops pointing at the journal.
  if (rc == kOk) rc = file_->Flush();
  if (rc == kOk) {
    header_.journal_start = header_.journal_end = static_cast<uint32_t>(header_.EndOfData());
    ++header_.change_counter;
    rc = WriteHeader(header_, 0).code();
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
    int rc = WriteHeader(disk_header_, 0).code();
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
