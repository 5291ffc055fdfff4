#include "runtime/kestrel/driver/transaction.h"

#include <ctime>

#include "runtime/core/error_codes.h"
#include "runtime/kestrel/driver/table_name.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/os/open_mode.h"

namespace kestrel {

namespace {

Transaction::StepHook g_hook = nullptr;

void Step(int n) {
  if (g_hook) g_hook(n);
}

// Key of a transaction id in a control file: its bytes as the link record holds them.
std::string ControlKey(uint32_t id) { return TransactionLink{id, {}}.Encode().substr(0, 4); }

struct ControlFile {
  std::string name;
  std::unique_ptr<PageStore> store;
};

// Commits a change to a control file on its own.
Outcome ChangeControl(ControlFile* cf, uint32_t id, bool add, bool* exists) {
  PageStore* s = cf->store.get();
  s->BeginOperation();
  s->BeginWriteCycle();
  Cursor c;
  bool found = false;
  Outcome o = s->Find(ControlKey(id), &c, &found);
  if (o.ok()) {
    if (add && found) {
      *exists = true;
    } else if (add) {
      o = s->Insert(Record(ControlKey(id), ""));
    } else if (found) {
      o = s->Remove(ControlKey(id), &found);
    }
  }
  if (!o.ok()) {
    s->Discard();
    return o;
  }
  return s->EndOperation(false);
}

}  // namespace

void Transaction::SetStepHook(StepHook hook) { g_hook = hook; }

Transaction& Transaction::Global() {
  static Transaction* t = new Transaction();
  return *t;
}

void Transaction::SetControlFile(std::string name) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  control_file_ = std::move(name);
}

std::string Transaction::controlFile() {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  return control_file_;
}

bool Transaction::active() {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  return !files_.empty();
}

bool Transaction::Contains(const PhysicalFile* file) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  for (const auto& f : files_) {
    if (f.get() == file) return true;
  }
  return false;
}

Outcome Transaction::Add(const std::shared_ptr<PhysicalFile>& file) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  std::lock_guard<std::recursive_mutex> op(file->mutex);
  if (Contains(file.get())) return Outcome::OK();
  if (!WantsWrite(file->mode)) return Outcome::Code(rt::Error_AccessDenied);
  PageStore* s = file->store.get();
  s->setInTransaction(true);
  file->lost_changes = 0;
  // Take the writer byte now and keep it until the transaction ends.
  s->BeginOperation();
  s->BeginWriteCycle();
  Cursor c;
  bool found = false;
  Outcome o = s->Find(TransactionLinkKey(), &c, &found);
  s->EndOperation(true);
  if (!o.ok()) {
    s->Discard();
    s->setInTransaction(false);
    return o;
  }
  files_.push_back(file);
  const std::string tcf = DirectoryPart(file->name) + kDefaultControlFileName;
  bool known = false;
  for (const std::string& d : defaults_) known = known || SameName(d, tcf);
  if (!known && defaults_.size() < kMaxDefaultControlFiles) defaults_.push_back(tcf);
  return Outcome::OK();
}

void Transaction::EndAll() {
  std::vector<std::shared_ptr<PhysicalFile>> files;
  files.swap(files_);
  defaults_.clear();
  for (const auto& f : files) {
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    f->store->setInTransaction(false);
    f->lost_changes = 0;
    if (f->store->writeMode()) {
      f->store->BeginOperation();
      if (f->ApplyCounts().ok()) {
        f->store->EndOperation(false);
      } else {
        f->store->Discard();
      }
    }
    f->DropCounts();
    PhysicalFileList::Global().CloseIfUnused(f);
  }
}

void Transaction::DiscardAll() {
  for (const auto& f : files_) {
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    f->store->Discard();
    f->DropCounts();
  }
  EndAll();
}

Outcome Transaction::Rollback() {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  DiscardAll();
  return Outcome::OK();
}

Outcome Transaction::Commit() {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  for (const auto& f : files_) {
    if (f->lost_changes != 0) {
      // An operation failed half-way and took the file's changes with it:
      // the transaction can only be rolled back.
      const int code = f->lost_changes;
      DiscardAll();
      return Outcome::Code(code);
    }
  }
  std::vector<std::shared_ptr<PhysicalFile>> changed;
  for (const auto& f : files_) {
    if (f->store->changed()) changed.push_back(f);
  }
  if (changed.size() <= 1) return CommitOne();
  return CommitMany(changed);
}

Outcome Transaction::CommitOne() {
  Outcome result;
  for (const auto& f : files_) {
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    if (f->pending_failure != 0) {
      f->store->Discard();
      result = Outcome::Code(rt::Error_FileSystemError);
      continue;
    }
    f->store->setInTransaction(false);
    f->store->BeginOperation();
    Outcome o = f->ApplyCounts();
    if (o.ok()) {
      o = f->store->EndOperation(false);
    } else {
      f->store->Discard();
    }
    if (result.ok() && !o.ok()) result = o;
  }
  EndAll();
  return result;
}

Outcome Transaction::CommitMany(const std::vector<std::shared_ptr<PhysicalFile>>& changed) {
  for (const auto& f : changed) {
    if (f->pending_failure != 0) {
      DiscardAll();
      return Outcome::Code(rt::Error_FileSystemError);
    }
  }
  // Step 2: record the transaction id in every control file.
  std::vector<std::string> names = control_file_.empty() ? defaults_ : std::vector<std::string>{control_file_};
  uint32_t id = static_cast<uint32_t>(std::time(nullptr));
  std::vector<ControlFile> controls;
  for (bool retry = true; retry;) {
    retry = false;
    controls.clear();
    for (const std::string& name : names) {
      ControlFile cf{name, nullptr};
      PageStore::OpenOptions options;
      options.mode = kAccessReadWrite | kDenyNone;
      options.create = true;
      // Its one page takes turns between two places: the file keeps the
      // length of both, so that no flush of it has a new length to record.
      options.truncate_at_close = false;
      Outcome o = PageStore::Open(name, options, &cf.store);
      bool exists = false;
      if (o.ok()) o = ChangeControl(&cf, id, true, &exists);
      if (!o.ok()) {
        for (ControlFile& done : controls) {
          bool unused = false;
          ChangeControl(&done, id, false, &unused);
        }
        controls.clear();
        DiscardAll();
        return o;
      }
      if (exists) {
        // Another transaction took this id: start again with the next one.
        for (ControlFile& done : controls) {
          bool unused = false;
          ChangeControl(&done, id, false, &unused);
        }
        ++id;
        retry = true;
        break;
      }
      controls.push_back(std::move(cf));
    }
  }
  Step(2);

  // Step 3: link records and phase 1 of every changed file.
  const std::string link_name = control_file_.empty() ? std::string(kDefaultControlFileMarker) : control_file_;
  Outcome failure;
  size_t done = 0;
  for (const auto& f : changed) {
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    PageStore* s = f->store.get();
    s->BeginOperation();
    bool found = false;
    Outcome o = f->ApplyCounts();
    if (o.ok()) o = s->Remove(TransactionLinkKey(), &found);
    if (o.ok()) o = s->Insert(Record(TransactionLinkKey(), TransactionLink{id, link_name}.Encode()));
    if (o.ok()) o = s->CommitPhase1(false);
    s->EndOperation(true);
    if (!o.ok()) {
      failure = o;
      break;
    }
    ++done;
    Step(30 + static_cast<int>(done));
  }
  if (failure.ok()) Step(3);

  // Step 4: the commit point.
  if (failure.ok()) {
    for (ControlFile& cf : controls) {
      bool unused = false;
      Outcome o = ChangeControl(&cf, id, false, &unused);
      if (!o.ok() && failure.ok()) failure = o;
    }
  }
  if (failure.ok()) Step(4);

  // Step 5.
  if (!failure.ok()) {
    // Journals first, so that no crash can find them without the id. The
    // file whose phase 1 failed may have written its bounds too. A journal
    // that could not be taken back keeps the id, which makes recovery
    // discard it.
    bool all_back = true;
    for (size_t i = 0; i < changed.size(); ++i) {
      if (!changed[i]->store->AbortPhase1().ok()) all_back = false;
    }
    DiscardAll();
    if (all_back) {
      for (ControlFile& cf : controls) {
        bool unused = false;
        ChangeControl(&cf, id, false, &unused);
      }
    }
    return failure;
  }
  controls.clear();
  Outcome result;
  for (const auto& f : changed) {
    std::lock_guard<std::recursive_mutex> op(f->mutex);
    Outcome o = f->store->CommitPhase2();
    if (result.ok() && !o.ok()) result = o;
  }
  EndAll();
  Step(5);
  return result;
}

}  // namespace kestrel
