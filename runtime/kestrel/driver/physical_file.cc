#include "runtime/kestrel/driver/physical_file.h"

#include <algorithm>
#include <atomic>

#include "runtime/kestrel/driver/file_log.h"
#include "runtime/kestrel/driver/table_name.h"
#include "runtime/kestrel/os/open_mode.h"

namespace kestrel {

namespace {

int MergedMode(int old_mode, int new_mode) {
  int mode = NormalizeOpenMode(new_mode);
  if (WantsWrite(old_mode) && !WantsWrite(mode)) mode = (mode & ~kAccessMask) | kAccessReadWrite;
  return mode;
}

std::atomic<size_t> g_cache_pages{0};

Outcome OpenStore(const std::string& name, int mode, bool create, std::unique_ptr<PageStore>* out) {
  PageStore::OpenOptions options;
  if (const size_t pages = g_cache_pages.load()) options.cache_pages = pages;
  options.mode = mode;
  options.create = create;
  Outcome o = PageStore::Open(name, options, out);
  if (o.ok()) {
    (*out)->setLog([](const std::string& line) { FileLog(line); });
  }
  return o;
}

}  // namespace

void PhysicalFileList::SetCachePages(size_t pages) { g_cache_pages = pages; }

PhysicalFileList& PhysicalFileList::Global() {
  static PhysicalFileList* list = new PhysicalFileList();
  return *list;
}

Outcome PhysicalFileList::Acquire(const std::string& name, int mode, bool create, bool per_thread,
                                  std::shared_ptr<PhysicalFile>* out) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  mode = NormalizeOpenMode(mode);
  const std::thread::id me = std::this_thread::get_id();
  for (const std::shared_ptr<PhysicalFile>& f : files_) {
    if (!SameName(f->name, name)) continue;
    if ((per_thread || f->per_thread) && f->thread != me) continue;
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    const int wanted = MergedMode(f->mode, mode);
    // A file with deferred changes (stream mode) keeps its mode: closing it
    // would commit them behind the program's back.
    if (wanted != f->mode && !f->store->inTransaction() && !f->store->writeMode()) {
      std::unique_ptr<PageStore> reopened;
      f->store->Close();
      Outcome o = OpenStore(f->name, wanted, create, &reopened);
      if (!o.ok()) {
        // Keep the file usable in its old mode.
        Outcome back = OpenStore(f->name, f->mode, false, &reopened);
        if (back.ok()) f->store = std::move(reopened);
        return o;
      }
      f->store = std::move(reopened);
      f->mode = wanted;
    }
    ++f->uses;
    *out = f;
    return Outcome::OK();
  }
  auto f = std::make_shared<PhysicalFile>();
  f->name = name;
  f->mode = mode;
  f->per_thread = per_thread;
  f->thread = me;
  KESTREL_RETURN_IF_FAILED(OpenStore(name, mode, create, &f->store));
  f->uses = 1;
  files_.push_back(f);
  *out = f;
  return Outcome::OK();
}

Outcome PhysicalFileList::Release(const std::shared_ptr<PhysicalFile>& file) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  std::lock_guard<std::recursive_mutex> op(file->mutex);
  if (file->uses > 0) --file->uses;
  return CloseIfUnused(file);
}

Outcome PhysicalFileList::CloseIfUnused(const std::shared_ptr<PhysicalFile>& file) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  std::lock_guard<std::recursive_mutex> op(file->mutex);
  if (file->uses > 0 || file->store->inTransaction()) return Outcome::OK();
  if (std::find(files_.begin(), files_.end(), file) == files_.end()) return Outcome::OK();
  Outcome applied;
  if (file->pending_failure == 0 && file->store->writeMode()) {
    file->store->BeginOperation();
    applied = file->ApplyCounts();
  }
  if (file->pending_failure != 0 || !applied.ok()) file->store->Discard();
  file->DropCounts();
  Outcome o = file->store->Close();
  if (!applied.ok()) o = applied;
  files_.erase(std::remove(files_.begin(), files_.end(), file), files_.end());
  return o;
}

size_t PhysicalFileList::OpenCount() {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  return files_.size();
}

}  // namespace kestrel
