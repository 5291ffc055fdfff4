// Sequential access: the SET family, Next, Previous, Skip, Bof, Eof, and
// positions (Position, Reset, Reget). A sequence remembers the store key of
// the place it stands (a data key in record-id order, an entry key in key
// order), so it survives changes made between two reads.
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kHighId("\xFF\xFF\xFF\xFF", 4);

}  // namespace

std::string KestrelTable::OrderPrefix(int key) const {
  if (key == kFileOrder) return KeyEntryPrefix(table_, kKindData);
  return KeyEntryPrefix(table_, static_cast<uint8_t>(key));
}

// The key value in the record buffer: TN, key number and components for a
// stored key; the components alone for a run-time index.
Outcome KestrelTable::KeyValuePrefix(int key, std::string* prefix) {
  prefix->clear();
  if (!def_.keys[key].dynamic()) *prefix = OrderPrefix(key);
  std::string converted;
  Status s = EncodeKeyComponents(def_, def_.keys[key], StoredView(record_, &converted), locale_.tables, prefix);
  if (!s.ok() && s.isCorruption()) return s.inFile(file_->name);
  return s;
}

Outcome KestrelTable::Seek(int key, const std::string& pos, bool inclusive, bool forward, Hit* hit, bool* found,
                           Cursor* at) {
  *found = false;
  if (key != kFileOrder && def_.keys[key].dynamic()) {
    const auto& index = dynamic_[key];
    auto it = index.begin();
    if (forward) {
      if (!pos.empty()) it = inclusive ? index.lower_bound(pos) : index.upper_bound(pos);
      if (it == index.end()) return Outcome::OK();
    } else {
      it = pos.empty() ? index.end() : (inclusive ? index.upper_bound(pos) : index.lower_bound(pos));
      if (it == index.begin()) return Outcome::OK();
      --it;
    }
    hit->key = it->first;
    hit->id = it->second;
    *found = true;
    return Outcome::OK();
  }
  PageStore* store = file_->store.get();
  const std::string prefix = OrderPrefix(key);
  Cursor local;
  Cursor& c = at ? *at : local;
  bool f = false;
  if (at && !inclusive && !pos.empty() && c.valid() && c.key() == pos) {
    KESTREL_RETURN_IF_FAILED(forward ? store->Next(&c, &f) : store->Previous(&c, &f));
  } else if (forward) {
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(pos.empty() ? prefix : pos, &c, &f));
    if (f && !inclusive && !pos.empty() && c.key() == pos) KESTREL_RETURN_IF_FAILED(store->Next(&c, &f));
  } else {
    std::string upper = prefix;
    upper.back() = static_cast<char>(static_cast<uint8_t>(upper.back()) + 1);
    const std::string& from = pos.empty() ? upper : pos;
    KESTREL_RETURN_IF_FAILED(store->FindAtMost(from, &c, &f));
    if (f && (pos.empty() || !inclusive) && c.key() == from) KESTREL_RETURN_IF_FAILED(store->Previous(&c, &f));
  }
  if (!f || !StartsWith(c.key(), prefix)) return Outcome::OK();
  hit->key.assign(c.key());
  if (key == kFileOrder) {
    hit->id = ParseKey(c.key()).id;
  } else {
    if (c.value().size() != 4) return Status::Corruption(kCheckEntryValue, file_->name);
    hit->id = Get32BE(c.value().data());
  }
  *found = true;
  return Outcome::OK();
}

Outcome KestrelTable::ResolveLocate(bool forward) {
  seq_.locate_pending = false;
  const int key = seq_.locate_key;
  const std::string& value = seq_.locate_value;
  Hit hit;
  bool found = false;
  const bool with_id = def_.keys[key].duplicates() || def_.keys[key].dynamic();
  KESTREL_RETURN_IF_FAILED(Seek(key, with_id && !forward ? value + std::string(kHighId) : value, true, forward,
                                &hit, &found));
  if (!found) {
    // Nothing there: the sequence is exhausted in that direction.
    seq_.pos.clear();
    seq_.exhausted = true;
    return Outcome::OK();
  }
  seq_.pos = DataKey(table_, hit.id);
  seq_.inclusive = true;
  return Outcome::OK();
}

Outcome KestrelTable::StepRead(bool forward) {
  if (seq_.order == Order::kNone) return Outcome::Code(rt::Error_RecordNotAvailable);
  if (seq_.locate_pending) KESTREL_RETURN_IF_FAILED(ResolveLocate(forward));
  if (seq_.exhausted) return Outcome::Code(rt::Error_RecordNotAvailable);
  const int key = seq_.order == Order::kFile ? kFileOrder : seq_.key;
  Hit& hit = seq_hit_;
  bool found = false;
  const std::string& from = !forward && seq_.inclusive && !seq_.pos_hi.empty() ? seq_.pos_hi : seq_.pos;
  KESTREL_RETURN_IF_FAILED(Seek(key, from, seq_.inclusive, forward, &hit, &found, &seq_cursor_));
  if (!found) return Outcome::Code(rt::Error_RecordNotAvailable);
  KESTREL_RETURN_IF_FAILED(ReadRecord(hit.id, &found));
  if (!found) return Status::Corruption(kCheckDanglingEntry, file_->name);
  seq_.pos.swap(hit.key);
  seq_.pos_hi.clear();
  seq_.inclusive = false;
  return Outcome::OK();
}

Outcome KestrelTable::PositionAtCurrent() {
  seq_.locate_pending = false;
  seq_.exhausted = false;
  seq_.inclusive = false;
  seq_.pos_hi.clear();
  if (seq_.order == Order::kFile) {
    seq_.pos = DataKey(table_, current_);
  } else if (seq_.order == Order::kKey) {
    const int key = seq_.key;
    if (def_.keys[key].dynamic()) {
      KESTREL_RETURN_IF_FAILED(KeyValuePrefix(key, &seq_.pos));
      Append32BE(&seq_.pos, current_);
    } else {
      std::optional<Record> entry;
      std::string converted;
      KESTREL_RETURN_IF_FAILED(EntryFor(key, StoredView(record_, &converted), current_, &entry));
      if (entry) {
        seq_.pos.assign(entry->key());
      } else {
        KESTREL_RETURN_IF_FAILED(KeyValuePrefix(key, &seq_.pos));
        if (def_.keys[key].duplicates()) Append32BE(&seq_.pos, current_);
      }
    }
  }
  return Outcome::OK();
}

int KestrelTable::SetFile() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  seq_ = Sequence();
  seq_.order = Order::kFile;
  return Post(0);
}

int KestrelTable::SetFilePtr(int64_t id) {
  if (id <= 0 || id > 0xFFFFFFFFll) return SetFile();
  if (!file_) return Post(rt::Error_FileNotOpen);
  seq_ = Sequence();
  seq_.order = Order::kFile;
  seq_.pos = DataKey(table_, static_cast<uint32_t>(id));
  seq_.inclusive = true;
  return Post(0);
}

int KestrelTable::SetFileKey(int key) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  return RunOp(false, [&, key]() -> Outcome {
    Sequence s;
    s.order = Order::kFile;
    s.locate_pending = true;
    s.locate_key = key;
    seq_ = s;
    return KeyValuePrefix(key, &seq_.locate_value);
  }, true);
}

int KestrelTable::SetKey(int key) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  seq_ = Sequence();
  seq_.order = Order::kKey;
  seq_.key = key;
  return Post(0);
}

int KestrelTable::SetKeyKey(int key) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  return RunOp(false, [&, key]() -> Outcome {
    seq_ = Sequence();
    seq_.order = Order::kKey;
    seq_.key = key;
    seq_.inclusive = true;
    KESTREL_RETURN_IF_FAILED(KeyValuePrefix(key, &seq_.pos));
    if (def_.keys[key].duplicates() || def_.keys[key].dynamic()) seq_.pos_hi = seq_.pos + std::string(kHighId);
    return Outcome::OK();
  }, true);
}

int KestrelTable::SetKeyPtr(int key, int64_t id) {
  if (id <= 0 || id > 0xFFFFFFFFll) return SetKey(key);
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  return RunOp(false, [&, key, id]() -> Outcome {
    const uint32_t rid = static_cast<uint32_t>(id);
    std::string row;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(LoadRow(rid, &row, &found));
    if (!found) return Outcome::Code(rt::Error_RecordNotFound);
    Sequence s;
    s.order = Order::kKey;
    s.key = key;
    s.inclusive = true;
    if (def_.keys[key].dynamic()) {
      Status st = EncodeKeyComponents(def_, def_.keys[key], row, locale_.tables, &s.pos);
      if (!st.ok()) return st;
      Append32BE(&s.pos, rid);
    } else {
      std::optional<Record> entry;
      KESTREL_RETURN_IF_FAILED(EntryFor(key, row, rid, &entry));
      if (!entry) return Outcome::Code(rt::Error_RecordNotFound);
      s.pos.assign(entry->key());
    }
    seq_ = s;
    return Outcome::OK();
  }, true);
}

int KestrelTable::SetKeyKeyPtr(int key, uint32_t id) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  return RunOp(false, [&, key, id]() -> Outcome {
    seq_ = Sequence();
    seq_.order = Order::kKey;
    seq_.key = key;
    seq_.inclusive = true;
    KESTREL_RETURN_IF_FAILED(KeyValuePrefix(key, &seq_.pos));
    if (def_.keys[key].duplicates() || def_.keys[key].dynamic()) Append32BE(&seq_.pos, id);
    return Outcome::OK();
  }, true);
}

int KestrelTable::Next() {
  return Reading([&] { return StepRead(true); });
}

int KestrelTable::Previous() {
  return Reading([&] { return StepRead(false); });
}

int KestrelTable::Skip(int64_t count) {
  return RunOp(false, [&, count]() -> Outcome {
    if (seq_.order == Order::kNone) return Outcome::Code(rt::Error_RecordNotAvailable);
    const bool forward = count >= 0;
    if (seq_.locate_pending) KESTREL_RETURN_IF_FAILED(ResolveLocate(forward));
    if (seq_.exhausted) return Outcome::Code(rt::Error_RecordNotAvailable);
    const int key = seq_.order == Order::kFile ? kFileOrder : seq_.key;
    for (int64_t i = 0; i < (forward ? count : -count); ++i) {
      Hit hit;
      bool found = false;
      const std::string& from = !forward && seq_.inclusive && !seq_.pos_hi.empty() ? seq_.pos_hi : seq_.pos;
      KESTREL_RETURN_IF_FAILED(Seek(key, from, seq_.inclusive, forward, &hit, &found, &seq_cursor_));
      if (!found) return Outcome::Code(rt::Error_RecordNotAvailable);
      seq_.pos.swap(hit.key);
      seq_.pos_hi.clear();
      seq_.inclusive = false;
    }
    return Outcome::OK();
  }, true);
}

int KestrelTable::Bof(bool* result) {
  *result = true;
  return RunOp(false, [&]() -> Outcome {
    if (seq_.order == Order::kNone || seq_.exhausted || seq_.locate_pending) return Outcome::OK();
    if (seq_.pos.empty()) return Outcome::OK();
    const int key = seq_.order == Order::kFile ? kFileOrder : seq_.key;
    Hit hit;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(Seek(key, seq_.pos, false, false, &hit, &found));
    *result = !found;
    return Outcome::OK();
  }, true);
}

int KestrelTable::Eof(bool* result) {
  *result = true;
  return RunOp(false, [&]() -> Outcome {
    if (seq_.order == Order::kNone || seq_.exhausted) return Outcome::OK();
    if (seq_.locate_pending) KESTREL_RETURN_IF_FAILED(ResolveLocate(true));
    const int key = seq_.order == Order::kFile ? kFileOrder : seq_.key;
    Hit hit;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(Seek(key, seq_.pos, seq_.inclusive, true, &hit, &found));
    *result = !found;
    return Outcome::OK();
  }, true);
}

int KestrelTable::Position(int key, std::string* position) {
  position->clear();
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  if (current_ == 0) return Post(rt::Error_RecordNotAvailable);
  return RunOp(false, [&, key]() -> Outcome {
    Append32BE(position, current_);
    if (key == kFileOrder) return Outcome::OK();
    Status s = EncodeKeyComponents(def_, def_.keys[key], StoredRow(read_image_), locale_.tables, position);
    if (!s.ok() && s.isCorruption()) return s.inFile(file_->name);
    return s;
  }, true);
}

int KestrelTable::ResetTo(int key, std::string_view position) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  if (position.size() < 4) return Post(rt::Error_RecordNotAvailable);
  const uint32_t id = Get32BE(position.data());
  seq_ = Sequence();
  seq_.inclusive = true;
  if (key == kFileOrder) {
    seq_.order = Order::kFile;
    seq_.pos = DataKey(table_, id);
  } else {
    seq_.order = Order::kKey;
    seq_.key = key;
    if (!def_.keys[key].dynamic()) seq_.pos = OrderPrefix(key);
    seq_.pos.append(position.substr(4));
    if (def_.keys[key].duplicates() || def_.keys[key].dynamic()) Append32BE(&seq_.pos, id);
  }
  return Post(0);
}

int KestrelTable::Reget(int key, std::string_view position) {
  if (!file_) return Post(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Post(rt::Error_InvalidIndexString);
  if (position.size() < 4) return Post(rt::Error_RecordNotFound);
  const uint32_t id = Get32BE(position.data());
  return Reading([&, key, id]() -> Outcome {
    if (key != kFileOrder) {
      std::string entry_key = def_.keys[key].dynamic() ? std::string() : OrderPrefix(key);
      entry_key.append(position.substr(4));
      if (def_.keys[key].duplicates() || def_.keys[key].dynamic()) Append32BE(&entry_key, id);
      uint32_t entry_id = 0;
      if (def_.keys[key].dynamic()) {
        auto it = dynamic_[key].find(entry_key);
        if (it == dynamic_[key].end()) return Outcome::Code(rt::Error_RecordNotFound);
        entry_id = it->second;
      } else {
        Cursor c;
        bool found = false;
        KESTREL_RETURN_IF_FAILED(file_->store->Find(entry_key, &c, &found));
        if (!found) return Outcome::Code(rt::Error_RecordNotFound);
        if (c.value().size() != 4) return Status::Corruption(kCheckEntryValue, file_->name);
        entry_id = Get32BE(c.value().data());
      }
      if (entry_id != id) return Outcome::Code(rt::Error_RecordNotFound);
    }
    bool found = false;
    KESTREL_RETURN_IF_FAILED(ReadRecord(id, &found));
    if (!found) return Outcome::Code(rt::Error_RecordNotFound);
    return PositionAtCurrent();
  });
}

}  // namespace kestrel
