// Key builds: a whole file, one key (partially from its statistics marker
// when the key is a declared index), and run-time indexes held in memory.
#include <map>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

Outcome KestrelTable::BuildKeyEntries(int key, bool partial) {
  PageStore* store = file_->store.get();
  const KeyDef& kd = def_.keys[key];
  const uint8_t subject = static_cast<uint8_t>(key);
  uint32_t count = 0, marker = 0;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(ReadStats(subject, &count, &marker, &found));
  const bool from_marker = partial && (kd.attributes & kKeyIndex) != 0 && marker != 0 && !full_build_;

  // Every entry is computed and tested before the key is touched.
  std::map<std::string, uint32_t> entries;
  const std::string data_prefix = KeyEntryPrefix(table_, kKindData);
  Cursor c;
  KESTREL_RETURN_IF_FAILED(store->FindAtLeast(from_marker ? DataKey(table_, marker) : data_prefix, &c, &found));
  while (found && StartsWith(c.key(), data_prefix)) {
    const uint32_t id = ParseKey(c.key()).id;
    if (c.value().size() != def_.record_length) return Status::Corruption(kCheckRowSize, file_->name);
    std::optional<Record> entry;
    KESTREL_RETURN_IF_FAILED(EntryFor(key, c.value(), id, &entry));
    if (entry) {
      if (!entries.emplace(std::string(entry->key()), id).second) return Outcome::Code(rt::Error_CreatesDuplicateKey);
    }
    KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
  }
  if (from_marker) {
    std::map<std::string, uint32_t> fresh;
    for (auto& [k, id] : entries) {
      Cursor e;
      bool exists = false;
      KESTREL_RETURN_IF_FAILED(store->Find(k, &e, &exists));
      if (exists) {
        if (e.value().size() != 4) return Status::Corruption(kCheckEntryValue, file_->name);
        if (Get32BE(e.value().data()) != id) return Outcome::Code(rt::Error_CreatesDuplicateKey);
        continue;
      }
      fresh.emplace(k, id);
    }
    entries.swap(fresh);
  } else {
    const std::string prefix = KeyEntryPrefix(table_, subject);
    std::vector<std::string> old;
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found));
    while (found && StartsWith(c.key(), prefix)) {
      old.emplace_back(c.key());
      KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    }
    for (const std::string& k : old) KESTREL_RETURN_IF_FAILED(store->Remove(k, &found));
    count = 0;
  }
  for (const auto& [k, id] : entries) {
    std::string value;
    Append32BE(&value, id);
    KESTREL_RETURN_IF_FAILED(store->Insert(Record(k, value)));
  }
  return WriteStats(subject, count + static_cast<uint32_t>(entries.size()), 0);
}

int KestrelTable::BuildKey(int key) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key) || def_.keys[key].dynamic()) return Post(rt::Error_InvalidIndexString);
  return RunOp(true, [&, key] { return BuildKeyEntries(key, true); });
}

int KestrelTable::BuildFile() {
  return RunOp(true, [&]() -> Outcome {
    // The file takes the locale tables of the running program again.
    locale_.tables = DefaultLocaleTables();
    Record r(LocaleKey(table_), locale_.Encode());
    bool found = false;
    KESTREL_RETURN_IF_FAILED(file_->store->Update(r, &found));
    if (!found) KESTREL_RETURN_IF_FAILED(file_->store->Insert(r));
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (!def_.keys[k].dynamic()) KESTREL_RETURN_IF_FAILED(BuildKeyEntries(static_cast<int>(k), true));
    }
    return Outcome::OK();
  });
}

int KestrelTable::Pack() {
  if (int rc = BuildFile(); rc != 0) return rc;
  std::lock_guard<std::recursive_mutex> guard(file_->mutex);
  if (file_->in_transaction || stream_) return Post(0);
  return Finish(file_->store->TruncateToEnd());
}

int KestrelTable::BuildDynamic(int key, std::vector<KeyComponent> components, RowFilter filter, int* built_key) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (components.empty()) return Post(rt::Error_InvalidIndexString);
  for (const KeyComponent& kc : components) {
    if (kc.field >= def_.fields.size()) return Post(rt::Error_InvalidIndexString);
  }
  if (key == -1) {
    KeyDef kd;
    kd.label = "DYNAMIC" + std::to_string(def_.keys.size());
    kd.attributes = kKeyDynamic | kKeyDuplicates;
    def_.keys.push_back(kd);
    key = static_cast<int>(def_.keys.size()) - 1;
  }
  if (!CheckKey(key) || !def_.keys[key].dynamic()) return Post(rt::Error_InvalidIndexString);
  def_.keys[key].components = std::move(components);
  if (built_key) *built_key = key;
  return RunOp(false, [&, key]() -> Outcome {
    std::map<std::string, uint32_t> index;
    const std::string data_prefix = KeyEntryPrefix(table_, kKindData);
    Cursor c;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(file_->store->FindAtLeast(data_prefix, &c, &found));
    while (found && StartsWith(c.key(), data_prefix)) {
      const uint32_t id = ParseKey(c.key()).id;
      if (c.value().size() != def_.record_length) return Status::Corruption(kCheckRowSize, file_->name);
      if (!filter || filter(ProgramRow(c.value()))) {
        std::string k;
        Status s = EncodeKeyComponents(def_, def_.keys[key], c.value(), locale_.tables, &k);
        if (!s.ok()) return s;
        Append32BE(&k, id);
        index.emplace(std::move(k), id);
      }
      KESTREL_RETURN_IF_FAILED(file_->store->Next(&c, &found));
    }
    dynamic_[key] = std::move(index);
    return Outcome::OK();
  });
}

}  // namespace kestrel
