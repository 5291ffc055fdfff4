#include "tools/krl/exec_session.h"

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/table_name.h"
#include "runtime/kestrel/driver/transaction.h"
#include "runtime/kestrel/os/open_mode.h"
#include "tools/krl/exec_fields.h"
#include "tools/krl/json.h"

namespace krl {

using kestrel::KestrelTable;

namespace {

constexpr int kShared = kestrel::kAccessReadWrite | kestrel::kDenyNone;

std::string Ok(const std::string& more = {}) { return "{\"ok\":true" + more + "}"; }

std::string Trim(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// The answer to a failed driver operation: its code and text, and the
// driver's details when it gave some.
std::string Failure(int code) {
  std::string answer = "{\"ok\":false,\"error\":" + std::to_string(code) +
                       ",\"message\":" + JsonString(rt::errorMessageOf(code));
  const std::string detail = Trim(rt::FileError());
  if (!detail.empty() && (code == rt::Error_InvalidRecordDeclaration || code == rt::Error_FileSystemError)) answer += ",\"detail\":" + JsonString(detail);
  return answer + "}";
}

const std::string* StringMember(const JsonValue& req, const char* name) {
  const JsonValue* v = req.Find(name);
  return v && v->isString() ? &v->text : nullptr;
}

}  // namespace

std::string ErrorAnswer(int code, const std::string& message) {
  return "{\"ok\":false,\"error\":" + std::to_string(code) + ",\"message\":" + JsonString(message) + "}";
}

ExecSession::~ExecSession() {
  if (!transaction_.empty()) kestrel::Transaction::Global().Rollback();
  tables_.clear();
}

std::string ExecSession::Handle(const std::string& line) {
  JsonValue req;
  std::string error;
  if (!ParseJson(line, &req, &error)) return ErrorAnswer(0, "malformed request: " + error);
  if (!req.isObject()) return ErrorAnswer(0, "a request is a JSON object");
  const std::string* op = StringMember(req, "op");
  if (!op) return ErrorAnswer(0, "the request has no \"op\"");
  rt::clearError();
  return Dispatch(*op, req);
}

KestrelTable* ExecSession::TableFor(const JsonValue& req, std::string* answer) {
  const std::string* file = StringMember(req, "file");
  const std::string* table = StringMember(req, "table");
  if (!file || file->empty()) {
    *answer = ErrorAnswer(0, "the request has no \"file\"");
    return nullptr;
  }
  std::string full = *file;
  if (table && !table->empty()) full += std::string(kestrel::kTableSeparator) + *table;
  kestrel::TableName name;
  if (int rc = kestrel::SplitTableName(full, &name); rc != 0) {
    *answer = Failure(rc);
    return nullptr;
  }
  Key key{kestrel::UpperName(name.physical), name.table};
  auto it = tables_.find(key);
  if (it != tables_.end() && it->second->isOpen()) return it->second.get();
  kestrel::TableDeclaration decl;
  decl.name = full;
  auto t = std::make_unique<KestrelTable>(decl);
  if (int rc = t->Share(kShared); rc != 0) {
    *answer = Failure(rc);
    return nullptr;
  }
  KestrelTable* raw = t.get();
  tables_[key] = std::move(t);
  return raw;
}

std::vector<KestrelTable*> ExecSession::TablesOf(const std::string& file) {
  std::vector<KestrelTable*> out;
  const std::string physical = kestrel::UpperName(kestrel::WithDefaultExtension(file));
  for (auto& [key, t] : tables_) {
    if (key.first == physical && t->isOpen()) out.push_back(t.get());
  }
  return out;
}

std::string ExecSession::Create(const JsonValue& req) {
  const std::string* file = StringMember(req, "file");
  const std::string* table = StringMember(req, "table");
  if (!file || file->empty()) return ErrorAnswer(0, "the request has no \"file\"");
  kestrel::TableDeclaration decl;
  decl.name = *file + (table && !table->empty() ? std::string(kestrel::kTableSeparator) + *table : std::string());
  decl.create = true;
  const JsonValue* oem = req.Find("oem");
  decl.oem = oem && oem->isBool() && oem->boolean;
  kestrel::TableDef def;
  std::string error;
  if (!LayoutFromJson(req, &def, &error)) return ErrorAnswer(0, error);
  decl.layout = def;
  kestrel::TableName name;
  if (int rc = kestrel::SplitTableName(decl.name, &name); rc != 0) return Failure(rc);
  Key key{kestrel::UpperName(name.physical), name.table};
  tables_.erase(key);
  auto t = std::make_unique<KestrelTable>(decl);
  if (int rc = t->Create(); rc != 0) return Failure(rc);
  if (int rc = t->Share(kShared); rc != 0) return Failure(rc);
  tables_[key] = std::move(t);
  return Ok();
}

bool ExecSession::FillBuffers(const JsonValue& req, KestrelTable* t, std::string* error) {
  if (const JsonValue* fields = req.Find("fields")) {
    if (!fields->isObject()) {
      *error = "\"fields\" must be an object";
      return false;
    }
    for (const auto& [label, value] : fields->members) {
      const int f = t->FieldIndex(label);
      if (f < 0) {
        *error = "no field " + label;
        return false;
      }
      if (!SetFieldFromJson(t->def().fields[f], value, &t->record(), error)) return false;
    }
  }
  if (const JsonValue* memos = req.Find("memos")) {
    if (!memos->isObject()) {
      *error = "\"memos\" must be an object";
      return false;
    }
    for (const auto& [label, value] : memos->members) {
      size_t m = 0;
      while (m < t->def().memos.size() && !kestrel::SameName(t->def().memos[m].label, label)) ++m;
      if (m == t->def().memos.size()) {
        *error = "no memo " + label;
        return false;
      }
      std::string text;
      if (!value.isString() || !Utf8To1252(value.text, &text)) {
        *error = "memo " + label + ": text in Windows-1252 characters expected";
        return false;
      }
      t->memos().resize(t->def().memos.size());
      t->memos()[m] = text;
    }
  }
  return true;
}

std::string ExecSession::Record(KestrelTable* t) {
  return RecordJson(t->tableName().table, t->currentId(), t->def(), t->record(), t->memos());
}

// Makes record `id` current unless it already is (a watch taken by an
// earlier get must survive until the put).
bool ExecSession::Locate(KestrelTable* t, uint32_t id, int* code) {
  *code = 0;
  if (t->currentId() == id) return true;
  *code = t->GetById(id);
  return *code == 0;
}

std::string ExecSession::Get(const JsonValue& req, KestrelTable* t) {
  if (const JsonValue* hold = req.Find("hold")) {
    if (hold->isBool() && hold->boolean) t->Hold();
    if (hold->isNumber()) t->Hold(static_cast<int>(hold->number));
  }
  if (const JsonValue* watch = req.Find("watch"); watch && watch->isBool() && watch->boolean) t->Watch();
  if (const JsonValue* nomemo = req.Find("nomemo"); nomemo && nomemo->isBool() && nomemo->boolean) t->NoMemo();
  int rc = 0;
  if (const JsonValue* id = req.Find("id")) {
    if (!id->isNumber() || id->number < 1 || id->number > 4294967295.0) return ErrorAnswer(0, "\"id\" must be a record id");
    rc = t->GetById(static_cast<uint32_t>(id->number));
  } else {
    const std::string* key = StringMember(req, "key");
    if (!key) return ErrorAnswer(0, "get needs an \"id\" or a \"key\"");
    const int k = t->KeyIndex(*key);
    if (k < 0) return ErrorAnswer(0, "no key " + *key);
    t->record() = BlankRow(t->def());
    std::string error;
    if (!FillBuffers(req, t, &error)) return ErrorAnswer(0, error);
    rc = t->GetByKey(k);
  }
  if (rc != 0) return Failure(rc);
  return Ok(",\"record\":" + Record(t));
}

std::string ExecSession::Scan(const JsonValue& req, KestrelTable* t) {
  const JsonValue* reverse = req.Find("reverse");
  const bool back = reverse && reverse->isBool() && reverse->boolean;
  size_t limit = 1000000;
  if (const JsonValue* l = req.Find("limit"); l && l->isNumber() && l->number >= 0) {
    limit = static_cast<size_t>(l->number);
  }
  int rc = 0;
  const std::string* key = StringMember(req, "key");
  if (!key) {
    rc = t->SetFile();
  } else {
    const int k = t->KeyIndex(*key);
    if (k < 0) return ErrorAnswer(0, "no key " + *key);
    const JsonValue* from = req.Find("from");
    if (from) {
      t->record() = BlankRow(t->def());
      JsonValue fields;
      fields.kind = JsonValue::Kind::kObject;
      fields.members.emplace_back("fields", *from);
      std::string error;
      if (!FillBuffers(fields, t, &error)) return ErrorAnswer(0, error);
      rc = t->SetKeyKey(k);
    } else {
      rc = t->SetKey(k);
    }
  }
  if (rc != 0) return Failure(rc);
  std::string records;
  for (size_t n = 0; n < limit; ++n) {
    rc = back ? t->Previous() : t->Next();
    if (rc == rt::Error_RecordNotAvailable) break;
    if (rc != 0) return Failure(rc);
    if (n) records += ",";
    records += Record(t);
  }
  return Ok(",\"records\":[" + records + "]");
}

std::string ExecSession::Write(const std::string& op, const JsonValue& req, KestrelTable* t) {
  std::string error;
  if (op == "add") {
    t->record() = BlankRow(t->def());
    t->memos().assign(t->def().memos.size(), std::string());
    if (!FillBuffers(req, t, &error)) return ErrorAnswer(0, error);
    const int rc = t->Add();
    return rc == 0 ? Ok(",\"id\":" + std::to_string(t->currentId())) : Failure(rc);
  }
  const JsonValue* id = req.Find("id");
  if (!id || !id->isNumber() || id->number < 1 || id->number > 4294967295.0) {
    return ErrorAnswer(0, op + " needs the record's \"id\"");
  }
  int rc = 0;
  if (!Locate(t, static_cast<uint32_t>(id->number), &rc)) return Failure(rc);
  if (op == "delete") {
    rc = t->Delete();
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (!FillBuffers(req, t, &error)) return ErrorAnswer(0, error);
  rc = t->Put();
  return rc == 0 ? Ok() : Failure(rc);
}

std::string ExecSession::Begin(const JsonValue& req) {
  if (!transaction_.empty()) return ErrorAnswer(0, "a transaction is already open");
  const JsonValue* files = req.Find("files");
  if (!files || !files->isArray() || files->items.empty()) return ErrorAnswer(0, "begin needs \"files\"");
  for (const JsonValue& f : files->items) {
    if (!f.isString() || f.text.empty()) return ErrorAnswer(0, "\"files\" must hold file names");
    std::shared_ptr<kestrel::PhysicalFile> file;
    kestrel::Outcome o = kestrel::PhysicalFileList::Global().Acquire(kestrel::WithDefaultExtension(f.text), kShared,
                                                                     false, false, &file);
    if (o.ok()) o = kestrel::Transaction::Global().Add(file);
    if (!o.ok()) {
      if (file) kestrel::PhysicalFileList::Global().Release(file);
      EndTransaction(false);
      return Failure(o.code());
    }
    transaction_.push_back(file);
  }
  return Ok();
}

std::string ExecSession::EndTransaction(bool commit) {
  if (transaction_.empty()) return ErrorAnswer(0, "no transaction is open");
  kestrel::Outcome o = commit ? kestrel::Transaction::Global().Commit() : kestrel::Transaction::Global().Rollback();
  for (auto& f : transaction_) kestrel::PhysicalFileList::Global().Release(f);
  transaction_.clear();
  return o.ok() ? Ok() : Failure(o.code());
}

std::string ExecSession::Dispatch(const std::string& op, const JsonValue& req) {
  if (op == "create") return Create(req);
  if (op == "begin") return Begin(req);
  if (op == "commit") return EndTransaction(true);
  if (op == "rollback") return EndTransaction(false);
  if (op == "stream" || op == "flush") {
    const std::string* file = StringMember(req, "file");
    if (!file) return ErrorAnswer(0, "the request has no \"file\"");
    std::vector<KestrelTable*> tables = TablesOf(*file);
    if (tables.empty()) return Failure(rt::Error_FileNotOpen);
    for (KestrelTable* t : tables) {
      if (int rc = op == "stream" ? t->Stream() : t->Flush(); rc != 0) return Failure(rc);
    }
    return Ok();
  }
  if (op == "remove") {
    const std::string* file = StringMember(req, "file");
    const std::string* table = StringMember(req, "table");
    if (!file) return ErrorAnswer(0, "the request has no \"file\"");
    const std::string full = *file + (table && !table->empty() ? kestrel::kTableSeparator + *table : std::string());
    kestrel::TableName name;
    if (int rc = kestrel::SplitTableName(full, &name); rc != 0) return Failure(rc);
    tables_.erase(Key{kestrel::UpperName(name.physical), name.table});
    kestrel::TableDeclaration decl;
    decl.name = full;
    const int rc = KestrelTable(decl).Remove();
    return rc == 0 ? Ok() : Failure(rc);
  }
  static const char* kTableOps[] = {"open", "close", "add", "get", "put", "delete", "release", "scan",
                                    "count", "send", "build", "copy", "lock", "unlock"};
  bool known = false;
  for (const char* o : kTableOps) known = known || op == o;
  if (!known) return ErrorAnswer(0, "unknown op " + op);

  std::string answer;
  KestrelTable* t = TableFor(req, &answer);
  if (!t) return answer;
  if (op == "open") return Ok();
  if (op == "close") {
    const int rc = t->Close();
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (op == "add" || op == "put" || op == "delete") return Write(op, req, t);
  if (op == "get") return Get(req, t);
  if (op == "scan") return Scan(req, t);
  if (op == "release") {
    const int rc = t->Release();
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (op == "count") {
    uint32_t n = 0;
    int rc = 0;
    if (const std::string* key = StringMember(req, "key")) {
      const int k = t->KeyIndex(*key);
      if (k < 0) return ErrorAnswer(0, "no key " + *key);
      rc = t->RecordsKey(k, &n);
    } else {
      rc = t->Records(&n);
    }
    return rc == 0 ? Ok(",\"count\":" + std::to_string(n)) : Failure(rc);
  }
  if (op == "send") {
    const std::string* command = StringMember(req, "command");
    if (!command) return ErrorAnswer(0, "send needs a \"command\"");
    std::string result;
    const int rc = t->Send(*command, &result);
    return rc == 0 ? Ok(",\"result\":" + JsonString(result)) : Failure(rc);
  }
  if (op == "build") {
    int rc = 0;
    if (const std::string* key = StringMember(req, "key")) {
      const int k = t->KeyIndex(*key);
      if (k < 0) return ErrorAnswer(0, "no key " + *key);
      rc = t->BuildKey(k);
    } else {
      rc = t->BuildFile();
    }
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (op == "copy") {
    const std::string* to = StringMember(req, "to");
    if (!to) return ErrorAnswer(0, "copy needs \"to\"");
    const int rc = t->Copy(*to);
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (op == "lock") {
    const JsonValue* s = req.Find("seconds");
    const int rc = s && s->isNumber() ? t->Lock(static_cast<int>(s->number)) : t->Lock();
    return rc == 0 ? Ok() : Failure(rc);
  }
  const int rc = t->Unlock();
  return rc == 0 ? Ok() : Failure(rc);
}

}  // namespace krl
