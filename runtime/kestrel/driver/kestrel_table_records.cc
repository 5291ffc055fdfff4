// Rows, memos, key entries and statistics of one table, and the record
// operations built on them: add, append, get, put, delete, duplicate checks.
#include <algorithm>

#include "runtime/core/trim.h"
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/driver/oem.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/memo.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Takes the record lock for the length of one change unless the record is
// already held; gives it back when done.
class RecordLock {
 public:
  RecordLock(PageStore* store, uint32_t id, bool held) : store_(store), n_(id + 1) {
    taken_ = held || store->TryDriverLock(n_);
    release_ = taken_ && !held;
  }
  ~RecordLock() {
    if (release_) store_->ReleaseDriverLock(n_);
  }
  bool taken() const { return taken_; }

 private:
  PageStore* store_;
  uint32_t n_;
  bool taken_ = false;
  bool release_ = false;
};

}  // namespace

std::string KestrelTable::StoredRow(std::string_view program_row) const {
  std::string row(program_row);
  row.resize(def_.record_length, '\0');
  if (locale_.oem) RowAnsiToOem(def_, &row);
  return row;
}

std::string_view KestrelTable::StoredView(const std::string& program_row, std::string* scratch) const {
  if (!locale_.oem && program_row.size() == def_.record_length) return program_row;
  *scratch = StoredRow(program_row);
  return *scratch;
}

std::string KestrelTable::ProgramRow(std::string_view stored_row) const {
  std::string row(stored_row);
  if (locale_.oem) RowOemToAnsi(def_, &row);
  return row;
}

Outcome KestrelTable::LoadRow(uint32_t id, std::string* row, bool* found) {
  KESTREL_RETURN_IF_FAILED(file_->store->ReadValue(DataKey(table_, id), row, found, &row_hint_));
  if (*found && row->size() != def_.record_length) return Status::Corruption(kCheckRowSize, file_->name);
  return Outcome::OK();
}

Outcome KestrelTable::LoadMemos(uint32_t id, std::vector<std::string>* memos) {
  memos->assign(def_.memos.size(), std::string());
  PageStore* store = file_->store.get();
  for (size_t m = 0; m < def_.memos.size(); ++m) {
    const MemoDef& md = def_.memos[m];
    std::string prefix = MemoRecordPrefix(table_, id);
    prefix.push_back(static_cast<char>(m));
    std::vector<std::string> segments;
    Cursor c;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found));
    while (found && StartsWith(c.key(), prefix)) {
      ParsedKey k = ParseKey(c.key());
      if (k.kind != RecordKind::kMemo || k.segment != segments.size()) {
        return Status::Corruption(Check::kMemoSegments, file_->name);
      }
      segments.emplace_back(c.value());
      KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    }
    if (segments.empty()) continue;
    std::string text;
    Status s = JoinMemo(segments, md.blob(), md.blob() ? 0 : md.size, &text);
    if (!s.ok()) return s.inFile(file_->name);
    if (!md.blob()) text.resize(rt::trimRight(text).size());
    (*memos)[m] = std::move(text);
  }
  return Outcome::OK();
}

Outcome KestrelTable::WriteMemos(uint32_t id, const std::vector<std::string>& memos, bool fresh) {
  PageStore* store = file_->store.get();
  for (size_t m = 0; m < def_.memos.size(); ++m) {
    const MemoDef& md = def_.memos[m];
    std::string text = m < memos.size() ? memos[m] : std::string();
    if (!md.blob() && text.size() > md.size) text.resize(md.size);
    const std::vector<std::string> segments = SplitMemo(text, md.blob());
    if (segments.size() > 0xFFFF) return Outcome::Code(rt::Error_AccessDenied);
    size_t old_count = 0;
    for (size_t i = 0;; ++i) {
      const std::string key = MemoKey(table_, id, static_cast<uint8_t>(m), static_cast<uint16_t>(i));
      bool exists = false;
      Cursor c;
      if (!fresh) KESTREL_RETURN_IF_FAILED(store->Find(key, &c, &exists));
      if (i >= segments.size()) {
        if (!exists) break;
        bool gone = false;
        KESTREL_RETURN_IF_FAILED(store->Remove(key, &gone));
        continue;
      }
      if (exists) {
        ++old_count;
        if (c.value() == segments[i]) continue;  // unchanged segments stay
        bool found = false;
        KESTREL_RETURN_IF_FAILED(store->Update(Record(key, segments[i]), &found));
      } else {
        KESTREL_RETURN_IF_FAILED(store->Insert(Record(key, segments[i])));
      }
    }
    (void)old_count;
  }
  return Outcome::OK();
}

Outcome KestrelTable::RemoveMemos(uint32_t id) {
  if (def_.memos.empty()) return Outcome::OK();  // a table without memos stores no segments
  PageStore* store = file_->store.get();
  const std::string prefix = MemoRecordPrefix(table_, id);
  std::vector<std::string> keys;
  Cursor c;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found));
  while (found && StartsWith(c.key(), prefix)) {
    keys.emplace_back(c.key());
    KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
  }
  for (const std::string& k : keys) KESTREL_RETURN_IF_FAILED(store->Remove(k, &found));
  return Outcome::OK();
}

Outcome KestrelTable::EntryFor(int key, std::string_view stored_row, uint32_t id, std::optional<Record>* entry) {
  Status s = BuildKeyEntry(table_, static_cast<uint8_t>(key), def_, stored_row, locale_.tables, id, entry);
  if (!s.ok() && s.isCorruption()) return s.inFile(file_->name);
  return s;
}

Outcome KestrelTable::ReadStats(uint8_t subject, uint32_t* count, uint32_t* marker, bool* found) {
  Cursor c;
  *count = *marker = 0;
  KESTREL_RETURN_IF_FAILED(file_->ApplyCounts());
  KESTREL_RETURN_IF_FAILED(file_->store->Find(StatisticsKey(table_, subject), &c, found));
  if (!*found) return Outcome::OK();
  Statistics st;
  if (!Statistics::Decode(c.value(), &st).ok()) return Status::Corruption(kCheckStatistics, file_->name);
  *count = st.count;
  *marker = st.marker;
  return Outcome::OK();
}

Outcome KestrelTable::WriteStats(uint8_t subject, uint32_t count, uint32_t marker) {
  KESTREL_RETURN_IF_FAILED(file_->ApplyCounts());
  Statistics st{count, marker};
  Record r(StatisticsKey(table_, subject), st.Encode());
  bool found = false;
  KESTREL_RETURN_IF_FAILED(file_->store->Update(r, &found));
  if (!found) KESTREL_RETURN_IF_FAILED(file_->store->Insert(r));
  return Outcome::OK();
}

Outcome KestrelTable::UniqueConflict(const Record& entry, uint32_t self, bool* conflict,
                                     PageStore::InsertHint* hint) {
  bool found = false;
  *conflict = false;
  KESTREL_RETURN_IF_FAILED(file_->store->ReadValue(entry.key(), &scratch_entry_, &found, hint));
  if (!found) return Outcome::OK();
  if (scratch_entry_.size() != 4) return Status::Corruption(kCheckEntryValue, file_->name);
  *conflict = Get32BE(scratch_entry_.data()) != self;
  return Outcome::OK();
}

Outcome KestrelTable::ReadRecord(uint32_t id, bool* found) {
  std::string& row = scratch_row_;
  KESTREL_RETURN_IF_FAILED(LoadRow(id, &row, found));
  if (!*found) return Outcome::OK();
  if (hold_requested_ && held_id_ != id) {
    if (!file_->store->TryDriverLock(id + 1)) return Outcome::Code(rt::Error_RecordIsAlreadyHeld);
    ReleaseHold();
    held_id_ = id;
  }
  std::vector<std::string> memos;
  const bool load_memos = !nomemo_requested_ || watch_requested_;
  if (load_memos) {
    Outcome o = LoadMemos(id, &memos);
    if (!o.ok()) {
      if (held_id_ == id && hold_requested_) ReleaseHold();
      return o;
    }
  }
  if (locale_.oem) RowOemToAnsi(def_, &row);
  record_.swap(row);
  read_image_ = record_;
  current_ = id;
  memos_loaded_ = !nomemo_requested_;
  if (memos_loaded_) memos_ = memos;
  watch_active_ = watch_requested_;
  if (watch_active_) {
    watch_row_ = record_;
    watch_memos_ = std::move(memos);
  }
  return Outcome::OK();
}

int KestrelTable::Add() {
  return RunOp(true, [&]() -> Outcome {
    PageStore* store = file_->store.get();
    std::string converted;
    const std::string_view stored = StoredView(record_, &converted);
    if (entry_hints_.size() != def_.keys.size()) {
      entry_hints_.clear();
      for (size_t k = 0; k < def_.keys.size(); ++k) entry_hints_.push_back(std::make_unique<PageStore::InsertHint>());
    }
    // Each entry is encoded once; every unique key is tested before anything
    // is written, and the new id goes into the entries afterwards. A unique
    // key's test looks first where that key's last entry went.
    // Kept from row to row: the entries reuse their allocations.
    std::vector<std::optional<Record>>& entries = add_entries_;
    entries.resize(def_.keys.size());
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (def_.keys[k].dynamic()) {
        entries[k].reset();
        continue;
      }
      KESTREL_RETURN_IF_FAILED(EntryFor(static_cast<int>(k), stored, 0, &entries[k]));
      if (!entries[k] || def_.keys[k].duplicates()) continue;
      bool conflict = false;
      KESTREL_RETURN_IF_FAILED(UniqueConflict(*entries[k], 0, &conflict, entry_hints_[k].get()));
      if (conflict) return Outcome::Code(rt::Error_CreatesDuplicateKey);
    }
    uint32_t id = 0;
    KESTREL_RETURN_IF_FAILED(store->NextId(&id));
    char id_bytes[4];
    Put32BE(id_bytes, id);
    std::string data_key = DataKey(table_, id);
    // The entries take the new id in place: entry value, and the key's tail
    // for a key with duplicates.
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (!entries[k]) continue;
      Record& entry = *entries[k];
      if (def_.keys[k].duplicates()) std::copy(id_bytes, id_bytes + 4, entry.bytes.begin() + entry.key_length - 4);
      entry.bytes.replace(entry.key_length, std::string::npos, id_bytes, 4);
      KESTREL_RETURN_IF_FAILED(store->InsertNear(entry, entry_hints_[k].get()));
      file_->AddCount(table_, static_cast<uint8_t>(k), 1);
    }
    Record data;
    data.bytes.reserve(data_key.size() + stored.size());
    data.bytes.append(data_key).append(stored);
    data.key_length = static_cast<uint16_t>(data_key.size());
    KESTREL_RETURN_IF_FAILED(store->InsertAppend(std::move(data)));
    file_->AddCount(table_, kKindData, 1);
    KESTREL_RETURN_IF_FAILED(WriteMemos(id, memos_, true));
    current_ = id;
    read_image_ = record_;
    memos_loaded_ = true;
    watch_active_ = false;
    return PositionAtCurrent();
  }, true);
}

int KestrelTable::Append() {
  return RunOp(true, [&]() -> Outcome {
    PageStore* store = file_->store.get();
    uint32_t id = 0;
    KESTREL_RETURN_IF_FAILED(store->NextId(&id));
    KESTREL_RETURN_IF_FAILED(store->InsertAppend(Record(DataKey(table_, id), StoredRow(record_))));
    file_->AddCount(table_, kKindData, 1);
    // The keys now lack entries from this id on, until rebuilt.
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (def_.keys[k].dynamic()) continue;
      uint32_t count = 0, marker = 0;
      bool found = false;
      KESTREL_RETURN_IF_FAILED(ReadStats(static_cast<uint8_t>(k), &count, &marker, &found));
      if (marker == 0 || marker > id) KESTREL_RETURN_IF_FAILED(WriteStats(static_cast<uint8_t>(k), count, id));
    }
    KESTREL_RETURN_IF_FAILED(WriteMemos(id, memos_, true));
    current_ = id;
    read_image_ = record_;
    memos_loaded_ = true;
    watch_active_ = false;
    return PositionAtCurrent();
  });
}

int KestrelTable::GetByKey(int key) {
  if (!CheckKey(key)) return Post(file_ ? rt::Error_InvalidIndexString : rt::Error_FileNotOpen);
  return Reading([&, key]() -> Outcome {
    std::string converted;
    const std::string_view stored = StoredView(record_, &converted);
    uint32_t id = 0;
    if (def_.keys[key].dynamic()) {
      std::string value;
      KESTREL_RETURN_IF_FAILED(KeyValuePrefix(key, &value));
      const auto& index = dynamic_[key];
      auto it = index.lower_bound(value);
      if (it == index.end() || !StartsWith(it->first, value)) return Outcome::Code(rt::Error_RecordNotFound);
      id = it->second;
    } else {
      std::optional<Record> entry;
      KESTREL_RETURN_IF_FAILED(EntryFor(key, stored, 0, &entry));
      if (!entry) return Outcome::Code(rt::Error_RecordNotFound);
      Cursor c;
      bool found = false;
      PageStore* store = file_->store.get();
      // The entry only leads to the row: reading the row checks the file
      // for both, and an answer given before that checks it here.
      if (!def_.keys[key].duplicates()) {
        KESTREL_RETURN_IF_FAILED(store->Find(entry->key(), &c, &found, false));
      } else {
        const std::string_view prefix = entry->key().substr(0, entry->key().size() - 4);
        KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found, false));
        found = found && StartsWith(c.key(), prefix);
      }
      if (!found) return store->Confirm(Outcome::Code(rt::Error_RecordNotFound));
      if (c.value().size() != 4) return store->Confirm(Status::Corruption(kCheckEntryValue, file_->name));
      id = Get32BE(c.value().data());
    }
    bool found = false;
    KESTREL_RETURN_IF_FAILED(ReadRecord(id, &found));
    if (!found) return Status::Corruption(kCheckDanglingEntry, file_->name);
    return PositionAtCurrent();
  });
}

int KestrelTable::GetById(uint32_t id) {
  return Reading([&, id]() -> Outcome {
    bool found = false;
    KESTREL_RETURN_IF_FAILED(ReadRecord(id, &found));
    if (!found) return Outcome::Code(rt::Error_RecordNotFound);
    return PositionAtCurrent();
  });
}

int KestrelTable::PutById(uint32_t id) {
  current_ = id;
  return Put();
}

int KestrelTable::Put() {
  return RunOp(true, [&]() -> Outcome {
    if (current_ == 0) return Outcome::Code(rt::Error_RecordNotAvailable);
    PageStore* store = file_->store.get();
    RecordLock lock(store, current_, held_id_ == current_);
    if (!lock.taken()) return Outcome::Code(rt::Error_AccessDenied);
    std::string old_stored;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(LoadRow(current_, &old_stored, &found));
    if (!found) return Outcome::Code(rt::Error_RecordNotAvailable);
    if (watch_active_) {
      std::vector<std::string> memos;
      KESTREL_RETURN_IF_FAILED(LoadMemos(current_, &memos));
      if (ProgramRow(old_stored) != watch_row_ || memos != watch_memos_) return Outcome::Code(rt::Error_RecordChangedByAnotherStation);
    }
    std::string converted;
    const std::string_view stored = StoredView(record_, &converted);
    if (stored != old_stored) {
      std::vector<std::optional<Record>> old_entries(def_.keys.size()), new_entries(def_.keys.size());
      for (size_t k = 0; k < def_.keys.size(); ++k) {
        KESTREL_RETURN_IF_FAILED(EntryFor(static_cast<int>(k), old_stored, current_, &old_entries[k]));
        KESTREL_RETURN_IF_FAILED(EntryFor(static_cast<int>(k), stored, current_, &new_entries[k]));
        if (old_entries[k] == new_entries[k] || !new_entries[k] || def_.keys[k].duplicates()) continue;
        bool conflict = false;
        KESTREL_RETURN_IF_FAILED(UniqueConflict(*new_entries[k], current_, &conflict));
        if (conflict) return Outcome::Code(rt::Error_CreatesDuplicateKey);
      }
      for (size_t k = 0; k < def_.keys.size(); ++k) {
        if (old_entries[k] == new_entries[k]) continue;
        int delta = 0;
        if (old_entries[k]) {
          bool gone = false;
          KESTREL_RETURN_IF_FAILED(store->Remove(old_entries[k]->key(), &gone));
          if (gone) --delta;
        }
        if (new_entries[k]) {
          KESTREL_RETURN_IF_FAILED(store->Insert(*new_entries[k]));
          ++delta;
        }
        if (delta != 0) file_->AddCount(table_, static_cast<uint8_t>(k), delta);
      }
      KESTREL_RETURN_IF_FAILED(store->Update(Record(DataKey(table_, current_), stored), &found));
    }
    if (memos_loaded_) KESTREL_RETURN_IF_FAILED(WriteMemos(current_, memos_, false));
    read_image_ = record_;
    if (watch_active_) {
      watch_row_ = record_;
      watch_memos_ = memos_;
    }
    return PositionAtCurrent();
  }, true);
}

int KestrelTable::Delete() {
  return RunOp(true, [&]() -> Outcome {
    if (current_ == 0) return Outcome::Code(rt::Error_RecordNotAvailable);
    PageStore* store = file_->store.get();
    const uint32_t id = current_;
    {
      RecordLock lock(store, id, held_id_ == id);
      if (!lock.taken()) return Outcome::Code(rt::Error_RecordNotAvailable);
      std::string stored;
      bool found = false;
      KESTREL_RETURN_IF_FAILED(LoadRow(id, &stored, &found));
      if (!found) return Outcome::Code(rt::Error_RecordNotAvailable);
      for (size_t k = 0; k < def_.keys.size(); ++k) {
        std::optional<Record> entry;
        KESTREL_RETURN_IF_FAILED(EntryFor(static_cast<int>(k), stored, id, &entry));
        if (!entry) continue;
        bool gone = false;
        KESTREL_RETURN_IF_FAILED(store->Remove(entry->key(), &gone));
        if (gone) file_->AddCount(table_, static_cast<uint8_t>(k), -1);
      }
      KESTREL_RETURN_IF_FAILED(store->Remove(DataKey(table_, id), &found));
      file_->AddCount(table_, kKindData, -1);
      KESTREL_RETURN_IF_FAILED(RemoveMemos(id));
      for (auto& [k, index] : dynamic_) {
        for (auto it = index.begin(); it != index.end();) it = it->second == id ? index.erase(it) : std::next(it);
      }
    }
    if (held_id_ == id) ReleaseHold();
    current_ = 0;
    watch_active_ = false;
    return Outcome::OK();
  }, true);
}

int KestrelTable::DuplicateKey(int key, bool* duplicate) {
  *duplicate = false;
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key) || def_.keys[key].dynamic()) return Post(rt::Error_InvalidIndexString);
  return RunOp(false, [&, key]() -> Outcome {
    std::optional<Record> entry;
    std::string converted;
    KESTREL_RETURN_IF_FAILED(EntryFor(key, StoredView(record_, &converted), current_, &entry));
    if (!entry) return Outcome::OK();
    if (!def_.keys[key].duplicates()) {
      return UniqueConflict(*entry, current_, duplicate);
    }
    const std::string prefix(entry->key().substr(0, entry->key().size() - 4));
    Cursor c;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(file_->store->FindAtLeast(prefix, &c, &found));
    while (found && StartsWith(c.key(), prefix)) {
      if (c.value().size() == 4 && Get32BE(c.value().data()) != current_) {
        *duplicate = true;
        break;
      }
      KESTREL_RETURN_IF_FAILED(file_->store->Next(&c, &found));
    }
    return Outcome::OK();
  }, true);
}

int KestrelTable::Duplicate(bool* duplicate) {
  *duplicate = false;
  if (!file_) return Post(rt::Error_FileNotOpen);
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    if (def_.keys[k].duplicates() || def_.keys[k].dynamic()) continue;
    bool one = false;
    if (int rc = DuplicateKey(static_cast<int>(k), &one); rc != 0) return rc;
    if (one) {
      *duplicate = true;
      break;
    }
  }
  return Post(0);
}

int KestrelTable::Records(uint32_t* count) {
  *count = 0;
  return RunOp(false, [&]() -> Outcome {
    uint32_t marker = 0;
    bool found = false;
    return ReadStats(kKindData, count, &marker, &found);
  });
}

int KestrelTable::RecordsKey(int key, uint32_t* count) {
  *count = 0;
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  if (def_.keys[key].dynamic()) {
    *count = static_cast<uint32_t>(dynamic_[key].size());
    return Post(0);
  }
  return RunOp(false, [&, key]() -> Outcome {
    uint32_t marker = 0;
    bool found = false;
    return ReadStats(static_cast<uint8_t>(key), count, &marker, &found);
  });
}

}  // namespace kestrel
