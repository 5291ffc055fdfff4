#include "runtime/kestrel/format/definition_codec.h"

#include <optional>
#include <utility>

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

bool MemoryDefinitionBlocks::Load(uint16_t n, std::string* out) {
  auto it = blocks.find(n);
  if (it == blocks.end()) return false;
  *out = it->second;
  return true;
}

namespace {

constexpr size_t kMaxKeys = 240;
constexpr size_t kMaxMemos = 255;
constexpr size_t kMaxStringLength = 0xFFFF;
// Every component takes at least one of the 7526 bytes a key may have.
constexpr size_t kMaxComponents = 7526;

// Walks the stream item by item through one 512-byte block buffer. After the
// first failure every item is a no-op, so the walk reads straight through.
class Walker {
 public:
  Walker(DefinitionMode mode, DefinitionBlocks* blocks, const DefinitionOptions& options)
      : mode_(mode), blocks_(blocks), options_(options) {
    if (mode_ != DefinitionMode::kWrite) LoadBlock();
  }

  bool ok() const { return status_.ok(); }
  bool writing() const { return mode_ == DefinitionMode::kWrite; }
  bool verifying() const { return mode_ == DefinitionMode::kVerify; }
  bool reading() const { return mode_ == DefinitionMode::kRead; }
  const DefinitionOptions& options() const { return options_; }
  void Fail(Status s) {
    if (status_.ok()) status_ = std::move(s);
  }

  Status Finish() {
    if (ok() && writing() && !buffer_.empty()) blocks_->Store(block_, buffer_);
    return status_;
  }

  // Transfers one byte: written from *v, or read into *stored (kVerify) or *v (kRead).
  void Byte(uint8_t* v, uint8_t* stored = nullptr) {
    if (!ok()) return;
    if (writing()) {
      Put(static_cast<char>(*v));
      return;
    }
    uint8_t b = static_cast<uint8_t>(Get());
    if (verifying() && stored) *stored = b;
    if (reading()) *v = b;
  }

  void Word(uint16_t* v, uint16_t* stored = nullptr) {
    uint8_t lo = static_cast<uint8_t>(*v), hi = static_cast<uint8_t>(*v >> 8);
    uint8_t slo = 0, shi = 0;
    Byte(&lo, &slo);
    Byte(&hi, &shi);
    if (verifying() && stored) *stored = static_cast<uint16_t>(slo | (shi << 8));
    if (reading()) *v = static_cast<uint16_t>(lo | (hi << 8));
  }

  // A word compared in kVerify: a difference fails Mismatch(item).
  void CheckedWord(uint16_t* v, const char* item) {
    uint16_t stored = *v;
    Word(v, &stored);
    if (ok() && verifying() && stored != *v) Fail(Status::Mismatch(item));
  }
  void CheckedByte(uint8_t* v, const char* item) {
    uint8_t stored = *v;
    Byte(v, &stored);
    if (ok() && verifying() && stored != *v) Fail(Status::Mismatch(item));
  }

  // A string: read and written, never compared.
  void String(std::optional<std::string>* v) {
    if (!ok()) return;
    if (writing()) {
      if (!v->has_value()) {
        Put('\0');
        Put('\x01');
        return;
      }
      // A zero byte ends the string, so only the text before one can be stored.
      const std::string_view text((*v)->c_str());
      for (char c : text) Put(c);
      Put('\0');
      if (text.empty()) Put('\0');
      return;
    }
    std::string text;
    char c = Get();
    if (c == '\0') {
      const char marker = Get();
      if (marker != '\0' && marker != '\x01') Fail(Status::Corruption(Check::kDefinitionStream));
      if (reading()) *v = marker == '\0' ? std::optional<std::string>(std::string()) : std::nullopt;
      return;
    }
    while (ok() && c != '\0') {
      if (text.size() >= kMaxStringLength) return Fail(Status::Corruption(Check::kDefinitionStream));
      text.push_back(c);
      c = Get();
    }
    if (reading()) *v = std::move(text);
  }

  void String(std::string* v) {
    std::optional<std::string> o = *v;
    String(&o);
    if (reading()) *v = o.value_or(std::string());
  }

 private:
  void Put(char c) {
    buffer_.push_back(c);
    if (buffer_.size() == kDefinitionBlockSize) {
      blocks_->Store(block_, buffer_);
      buffer_.clear();
      NextBlockNumber();
    }
  }

  char Get() {
    if (!ok()) return '\0';
    if (pos_ == kDefinitionBlockSize) {
      NextBlockNumber();
      if (!ok()) return '\0';
      LoadBlock();
    }
    return buffer_[pos_++];
  }

  void NextBlockNumber() {
    if (block_ == 0xFFFF) return Fail(Status::Corruption(Check::kDefinitionStream));
    ++block_;
  }

  void LoadBlock() {
    pos_ = 0;
    if (!blocks_->Load(block_, &buffer_)) buffer_.clear();
    if (buffer_.size() > kDefinitionBlockSize) Fail(Status::Corruption(Check::kDefinitionStream));
    buffer_.resize(kDefinitionBlockSize, '\0');
  }

  DefinitionMode mode_;
  DefinitionBlocks* blocks_;
  DefinitionOptions options_;
  Status status_;
  std::string buffer_;
  uint16_t block_ = 0;
  size_t pos_ = 0;
};

// A count of items: written from the declaration, compared, or used to size it.
template <typename T>
void Count(Walker& w, std::vector<T>* items, const char* item, size_t limit) {
  if (!w.writing() && !w.ok()) return;
  if (items->size() > 0xFFFF) return w.Fail(Status::Corruption(Check::kDefinitionStream));
  uint16_t n = static_cast<uint16_t>(items->size());
  w.CheckedWord(&n, item);
  if (w.ok() && n > limit) return w.Fail(Status::Corruption(Check::kDefinitionStream));
  if (w.ok() && w.reading()) items->resize(n);
}

void WalkField(Walker& w, FieldDef* f) {
  uint8_t type = static_cast<uint8_t>(f->type);
  w.CheckedByte(&type, "TYPE");
  if (w.reading()) f->type = static_cast<FieldType>(type);
  w.Word(&f->offset);
  w.String(&f->name);
  w.CheckedWord(&f->elements, "DIM");
  w.CheckedWord(&f->size, "SIZE");
  w.CheckedWord(&f->overlay, "OVER");
  w.Word(&f->position);
  if (IsDecimal(static_cast<FieldType>(type))) {
    if (w.options().decimal_check) {
      w.CheckedByte(&f->places, "SIZE");
      w.CheckedByte(&f->element_size, "PLACES");
    } else {
      w.Byte(&f->places);
      w.Byte(&f->element_size);
    }
  } else if (IsText(static_cast<FieldType>(type))) {
    w.Word(&f->chars);
    w.String(&f->picture);
  }
}

void WalkMemo(Walker& w, MemoDef* m) {
  w.String(&m->external_name);
  w.String(&m->label);
  uint16_t size = m->size, stored_size = m->size;
  w.Word(&size, &stored_size);
  uint16_t attributes = m->attributes, stored_attributes = m->attributes;
  w.Word(&attributes, &stored_attributes);
  if (w.reading()) {
    m->size = size;
    m->attributes = attributes;
  }
  if (!w.ok() || !w.verifying()) return;
  // A blob's declared size is only a hint; its stored size may differ.
  const bool blob = ((m->attributes | stored_attributes) & kMemoBlob) != 0;
  if (!blob && stored_size != m->size) return w.Fail(Status::Mismatch("SIZE"));
  if ((stored_attributes & kMemoBinary) != (m->attributes & kMemoBinary)) {
    w.Fail(Status::Mismatch("BINARY"));
  }
}

void WalkKey(Walker& w, KeyDef* k) {
  w.String(&k->external_name);
  w.String(&k->label);
  uint8_t attributes = k->attributes, stored = k->attributes;
  w.Byte(&attributes, &stored);
  if (w.reading()) k->attributes = attributes;
  if (w.ok() && w.verifying() && (stored & ~kKeyPrimary) != (k->attributes & ~kKeyPrimary)) {
    return w.Fail(Status::Mismatch("ATTRIBUTE"));
  }
  Count(w, &k->components, "FIELDS", kMaxComponents);
  for (KeyComponent& c : k->components) {
    if (!w.ok()) return;
    w.CheckedWord(&c.field, "FIELD");
    w.CheckedWord(&c.direction, "ASCENDING");
  }
}

}  // namespace

Status WalkDefinition(DefinitionMode mode, TableDef* t, DefinitionBlocks* blocks,
                      const DefinitionOptions& options) {
  Walker w(mode, blocks, options);
  if (w.writing()) t->version = t->RequiredVersion();
  uint16_t version = t->version, stored_version = t->version;
  w.Word(&version, &stored_version);
  if (w.verifying()) version = stored_version;
  if (!w.writing()) {
    if (version > kNewestDefinitionVersion) return Status::Mismatch(kNewerFormatMessage);
    if (version == 0) return Status::Corruption(Check::kDefinitionStream);
    if (w.reading()) t->version = version;
  }
  w.Word(&t->record_length);  // read, never compared
  Count(w, &t->fields, "FIELDS", 0xFFFF);
  Count(w, &t->memos, "MEMOS", kMaxMemos);
  Count(w, &t->keys, "KEYS", kMaxKeys);
  for (FieldDef& f : t->fields) {
    if (!w.ok()) break;
    WalkField(w, &f);
  }
  for (MemoDef& m : t->memos) {
    if (!w.ok()) break;
    WalkMemo(w, &m);
  }
  for (KeyDef& k : t->keys) {
    if (!w.ok()) break;
    WalkKey(w, &k);
  }
  return w.Finish();
}

Status CheckKeySizes(const TableDef& t) {
  for (const KeyDef& k : t.keys) {
    size_t total = 0;
    for (const KeyComponent& c : k.components) {
      if (c.field >= t.fields.size()) return Status::Corruption(Check::kFieldLayout);
      total += t.fields[c.field].size;
    }
    if (total > 7526) return Status::Mismatch(kKeyTooLongMessage);
  }
  return Status::OK();
}

}  // namespace kestrel
