// Copy and Rename: every record of the table goes to another Kestrel file
// under a new table number there, with record ids raised by that file's id
// counter so that they stay unique in it.
#include <sys/stat.h>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/os/open_mode.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The record `r` of table `from` rewritten for table `to`, ids raised by `base`.
Outcome Rebase(const TableDef& def, const Record& r, uint32_t to, uint32_t base, Record* out, uint32_t* max_id) {
  ParsedKey k = ParseKey(r.key());
  auto raise = [&](uint32_t id) {
    const uint32_t v = id + base;
    if (v > *max_id) *max_id = v;
    return v;
  };
  switch (k.kind) {
    case RecordKind::kData:
      *out = Record(DataKey(to, raise(k.id)), r.value());
      return Outcome::OK();
    case RecordKind::kMemo:
      *out = Record(MemoKey(to, raise(k.id), k.memo, k.segment), r.value());
      return Outcome::OK();
    case RecordKind::kDefinition:
      *out = Record(DefinitionKey(to, k.block), r.value());
      return Outcome::OK();
    case RecordKind::kLocale:
      *out = Record(LocaleKey(to), r.value());
      return Outcome::OK();
    case RecordKind::kStatistics: {
      Statistics st;
      if (!Statistics::Decode(r.value(), &st).ok()) return Status::Corruption(kCheckStatistics);
      // A key's marker is a record id; the data's is the program's own value.
      if (k.subject != kKindData && st.marker != 0) st.marker = raise(st.marker);
      *out = Record(StatisticsKey(to, k.subject), st.Encode());
      return Outcome::OK();
    }
    case RecordKind::kKeyEntry: {
      if (r.value().size() != 4) return Status::Corruption(kCheckEntryValue);
      const uint32_t id = raise(Get32BE(r.value().data()));
      std::string key = KeyEntryPrefix(to, k.key_number);
      std::string_view components = k.components;
      const bool with_id = k.key_number < def.keys.size() && def.keys[k.key_number].duplicates();
      if (with_id) {
        if (components.size() < 4) return Status::Corruption(kCheckEntryValue);
        components.remove_suffix(4);
      }
      key.append(components);
      if (with_id) Append32BE(&key, id);
      std::string value;
      Append32BE(&value, id);
      *out = Record(key, value);
      return Outcome::OK();
    }
    default:
      *out = Record(TablePrefix(to) + std::string(r.key().substr(4)), r.value());
      return Outcome::OK();
  }
}

}  // namespace

int KestrelTable::Copy(const std::string& target) { return CopyTo(target, false); }
int KestrelTable::Rename(const std::string& target) { return CopyTo(target, true); }

int KestrelTable::CopyTo(const std::string& target, bool rename) {
  if (name_error_ != 0) return Post(name_error_);
  const bool was_open = file_ != nullptr;
  if (!was_open) {
    // Rename takes the records out of the source afterwards.
    if (int rc = Open((rename ? kAccessReadWrite : kAccessRead) | kDenyNone); rc != 0) return rc;
  }
  // Read every record of the table.
  std::vector<Record> records;
  int rc = RunOp(false, [&]() -> Outcome {
    const std::string prefix = TablePrefix(table_);
    Cursor c;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(file_->store->FindAtLeast(prefix, &c, &found));
    while (found && StartsWith(c.key(), prefix)) {
      records.push_back(c.record());
      KESTREL_RETURN_IF_FAILED(file_->store->Next(&c, &found));
    }
    return Outcome::OK();
  });
  const std::string source_table = name_.table;
  if (rc != 0) {
    if (!was_open) Close();
    return rc;
  }

  std::string path = target;
  while (!path.empty() && path.back() == ' ') path.pop_back();
  TableName dest;
  if (IsDirectory(path)) {
    std::string dir = path;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    dest.physical = dir + BaseName(name_.physical);
    dest.table = source_table;
  } else {
    if (int e = SplitTableName(path, &dest); e != 0) {
      if (!was_open) Close();
      return Post(e);
    }
    if (!dest.explicit_table) dest.table = source_table;
  }

  std::shared_ptr<PhysicalFile> to;
  Outcome o = PhysicalFileList::Global().Acquire(dest.physical, kAccessReadWrite | kDenyNone, true, decl_.per_thread, &to);
  if (o.ok()) {
    std::lock_guard<std::recursive_mutex> guard(to->mutex);
    PageStore* store = to->store.get();
    store->BeginOperation();
    store->BeginWriteCycle();
    o = [&]() -> Outcome {
      Cursor c;
      bool found = false;
      KESTREL_RETURN_IF_FAILED(store->Find(NameKey(dest.table), &c, &found));
      if (found) {
        if (rename) return Outcome::Code(rt::Error_AccessDenied);
        uint32_t old = 0;
        if (!DecodeTableNumber(c.value(), &old).ok()) return Status::Corruption(kCheckNameRecord, to->name);
        KESTREL_RETURN_IF_FAILED(RemoveTableRecords(store, old, false));
      }
      const uint32_t base = store->lastId();
      uint32_t tn = 0;
      KESTREL_RETURN_IF_FAILED(store->NextId(&tn));
      KESTREL_RETURN_IF_FAILED(store->Insert(Record(NameKey(dest.table), EncodeTableNumber(tn))));
      uint32_t max_id = tn;
      for (const Record& r : records) {
        Record out;
        KESTREL_RETURN_IF_FAILED(Rebase(def_, r, tn, base, &out, &max_id));
        KESTREL_RETURN_IF_FAILED(store->Insert(out));
      }
      while (store->lastId() < max_id) {
        uint32_t id = 0;
        KESTREL_RETURN_IF_FAILED(store->NextId(&id));
      }
      return Outcome::OK();
    }();
    if (!o.ok()) {
      store->Discard();
    } else {
      o = store->EndOperation(false);
    }
    Outcome r = PhysicalFileList::Global().Release(to);
    if (o.ok()) o = r;
  }
  if (!o.ok()) {
    if (!was_open) Close();
    return Finish(o);
  }
  if (rename) {
    rc = RunOp(true, [&] { return RemoveTableRecords(file_->store.get(), table_, false); });
    Close();
    return rc;
  }
  if (!was_open) Close();
  return Post(0);
}

}  // namespace kestrel
