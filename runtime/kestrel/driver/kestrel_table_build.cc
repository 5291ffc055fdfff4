// Key builds: a whole file, one key (partially from its statistics marker
// when the key is a declared index), and run-time indexes held in memory.
#include <algorithm>
#include <map>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Counts the steps of one key's build and gives a Key notice at the start
// and after every hundredth of them; false from the receiver cancels.
class KeyProgress {
 public:
  KeyProgress(const BuildProgressFn* fn, int key, uint64_t total)
      : fn_(fn && *fn ? fn : nullptr), key_(key), total_(total), stride_(total / 100 > 0 ? total / 100 : 1) {}

  bool Start() { return Notify(); }
  bool Step() {
    if (++done_ < next_) return true;
    next_ = done_ + stride_;
    return Notify();
  }
  // The work may come out smaller than foreseen (rows without an entry):
  // the last notice says all is done.
  bool Finish() {
    done_ = total_ = std::max(done_, total_);
    return told_ == done_ || Notify();
  }

 private:
  bool Notify() {
    told_ = done_;
    if (!fn_) return true;
    rt::BuildProgress p;
    p.stage = rt::BuildStage_Key;
    p.key = key_;
    p.done = done_;
    p.total = std::max(done_, total_);
    return (*fn_)(p);
  }

  const BuildProgressFn* fn_;
  int key_;
  uint64_t total_;
  uint64_t stride_;
  uint64_t done_ = 0;
  uint64_t next_ = 1;
  uint64_t told_ = 0;
};

Outcome Cancelled() { return Outcome::Code(rt::Error_BuildCancelled); }

}  // namespace

Outcome KestrelTable::BuildKeyEntries(int key, bool partial, const BuildProgressFn* progress) {
  PageStore* store = file_->store.get();
  const KeyDef& kd = def_.keys[key];
  const uint8_t subject = static_cast<uint8_t>(key);
  uint32_t count = 0, marker = 0;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(ReadStats(subject, &count, &marker, &found));
  const bool from_marker = partial && (kd.attributes & kKeyIndex) != 0 && marker != 0 && !full_build_;
  // One step per row read and one per entry written.
  uint32_t rows = 0, unused = 0;
  if (progress && *progress) KESTREL_RETURN_IF_FAILED(ReadStats(kKindData, &rows, &unused, &found));
  KeyProgress steps(progress, key, uint64_t{2} * rows);
  if (!steps.Start()) return Cancelled();

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
    if (!steps.Step()) return Cancelled();
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
    // A cancel here is safe too: the operation's changes are discarded.
    if (!steps.Step()) return Cancelled();
  }
  if (!steps.Finish()) return Cancelled();
  return WriteStats(subject, count + static_cast<uint32_t>(entries.size()), 0);
}

int KestrelTable::BuildKey(int key, const BuildProgressFn& progress) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key) || def_.keys[key].dynamic()) return Post(rt::Error_InvalidIndexString);
  return RunOp(true, [&, key] { return BuildKeyEntries(key, true, &progress); });
}

int KestrelTable::KeyState(int key, uint32_t* entries, bool* complete) {
  *entries = 0;
  *complete = false;
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  if (def_.keys[key].dynamic()) {
    const auto it = dynamic_.find(key);
    *complete = it != dynamic_.end();
    if (*complete) *entries = static_cast<uint32_t>(it->second.size());
    return Post(0);
  }
  return RunOp(false, [&, key]() -> Outcome {
    uint32_t marker = 0;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(ReadStats(static_cast<uint8_t>(key), entries, &marker, &found));
    *complete = marker == 0;
    return Outcome::OK();
  });
}

int KestrelTable::RunNotedBuilds(const BuildProgressFn& progress) {
  std::vector<NotedBuild> builds;
  builds.swap(noted_builds_);
  if (builds.empty()) return isOpen() ? Post(0) : Post(rt::Error_FileNotOpen);
  int code = 0;
  for (const NotedBuild& build : builds) {
    code = build(progress);
    if (progress) {
      rt::BuildProgress done;
      done.stage = rt::BuildStage_Done;
      done.error = code;
      progress(done);
    }
    if (code != 0) break;
  }
  return code;
}

int KestrelTable::BuildFile(const BuildProgressFn& progress) {
  return RunOp(true, [&]() -> Outcome {
    if (progress) {
      rt::BuildProgress start;
      start.stage = rt::BuildStage_File;
      for (const KeyDef& k : def_.keys) start.total += k.dynamic() ? 0 : 1;
      if (!progress(start)) return Cancelled();
    }
    // The file takes the locale tables of the running program again.
    locale_.tables = DefaultLocaleTables();
    Record r(LocaleKey(table_), locale_.Encode());
    bool found = false;
    KESTREL_RETURN_IF_FAILED(file_->store->Update(r, &found));
    if (!found) KESTREL_RETURN_IF_FAILED(file_->store->Insert(r));
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (!def_.keys[k].dynamic()) KESTREL_RETURN_IF_FAILED(BuildKeyEntries(static_cast<int>(k), true, &progress));
    }
    return Outcome::OK();
  });
}

int KestrelTable::Pack() {
  if (int rc = BuildFile(); rc != 0) return rc;
  std::lock_guard<std::recursive_mutex> guard(file_->mutex);
  if (file_->store->inTransaction() || stream_) return Post(0);
  return Finish(file_->store->TruncateToEnd());
}

int KestrelTable::BuildDynamic(int key, std::vector<KeyComponent> components, RowFilter filter, int* built_key,
                               const BuildProgressFn& progress) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (components.empty()) return Post(rt::Error_InvalidIndexString);
  for (const KeyComponent& kc : components) {
    if (kc.field >= def_.fields.size()) return Post(rt::Error_InvalidIndexString);
  }
  const bool added = key == -1;
  if (added) {
    KeyDef kd;
    kd.label = "DYNAMIC" + std::to_string(def_.keys.size());
    kd.attributes = kKeyDynamic | kKeyDuplicates;
    def_.keys.push_back(kd);
    key = static_cast<int>(def_.keys.size()) - 1;
  }
  if (!CheckKey(key) || !def_.keys[key].dynamic()) return Post(rt::Error_InvalidIndexString);
  // The entries are built against the new components; the old ones stay
  // with the old index until the new one is complete.
  std::vector<KeyComponent> before = std::move(def_.keys[key].components);
  def_.keys[key].components = std::move(components);
  const int code = RunOp(false, [&, key]() -> Outcome {
    std::map<std::string, uint32_t> index;
    const std::string data_prefix = KeyEntryPrefix(table_, kKindData);
    Cursor c;
    bool found = false;
    uint32_t rows = 0, unused = 0;
    if (progress) KESTREL_RETURN_IF_FAILED(ReadStats(kKindData, &rows, &unused, &found));
    KeyProgress steps(&progress, key, rows);
    if (!steps.Start()) return Cancelled();
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
      if (!steps.Step()) return Cancelled();
      KESTREL_RETURN_IF_FAILED(file_->store->Next(&c, &found));
    }
    if (!steps.Finish()) return Cancelled();
    dynamic_[key] = std::move(index);
    return Outcome::OK();
  });
  if (code != 0) {
    if (added) {
      def_.keys.pop_back();
    } else {
      def_.keys[key].components = std::move(before);
    }
    return code;
  }
  if (built_key) *built_key = key;
  return code;
}

}  // namespace kestrel
