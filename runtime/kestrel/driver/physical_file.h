// The list of open physical files. All tables of one physical file opened
// by the program (or, with the per-thread attribute, by one thread) share
// one page store; the list finds it by name without regard to case and
// counts its users. A later open with another mode reopens the file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/kestrel/store/outcome.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

struct PhysicalFile {
  std::string name;
  int mode = 0;
  int uses = 0;
  bool per_thread = false;
  std::thread::id thread;
  std::unique_ptr<PageStore> store;
  // One operation at a time on the page store.
  std::recursive_mutex mutex;
  // Number of the internal consistency check that failed, 0 when none. While
  // set, closing commits nothing.
  int pending_failure = 0;
  // Whether the file is in a transaction is the page store's to say
  // (store->inTransaction()): the transaction sets it there and only there.
  // Error of an operation that failed after changing a write cycle that
  // also held other operations' changes (a transaction's, or deferred by
  // stream mode): the cycle was discarded, and the transaction's commit
  // answers this error. 0 when none.
  int lost_changes = 0;

  // Statistics counts are kept in memory while a write cycle lasts and
  // written to the statistics records once before it commits, instead of
  // by every add and delete (physical_file_counts.cc). Every path that commits
  // the store applies them first; every path that discards it drops them.
  void AddCount(uint32_t table, uint8_t subject, int delta);
  // Writes the pending counts (write mode); pending counts of a write cycle
  // that ended without them are dropped.
  Outcome ApplyCounts();
  void DropCounts() { pending_counts.clear(); }

  struct TableCounts {
    uint32_t table = 0;
    std::array<int64_t, 256> delta{};
  };
  std::vector<TableCounts> pending_counts;
};

class PhysicalFileList {
 public:
  static PhysicalFileList& Global();

  // Finds `name` (opened by this thread when `per_thread`) or opens it.
  // `create` creates a missing file. A different mode reopens the file,
  // keeping write access when it already had it, unless the file is in a
  // transaction.
  Outcome Acquire(const std::string& name, int mode, bool create, bool per_thread,
                  std::shared_ptr<PhysicalFile>* out);
  // Drops one use; the last one closes the page store (committing unless a
  // failure is pending).
  // A file in a transaction stays open until the transaction ends.
  Outcome Release(const std::shared_ptr<PhysicalFile>& file);
  // Closes a file whose last user left while it was in a transaction.
  Outcome CloseIfUnused(const std::shared_ptr<PhysicalFile>& file);

  size_t OpenCount();
  // Most pages cached per file opened from now on (0: the defined 100).
  // Only for measuring what a larger cache buys.
  static void SetCachePages(size_t pages);

 private:
  std::recursive_mutex mutex_;
  std::vector<std::shared_ptr<PhysicalFile>> files_;
};

}  // namespace kestrel
