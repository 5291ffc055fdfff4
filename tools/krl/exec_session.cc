#include "tools/krl/exec_session.h"

#include <algorithm>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
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

// {"ok":true} followed by `more`'s members.
std::string Ok(const Json& more = Json::object()) {
  Json answer = {{"ok", true}};
  for (auto it = more.begin(); it != more.end(); ++it) answer[it.key()] = it.value();
  return JsonLine(answer);
}

// The answer to a failed driver operation: its code and text, and the
// driver's details when it gave some.
std::string Failure(int code) {
  Json answer = {{"ok", false}, {"error", code}, {"message", TextJson(rt::errorMessageOf(code))}};
  const std::string detail(rt::trimRight(rt::FileError()));
  if (!detail.empty() && (code == rt::Error_InvalidRecordDeclaration || code == rt::Error_FileSystemError)) answer["detail"] = TextJson(detail);
  return JsonLine(answer);
}

// Member `name` of the request; null when absent.
const Json* Find(const Json& req, const char* name) {
  auto it = req.find(name);
  return it == req.end() ? nullptr : &*it;
}

const std::string* StringMember(const Json& req, const char* name) {
  const Json* v = Find(req, name);
  return v && v->is_string() ? &v->get_ref<const std::string&>() : nullptr;
}

bool TrueMember(const Json& req, const char* name) {
  const Json* v = Find(req, name);
  return v && v->is_boolean() && v->get<bool>();
}

// A record id member: a whole number from 1 to 2^32-1.
bool IdMember(const Json& req, uint32_t* id) {
  const Json* v = Find(req, "id");
  if (!v || !v->is_number()) return false;
  const double n = v->get<double>();
  if (n < 1 || n > 4294967295.0) return false;
  *id = static_cast<uint32_t>(n);
  return true;
}

// Requests nest a few levels; a deeper one is refused before it is built.
constexpr int kMaxDepth = 64;

}  // namespace

std::string ErrorAnswer(int code, const std::string& message) {
  return JsonLine(Json{{"ok", false}, {"error", code}, {"message", TextJson(message)}});
}

ExecSession::~ExecSession() {
  if (!transaction_.empty()) kestrel::Transaction::Global().Rollback();
  tables_.clear();
}

std::string ExecSession::Handle(const std::string& line) {
  Json req;
  bool too_deep = false;
  try {
    req = Json::parse(line, [&](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxDepth) too_deep = true;
      return !too_deep;
    });
  } catch (const Json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 9: ..."
    std::string what = e.what();
    if (const size_t end = what.find("] "); what.rfind("[json.exception.", 0) == 0 && end != std::string::npos) {
      what.erase(0, end + 2);
    }
    return ErrorAnswer(0, "malformed request: " + what);
  }
  if (too_deep) return ErrorAnswer(0, "malformed request: nesting too deep");
  if (!req.is_object()) return ErrorAnswer(0, "a request is a JSON object");
  const std::string* op = StringMember(req, "op");
  if (!op) return ErrorAnswer(0, "the request has no \"op\"");
  rt::clearError();
  return Dispatch(*op, req);
}

KestrelTable* ExecSession::TableFor(const Json& req, std::string* answer) {
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

std::string ExecSession::Create(const Json& req) {
  const std::string* file = StringMember(req, "file");
  const std::string* table = StringMember(req, "table");
  if (!file || file->empty()) return ErrorAnswer(0, "the request has no \"file\"");
  kestrel::TableDeclaration decl;
  decl.name = *file + (table && !table->empty() ? std::string(kestrel::kTableSeparator) + *table : std::string());
  decl.create = true;
  decl.oem = TrueMember(req, "oem");
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

bool ExecSession::FillBuffers(const Json& req, KestrelTable* t, std::string* error) {
  if (const Json* fields = Find(req, "fields")) {
    if (!fields->is_object()) {
      *error = "\"fields\" must be an object";
      return false;
    }
    for (const auto& [label, value] : fields->items()) {
      const int f = t->FieldIndex(label);
      if (f < 0) {
        *error = "no field " + label;
        return false;
      }
      if (!SetFieldFromJson(t->def().fields[f], value, &t->record(), error)) return false;
    }
  }
  if (const Json* memos = Find(req, "memos")) {
    if (!memos->is_object()) {
      *error = "\"memos\" must be an object";
      return false;
    }
    for (const auto& [label, value] : memos->items()) {
      size_t m = 0;
      while (m < t->def().memos.size() && !kestrel::SameName(t->def().memos[m].label, label)) ++m;
      if (m == t->def().memos.size()) {
        *error = "no memo " + label;
        return false;
      }
      std::string text;
      if (!value.is_string() || !rt::utf8ToWindows1252(value.get_ref<const std::string&>(), &text)) {
        *error = "memo " + label + ": text in Windows-1252 characters expected";
        return false;
      }
      t->memos().resize(t->def().memos.size());
      t->memos()[m] = text;
    }
  }
  return true;
}

Json ExecSession::Record(KestrelTable* t) {
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

std::string ExecSession::Get(const Json& req, KestrelTable* t) {
  if (const Json* hold = Find(req, "hold")) {
    if (hold->is_boolean() && hold->get<bool>()) t->Hold();
    if (hold->is_number()) t->Hold(static_cast<int>(hold->get<double>()));
  }
  if (TrueMember(req, "watch")) t->Watch();
  if (TrueMember(req, "nomemo")) t->NoMemo();
  int rc = 0;
  if (Find(req, "id")) {
    uint32_t id = 0;
    if (!IdMember(req, &id)) return ErrorAnswer(0, "\"id\" must be a record id");
    rc = t->GetById(id);
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
  return Ok({{"record", Record(t)}});
}

std::string ExecSession::Scan(const Json& req, KestrelTable* t) {
  const bool back = TrueMember(req, "reverse");
  size_t limit = 1000000;
  if (const Json* l = Find(req, "limit"); l && l->is_number() && l->get<double>() >= 0) {
    limit = static_cast<size_t>(std::min(l->get<double>(), 1e15));
  }
  int rc = 0;
  const std::string* key = StringMember(req, "key");
  if (!key) {
    rc = t->SetFile();
  } else {
    const int k = t->KeyIndex(*key);
    if (k < 0) return ErrorAnswer(0, "no key " + *key);
    const Json* from = Find(req, "from");
    if (from) {
      t->record() = BlankRow(t->def());
      const Json fields = {{"fields", *from}};
      std::string error;
      if (!FillBuffers(fields, t, &error)) return ErrorAnswer(0, error);
      rc = t->SetKeyKey(k);
    } else {
      rc = t->SetKey(k);
    }
  }
  if (rc != 0) return Failure(rc);
  Json records = Json::array();
  for (size_t n = 0; n < limit; ++n) {
    rc = back ? t->Previous() : t->Next();
    if (rc == rt::Error_RecordNotAvailable) break;
    if (rc != 0) return Failure(rc);
    records.push_back(Record(t));
  }
  return Ok({{"records", std::move(records)}});
}

std::string ExecSession::Write(const std::string& op, const Json& req, KestrelTable* t) {
  std::string error;
  if (op == "add") {
    t->record() = BlankRow(t->def());
    t->memos().assign(t->def().memos.size(), std::string());
    if (!FillBuffers(req, t, &error)) return ErrorAnswer(0, error);
    const int rc = t->Add();
    return rc == 0 ? Ok({{"id", t->currentId()}}) : Failure(rc);
  }
  uint32_t id = 0;
  if (!IdMember(req, &id)) return ErrorAnswer(0, op + " needs the record's \"id\"");
  int rc = 0;
  if (!Locate(t, id, &rc)) return Failure(rc);
  if (op == "delete") {
    rc = t->Delete();
    return rc == 0 ? Ok() : Failure(rc);
  }
  if (!FillBuffers(req, t, &error)) return ErrorAnswer(0, error);
  rc = t->Put();
  return rc == 0 ? Ok() : Failure(rc);
}

std::string ExecSession::Begin(const Json& req) {
  if (!transaction_.empty()) return ErrorAnswer(0, "a transaction is already open");
  const Json* files = Find(req, "files");
  if (!files || !files->is_array() || files->empty()) return ErrorAnswer(0, "begin needs \"files\"");
  for (const Json& f : *files) {
    if (!f.is_string() || f.get_ref<const std::string&>().empty()) return ErrorAnswer(0, "\"files\" must hold file names");
    std::shared_ptr<kestrel::PhysicalFile> file;
    kestrel::Outcome o = kestrel::PhysicalFileList::Global().Acquire(
        kestrel::WithDefaultExtension(f.get<std::string>()), kShared, false, false, &file);
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

std::string ExecSession::Dispatch(const std::string& op, const Json& req) {
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
    return rc == 0 ? Ok({{"count", n}}) : Failure(rc);
  }
  if (op == "send") {
    const std::string* command = StringMember(req, "command");
    if (!command) return ErrorAnswer(0, "send needs a \"command\"");
    std::string result;
    const int rc = t->Send(*command, &result);
    return rc == 0 ? Ok({{"result", TextJson(result)}}) : Failure(rc);
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
    const Json* s = Find(req, "seconds");
    const int rc = s && s->is_number() ? t->Lock(static_cast<int>(s->get<double>())) : t->Lock();
    return rc == 0 ? Ok() : Failure(rc);
  }
  const int rc = t->Unlock();
  return rc == 0 ? Ok() : Failure(rc);
}

}  // namespace krl
