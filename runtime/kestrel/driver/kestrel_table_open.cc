// Open, create, close, remove and empty a table; the table's definition,
// locale and statistics records; driver commands.
#include <sys/stat.h>

#include <cstdlib>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/driver/send_command.h"
#include "runtime/kestrel/driver/transaction.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/os/open_mode.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Definition blocks of one table in the page store.
class StoreDefinitionBlocks : public DefinitionBlocks {
 public:
  StoreDefinitionBlocks(PageStore* store, uint32_t table) : store_(store), table_(table) {}

  bool Load(uint16_t n, std::string* out) override {
    Cursor c;
    bool found = false;
    Outcome o = store_->Find(DefinitionKey(table_, n), &c, &found);
    if (!o.ok()) {
      if (error_.ok()) error_ = o;
      return false;
    }
    if (found) out->assign(c.value());
    return found;
  }
  void Store(uint16_t n, std::string_view bytes) override {
    Outcome o = store_->Insert(Record(DefinitionKey(table_, n), bytes));
    if (!o.ok() && error_.ok()) error_ = o;
  }
  const Outcome& error() const { return error_; }

 private:
  PageStore* store_;
  uint32_t table_;
  Outcome error_;
};

std::string_view NamePrefix() {
  static const char kName = static_cast<char>(kKindName);
  return std::string_view(&kName, 1);
}

}  // namespace

void KestrelTable::ResetState() {
  current_ = 0;
  seq_ = Sequence();
  seq_cursor_.Reset();
  entry_hints_.clear();
  row_hint_.leaf.Reset();
  hold_requested_ = watch_requested_ = watch_active_ = nomemo_requested_ = false;
  held_id_ = 0;
  memos_loaded_ = true;
  stream_ = false;
  deferred_ops_ = 0;
  table_lock_depth_ = 0;
  dynamic_.clear();
}

void KestrelTable::ApplyDriverString() {
  for (const std::string& text : DriverStringCommands(decl_.driver_string)) {
    SendCommand c = ParseSendCommand(text);
    if (c.word == "DECIMALCHECK") {
      ParseSwitch(c.value, &decimal_check_);
    } else if (c.word == "FULLBUILD") {
      ParseSwitch(c.value, &full_build_);
    } else if (c.word == "TCF") {
      Transaction::Global().SetControlFile(c.has_value ? c.value : std::string());
    }
  }
}

Outcome KestrelTable::VerifyOrReadDefinition() {
  StoreDefinitionBlocks blocks(file_->store.get(), table_);
  DefinitionOptions options;
  options.decimal_check = decimal_check_;
  Status s;
  if (decl_.layout) {
    TableDef declared = *decl_.layout;
    s = WalkDefinition(DefinitionMode::kVerify, &declared, &blocks, options);
  } else {
    TableDef read;
    s = WalkDefinition(DefinitionMode::kRead, &read, &blocks, options);
    if (s.ok()) def_ = std::move(read);
  }
  if (!blocks.error().ok()) return blocks.error();
  if (s.isCorruption()) return s.inFile(file_->name);
  return s;
}

Outcome KestrelTable::EnsureStatistics() {
  std::vector<uint8_t> missing;
  uint32_t count = 0, marker = 0;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(ReadStats(kKindData, &count, &marker, &found));
  if (!found) missing.push_back(kKindData);
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    if (def_.keys[k].dynamic()) continue;
    KESTREL_RETURN_IF_FAILED(ReadStats(static_cast<uint8_t>(k), &count, &marker, &found));
    if (!found) missing.push_back(static_cast<uint8_t>(k));
  }
  if (missing.empty() || !WantsWrite(file_->mode)) return Outcome::OK();
  file_->store->BeginWriteCycle();
  for (uint8_t subject : missing) KESTREL_RETURN_IF_FAILED(WriteStats(subject, 0, 0));
  return Outcome::OK();
}

Outcome KestrelTable::OpenTable(int, bool) {
  PageStore* store = file_->store.get();
  Cursor c;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(store->Find(NameKey(name_.table), &c, &found));
  if (!found) return Outcome::Code(rt::Error_FileNotFound);
  if (!DecodeTableNumber(c.value(), &table_).ok()) return Status::Corruption(kCheckNameRecord, file_->name);
  KESTREL_RETURN_IF_FAILED(VerifyOrReadDefinition());
  locale_ = LocaleRecord{decl_.oem, DefaultLocaleTables()};
  KESTREL_RETURN_IF_FAILED(store->Find(LocaleKey(table_), &c, &found));
  if (found && !LocaleRecord::Decode(c.value(), &locale_).ok()) {
    return Status::Corruption(Check::kRecordValue, file_->name);
  }
  return EnsureStatistics();
}

Outcome KestrelTable::RemoveTableRecords(PageStore* store, uint32_t table, bool keep_name) {
  std::vector<std::string> keys;
  const std::string prefix = TablePrefix(table);
  Cursor c;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found));
  while (found && StartsWith(c.key(), prefix)) {
    keys.emplace_back(c.key());
    KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
  }
  if (!keep_name) {
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(NamePrefix(), &c, &found));
    while (found && StartsWith(c.key(), NamePrefix())) {
      uint32_t tn = 0;
      if (DecodeTableNumber(c.value(), &tn).ok() && tn == table) keys.emplace_back(c.key());
      KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    }
  }
  for (const std::string& k : keys) KESTREL_RETURN_IF_FAILED(store->Remove(k, &found));
  return Outcome::OK();
}

Outcome KestrelTable::WriteNewTable() {
  PageStore* store = file_->store.get();
  Cursor c;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(store->Find(NameKey(name_.table), &c, &found));
  if (found) {
    uint32_t old = 0;
    if (!DecodeTableNumber(c.value(), &old).ok()) return Status::Corruption(kCheckNameRecord, file_->name);
    KESTREL_RETURN_IF_FAILED(RemoveTableRecords(store, old, false));
  }
  KESTREL_RETURN_IF_FAILED(store->NextId(&table_));
  KESTREL_RETURN_IF_FAILED(store->Insert(Record(NameKey(name_.table), EncodeTableNumber(table_))));
  locale_ = LocaleRecord{decl_.oem, DefaultLocaleTables()};
  KESTREL_RETURN_IF_FAILED(store->Insert(Record(LocaleKey(table_), locale_.Encode())));
  StoreDefinitionBlocks blocks(store, table_);
  Status s = WalkDefinition(DefinitionMode::kWrite, &def_, &blocks);
  if (!blocks.error().ok()) return blocks.error();
  if (!s.ok()) return s;
  KESTREL_RETURN_IF_FAILED(WriteStats(kKindData, 0, 0));
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    if (!def_.keys[k].dynamic()) KESTREL_RETURN_IF_FAILED(WriteStats(static_cast<uint8_t>(k), 0, 0));
  }
  return Outcome::OK();
}

int KestrelTable::Open(int mode) {
  if (file_) return Post(rt::Error_FileAlreadyOpen);
  if (name_error_ != 0) return Post(name_error_);
  if (AccessOf(mode) == kAccessWrite) return Post(rt::Error_AccessDenied);
  ApplyDriverString();
  if (decl_.layout) {
    def_ = *decl_.layout;
    Status s = CheckKeySizes(def_);
    if (!s.ok()) return Finish(s);
  }
  std::shared_ptr<PhysicalFile> f;
  Outcome o = PhysicalFileList::Global().Acquire(name_.physical, mode, false, decl_.per_thread, &f);
  if (!o.ok()) return Finish(o);
  file_ = f;
  ResetState();
  const int rc = RunOp(false, [&] { return OpenTable(mode, false); });
  if (rc != 0) {
    PhysicalFileList::Global().Release(file_);
    file_.reset();
    return rc;
  }
  record_.assign(def_.record_length, '\0');
  memos_.assign(def_.memos.size(), std::string());
  return rc;
}

int KestrelTable::Share(int mode) { return Open(mode); }

int KestrelTable::Create() {
  if (name_error_ != 0) return Post(name_error_);
  if (!decl_.create) return Post(rt::Error_NoCreateAttribute);
  if (!decl_.layout) return Post(rt::Error_InvalidRecordDeclaration);
  ApplyDriverString();
  def_ = *decl_.layout;
  Status s = CheckKeySizes(def_);
  if (!s.ok()) return Finish(s);
  const bool was_open = file_ != nullptr;
  if (!was_open) {
    Outcome o = PhysicalFileList::Global().Acquire(name_.physical, kAccessReadWrite | kDenyNone, true,
                                                   decl_.per_thread, &file_);
    if (!o.ok()) {
      file_.reset();
      return Finish(o);
    }
  }
  int rc = RunOp(true, [&] { return WriteNewTable(); });
  if (!was_open) {
    Outcome o = PhysicalFileList::Global().Release(file_);
    file_.reset();
    if (rc == 0 && !o.ok()) rc = Finish(o);
  }
  record_.assign(def_.record_length, '\0');
  memos_.assign(def_.memos.size(), std::string());
  ResetState();
  return rc;
}

int KestrelTable::Close() {
  noted_builds_.clear();
  if (!file_) return Post(0);
  Outcome o;
  {
    std::lock_guard<std::recursive_mutex> guard(file_->mutex);
    PageStore* store = file_->store.get();
    ReleaseHold();
    for (; table_lock_depth_ > 0; --table_lock_depth_) store->ReleaseDriverLock(table_ + 1);
    if (file_->pending_failure == 0 && !file_->store->inTransaction()) {
      if (store->writeMode()) {
        store->BeginOperation();
        o = file_->ApplyCounts();
        if (o.ok()) {
          o = store->EndOperation(false);
        } else {
          store->Discard();
        }
      }
      if (o.ok() && file_->uses > 1 && WantsWrite(file_->mode)) o = store->TruncateToEnd();
    }
  }
  Outcome r = PhysicalFileList::Global().Release(file_);
  file_.reset();
  ResetState();
  return Finish(o.ok() ? r : o);
}

int KestrelTable::Remove() {
  if (name_error_ != 0) return Post(name_error_);
  if (file_) Close();
  std::shared_ptr<PhysicalFile> f;
  Outcome o = PhysicalFileList::Global().Acquire(name_.physical, kAccessReadWrite | kDenyNone, false,
                                                 decl_.per_thread, &f);
  if (!o.ok()) return Finish(o);
  file_ = f;
  bool delete_file = false;
  int rc = RunOp(true, [&]() -> Outcome {
    PageStore* store = file_->store.get();
    Cursor c;
    bool found = false;
    KESTREL_RETURN_IF_FAILED(store->Find(NameKey(name_.table), &c, &found));
    if (!found) return Outcome::Code(rt::Error_FileNotFound);
    uint32_t tn = 0;
    if (!DecodeTableNumber(c.value(), &tn).ok()) return Status::Corruption(kCheckNameRecord, file_->name);
    bool others = false;
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(NamePrefix(), &c, &found));
    while (found && StartsWith(c.key(), NamePrefix())) {
      if (c.key() != NameKey(name_.table)) others = true;
      KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    }
    if (!others && file_->uses == 1) {
      delete_file = true;
      return Outcome::OK();
    }
    return RemoveTableRecords(store, tn, false);
  });
  PhysicalFileList::Global().Release(file_);
  file_.reset();
  f.reset();  // the last reference: its descriptor closes
  // Deleted only when no other process has it open either: their later
  // writes would go to a file nobody finds again.
  if (rc == 0 && delete_file) return Finish(Outcome::Code(File::DeleteUnused(name_.physical)));
  return rc;
}

int KestrelTable::Empty() {
  return RunOp(true, [&]() -> Outcome {
    PageStore* store = file_->store.get();
    KESTREL_RETURN_IF_FAILED(RemoveTableRecords(store, table_, true));
    // The locale record is written again too: without it an OEM table would
    // lose its character set.
    KESTREL_RETURN_IF_FAILED(store->Insert(Record(LocaleKey(table_), locale_.Encode())));
    StoreDefinitionBlocks blocks(store, table_);
    TableDef d = def_;
    Status s = WalkDefinition(DefinitionMode::kWrite, &d, &blocks);
    if (!blocks.error().ok()) return blocks.error();
    if (!s.ok()) return s;
    KESTREL_RETURN_IF_FAILED(WriteStats(kKindData, 0, 0));
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (!def_.keys[k].dynamic()) KESTREL_RETURN_IF_FAILED(WriteStats(static_cast<uint8_t>(k), 0, 0));
    }
    dynamic_.clear();
    if (held_id_ != 0) ReleaseHold();
    current_ = 0;
    seq_ = Sequence();
    return Outcome::OK();
  });
}

int KestrelTable::Logout() {
  if (!file_) return Post(rt::Error_FileNotOpen);
  return Finish(Transaction::Global().Add(file_));
}

int KestrelTable::Send(std::string_view command, std::string* result) {
  result->clear();
  const SendCommand c = ParseSendCommand(command);
  if (c.word == "DECIMALCHECK" || c.word == "FULLBUILD") {
    bool& flag = c.word == "FULLBUILD" ? full_build_ : decimal_check_;
    *result = flag ? "ON" : "OFF";
    if (c.has_value) ParseSwitch(c.value, &flag);
    return Post(0);
  }
  if (c.word == "TCF") {
    *result = Transaction::Global().controlFile();
    Transaction::Global().SetControlFile(c.has_value ? c.value : std::string());
    return Post(0);
  }
  if (c.word == "FLAGS") {
    if (!file_) return Post(rt::Error_FileNotOpen);
    uint32_t count = 0, marker = 0;
    bool found = false;
    int rc = RunOp(false, [&] { return ReadStats(kKindData, &count, &marker, &found); });
    if (rc != 0) return rc;
    *result = std::to_string(marker);
    if (!c.has_value) return rc;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(c.value.c_str(), &end, 10);
    if (c.value.empty() || *end != '\0') return Post(0);
    return RunOp(true, [&] {
      KESTREL_RETURN_IF_FAILED(ReadStats(kKindData, &count, &marker, &found));
      return WriteStats(kKindData, count, static_cast<uint32_t>(v));
    });
  }
  if (c.word == "PNM" || c.word == "PNMQ") {
    if (!file_) return Post(rt::Error_FileNotOpen);
    const bool all = c.word == "PNMQ";
    return RunOp(false, [&]() -> Outcome {
      Cursor cur;
      bool found = false;
      KESTREL_RETURN_IF_FAILED(file_->store->FindAtLeast(NamePrefix(), &cur, &found));
      while (found && StartsWith(cur.key(), NamePrefix())) {
        uint32_t tn = 0;
        const bool mine = DecodeTableNumber(cur.value(), &tn).ok() && tn == table_;
        if (all || mine) {
          if (!result->empty()) result->push_back(',');
          result->append(cur.key().substr(1));
        }
        KESTREL_RETURN_IF_FAILED(file_->store->Next(&cur, &found));
      }
      return Outcome::OK();
    });
  }
  return Post(0);
}

}  // namespace kestrel
