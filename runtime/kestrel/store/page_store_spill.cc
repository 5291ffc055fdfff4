// A long write cycle (a transaction, a load) would otherwise hold every
// page it made in memory until its commit. Pages placed beyond the end of
// the data as last committed belong to no state a reader or a recovery
// looks at, so they can go to their places early: the commit writes them
// there anyway, and the flush before its commit point makes them durable.
//
// One thing beyond the end is looked at all the same: the length of a file
// never committed to. Such a file has no header on disk, and every opener
// takes a length of 0 for the empty file and any other length without a
// header for a damaged one. So the first write past the end of a new file
// is preceded by the empty state's header at 0 (WriteHeaderOfNewFile).
#include <algorithm>

#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

// Writes the header of the committed state at 0 and makes it durable, when
// the file has none yet (it is shorter than a header; nothing was ever
// committed to it). The state stays the empty one: no root, no id taken.
// Readers are kept out while the header is written, as for any header.
Outcome PageStore::WriteHeaderOfNewFile() {
  // A committed page means a committed header.
  if (disk_header_.EndOfData() != kHeaderSize) return Outcome::OK();
  uint64_t size = 0;
  int rc = file_->Size(&size);
  if (rc != rt::Error_NoError) return Outcome::Code(rc);
  if (size >= kHeaderSize) return Outcome::OK();
  // The cycle counts from 1 on a new file (see EnsureHeader), and so do
  // readers of the empty file: the header written says the same state.
  disk_header_.change_counter = std::max<uint32_t>(disk_header_.change_counter, 1);
  const bool excluded = locks_.readersExcluded();
  if (!excluded && (shared_ || deny_write_)) locks_.ExcludeReaders();
  rc = journal_.WriteHeader(disk_header_, 0).code();
  if (rc == rt::Error_NoError) rc = file_->Flush();
  if (!excluded) locks_.ReleaseReaders();
  return Outcome::Code(rc);
}

// Between operations of a write cycle (no page pinned, the tree whole):
// the older half of the changed pages is given places, and those placed
// beyond the committed end are written and become clean, so that the cache
// may drop them. A page changed again is read back and written at the
// commit like any other. A failed write only leaves the pages dirty: the
// commit writes them again and answers for it.
Outcome PageStore::SpillNewPages() {
  // Only in the middle of a cycle: once phase 1 is done its pages are
  // written already, and a cycle that has not read the header has no pages.
  if (spill_dirty_pages_ == 0 || cache_.dirty().size() < spill_dirty_pages_ || failed_ || unsettled_ ||
      state_ != State::kWriting) {
    return Outcome::OK();
  }
  const uint64_t committed_end = disk_header_.EndOfData();
  std::vector<CachedPage*> older(cache_.dirty());
  std::sort(older.begin(), older.end(), [](const CachedPage* a, const CachedPage* b) { return a->last_use < b->last_use; });
  older.resize(older.size() / 2);
  auto beyond = [&](const CachedPage* p) {
    return p->ref >= 0 && PagePosition(static_cast<uint32_t>(p->ref)) >= committed_end;
  };
  for (CachedPage* p : older) {
    // A page of the committed state goes through the journal at the commit.
    if (p->ref >= 0 && !beyond(p)) continue;
    Status s = MeasurePage(p);
    if (!s.ok()) return Fail(s);
    if (p->ref >= 0) {
      int placed = 0;
      s = header_.SizeClassOf(static_cast<uint32_t>(p->ref), &placed);
      if (!s.ok()) return Fail(s);
      if (placed != p->units) KESTREL_RETURN_IF_FAILED(FreePlace(p, true));
    }
    if (p->ref < 0) KESTREL_RETURN_IF_FAILED(TakePlace(p, p->units));
    p->image_valid = true;
  }
  // Placing moves other pages: only what ends up beyond the committed end,
  // still dirty and unchanged since measured, is written.
  std::vector<CachedPage*> out;
  for (CachedPage* p : older) {
    if (p->dirty && p->image_valid && beyond(p) && p->measured_version == p->version) out.push_back(p);
  }
  if (out.empty()) return Outcome::OK();
  int rc = WriteHeaderOfNewFile().code();
  if (rc == rt::Error_NoError) KESTREL_RETURN_IF_FAILED(WriteNewPages(out, &rc));
  if (rc != rt::Error_NoError) {
    Log("Write failed with error " + std::to_string(file_->last_errno()) + " (" + std::to_string(rc) + ") in " +
        name_ + " before a commit; its pages stay in memory");
    for (CachedPage* p : out) p->image_valid = false;  // built again at the commit
    return Outcome::OK();
  }
  for (CachedPage* p : out) cache_.MarkClean(p);
  spilled_pages_ += out.size();
  cache_.Trim();
  return Outcome::OK();
}

}  // namespace kestrel
