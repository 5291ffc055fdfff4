// Open, create, close, remove and empty a table; the SQL pieces every
// operation shares; table locks, transactions and saved states.
#include "runtime/pgsql/pg_table.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/kestrel/driver/send_command.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/locale.h"

namespace pgsql {

namespace {

// The connections of the calling thread that have a transaction open.
std::set<PgConnection*>& TransactionConnections() {
  thread_local std::set<PgConnection*> connections;
  return connections;
}

// "dir/Grades.KRL" + "STUDENTS" -> "grades$students"; lower case, other
// characters than letters, digits and "_" become "_".
std::string SqlTableName(const kestrel::TableName& n) {
  std::string base = n.physical;
  const size_t slash = base.find_last_of("/\\");
  if (slash != std::string::npos) base.erase(0, slash + 1);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  auto clean = [](std::string_view s) {
    std::string out;
    for (char c : s) {
      const auto u = static_cast<unsigned char>(c);
      out += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
    }
    return out;
  };
  std::string name = clean(base);
  if (n.explicit_table && n.table != "UNNAMED") name += "$" + clean(n.table);
  // With QV_PG_FOLDER_TABLES set, files of one name in different folders
  // are different tables: the folder's hash joins the name.
  if (const char* f = std::getenv("QV_PG_FOLDER_TABLES"); f && *f && std::string(f) != "0") {
    uint32_t h = 2166136261u;  // FNV-1a
    for (char c : kestrel::DirectoryPart(n.physical)) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    char hex[10];
    std::snprintf(hex, sizeof hex, "@%08x", h);
    if (name.size() > 54) name.resize(54);
    name += hex;
  }
  if (name.empty()) name = "unnamed";
  if (name.size() > 63) name.resize(63);
  return name;
}

std::string Literal(std::string_view s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += '\'';
    q += c;
  }
  return q + "'";
}

std::string HexLiteral(std::string_view bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string q = "'\\x";
  for (char c : bytes) {
    q += kHex[static_cast<uint8_t>(c) >> 4];
    q += kHex[static_cast<uint8_t>(c) & 15];
  }
  return q + "'::bytea";
}

std::string DefinitionBytes(kestrel::TableDef def) {
  kestrel::MemoryDefinitionBlocks blocks;
  kestrel::WalkDefinition(kestrel::DefinitionMode::kWrite, &def, &blocks);
  std::string out;
  for (const auto& [n, b] : blocks.blocks) out += b;
  return out;
}

kestrel::MemoryDefinitionBlocks BlocksOf(std::string_view bytes) {
  kestrel::MemoryDefinitionBlocks blocks;
  uint16_t n = 0;
  for (size_t at = 0; at < bytes.size(); at += kestrel::kDefinitionBlockSize) {
    blocks.blocks[n++] = std::string(bytes.substr(at, kestrel::kDefinitionBlockSize));
  }
  return blocks;
}

}  // namespace

PgTable::PgTable(rt::FileControlBlock& file) : file_(&file) {
  kestrel::SplitTableName(file.name, &name_);
  if (!file.decl().fields.empty()) def_ = kestrel::TableDefFromDecl(file.decl());
  typed_ = TypedColumns(file.decl());
  if (const char* env = std::getenv("QV_PG_SCHEMA")) schema_ = env;
  for (const std::string& text : kestrel::DriverStringCommands(file.driver_string)) {
    kestrel::SendCommand c = kestrel::ParseSendCommand(text);
    if (c.word == "SCHEMA") schema_ = c.value;
  }
  table_ = SqlTableName(name_);
  qualified_ = (schema_.empty() ? std::string() : QuoteIdent(schema_) + ".") + QuoteIdent(table_);
}

PgTable::~PgTable() {
  if (open_) Close();
}

int PgTable::Fail(int code, const std::string& message) {
  if (code != 0 && !message.empty()) rt::postFileError(displayName(), message);
  return code;
}

bool PgTable::CheckKey(int key) const { return key >= 0 && static_cast<size_t>(key) < def_.keys.size(); }

bool PgTable::Writable() { return open_ && !read_only_; }

void PgTable::Changed() {
  conn_->changed(table_);
  DropAhead();
}

std::string PgTable::SelectList(int key) const {
  std::string s = "qv_id, qv_row";
  for (size_t m = 0; m < def_.memos.size(); ++m) s += ", " + Column("m", m);
  s += key >= 0 ? ", " + Column("k", key) : ", NULL::bytea";
  return s;
}

PgTable::Row PgTable::RowAt(const PgResult& r, int i) const {
  Row row;
  row.id = static_cast<uint32_t>(r.integer(i, 0));
  row.row.assign(r.bytes(i, 1));
  const int memos = static_cast<int>(def_.memos.size());
  for (int m = 0; m < memos; ++m) row.memos.emplace_back(r.isNull(i, 2 + m) ? std::string_view() : r.bytes(i, 2 + m));
  if (!r.isNull(i, 2 + memos)) row.value.assign(r.bytes(i, 2 + memos));
  return row;
}

std::string PgTable::EntryValue(int key, std::string_view row) const {
  std::string out;
  kestrel::EncodeKeyComponents(def_, def_.keys[key], row, kestrel::DefaultLocaleTables(), &out);
  return out;
}

std::optional<std::string> PgTable::Entry(int key, std::string_view row) const {
  const kestrel::KeyDef& k = def_.keys[key];
  if (k.dynamic()) return std::nullopt;
  if ((k.attributes & kestrel::kKeyExcludeBlank) && kestrel::IsBlankKey(def_, k, row)) return std::nullopt;
  return EntryValue(key, row);
}

std::vector<std::string> PgTable::StoredMemos() const {
  std::vector<std::string> out;
  for (size_t m = 0; m < def_.memos.size(); ++m) {
    std::string v = m < file_->memos.size() ? file_->memos[m] : std::string();
    const kestrel::MemoDef& md = def_.memos[m];
    if (!(md.attributes & (kestrel::kMemoBinary | kestrel::kMemoBlob))) {
      if (v.size() > md.size) v.resize(md.size);
      v.erase(v.find_last_not_of(' ') + 1);
    }
    out.push_back(std::move(v));
  }
  return out;
}

// --- Open and close ---------------------------------------------------------

int PgTable::Open(int mode) {
  if ((mode & 3) == 1) return Fail(rt::Error_AccessDenied);
  if (name_.physical.empty()) return Fail(rt::Error_InvalidFilename);
  int32_t code = 0;
  std::string message;
  conn_ = PgConnection::forThread(conninfo_, &code, &message);
  if (!conn_) return Fail(code, message);
  const std::string catalog = (schema_.empty() ? std::string() : QuoteIdent(schema_) + ".") + "qv_catalog";
  PgResult r = conn_->exec("SELECT def, to_regclass($1)::oid::int8 FROM " + catalog + " WHERE name = $2",
                           {PgParam::Text(qualified_), PgParam::Text(table_)});
  if (!r.ok()) return r.code() == rt::Error_FileNotFound ? Fail(rt::Error_FileNotFound, "No table " + qualified_)
                                                           : Failed(r);
  if (r.rows() == 0 || r.isNull(0, 1)) return Fail(rt::Error_FileNotFound, "No table " + qualified_);
  kestrel::MemoryDefinitionBlocks blocks = BlocksOf(r.bytes(0, 0));
  if (!def_.fields.empty()) {
    kestrel::TableDef declared = def_;
    kestrel::Status s = kestrel::WalkDefinition(kestrel::DefinitionMode::kVerify, &declared, &blocks);
    if (!s.ok()) {
      return Fail(rt::Error_InvalidRecordDeclaration,
                  "Declaration differs from the table " + qualified_ + (s.item().empty() ? "" : ": " + s.item()));
    }
  } else {
    kestrel::TableDef read;
    kestrel::Status s = kestrel::WalkDefinition(kestrel::DefinitionMode::kRead, &read, &blocks);
    if (!s.ok()) return Fail(rt::Error_InvalidDataFile, "Unreadable definition of " + qualified_);
    def_ = read;
    file_->adoptDecl(kestrel::DeclFromTableDef(def_, file_->decl()));
    typed_ = TypedColumns(file_->decl());
  }
  oid_ = static_cast<uint32_t>(r.integer(0, 1));
  tag_ = "/*" + std::to_string(oid_) + "*/ ";
  open_ = true;
  read_only_ = (mode & 3) == 0;
  current_ = 0;
  seq_ = Sequence();
  DropAhead();
  return 0;
}

int PgTable::Create() {
  if (!(file_->attributes & rt::kFileCreate)) return Fail(rt::Error_NoCreateAttribute);
  if (name_.physical.empty()) return Fail(rt::Error_InvalidFilename);
  if (def_.fields.empty()) return Fail(rt::Error_InvalidRecordDeclaration, "No fields declared");
  if (kestrel::Status s = kestrel::CheckKeySizes(def_); !s.ok()) {
    return Fail(rt::Error_InvalidRecordDeclaration, "Key components are more than a total of 7526 bytes long");
  }
  int32_t code = 0;
  std::string message;
  conn_ = PgConnection::forThread(conninfo_, &code, &message);
  if (!conn_) return Fail(code, message);
  const std::string prefix = schema_.empty() ? std::string() : QuoteIdent(schema_) + ".";
  std::string sql;
  if (!schema_.empty()) sql += "CREATE SCHEMA IF NOT EXISTS " + QuoteIdent(schema_) + ";";
  sql += "CREATE TABLE IF NOT EXISTS " + prefix + "qv_catalog (name text PRIMARY KEY, def bytea NOT NULL);";
  sql += "DROP TABLE IF EXISTS " + qualified_ + ";";
  sql += "CREATE TABLE " + qualified_ +
         " (qv_id bigint GENERATED BY DEFAULT AS IDENTITY (MAXVALUE 4294967295) PRIMARY KEY,"
         " qv_row bytea NOT NULL";
  for (size_t k = 0; k < def_.keys.size(); ++k) sql += ", " + Column("k", k) + " bytea";
  for (size_t m = 0; m < def_.memos.size(); ++m) sql += ", " + Column("m", m) + " bytea NOT NULL DEFAULT ''";
  for (const TypedColumn& c : typed_) sql += ", " + QuoteIdent(c.name) + " " + c.type;
  sql += ");";
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    const kestrel::KeyDef& key = def_.keys[k];
    if (key.dynamic()) continue;
    const std::string index = QuoteIdent(table_ + "$k" + std::to_string(k));
    sql += key.duplicates() ? "CREATE INDEX " + index + " ON " + qualified_ + " (" + Column("k", k) + ", qv_id);"
                            : "CREATE UNIQUE INDEX " + index + " ON " + qualified_ + " (" + Column("k", k) + ");";
  }
  sql += "DELETE FROM " + prefix + "qv_catalog WHERE name = " + Literal(table_) + ";";
  sql += "INSERT INTO " + prefix + "qv_catalog VALUES (" + Literal(table_) + ", " + HexLiteral(DefinitionBytes(def_)) +
         ");";
  PgResult r = conn_->script(sql);
  if (!r.ok()) return Failed(r);
  conn_->changed(table_);
  return 0;
}

int PgTable::Close() {
  if (!open_) return 0;
  ReleaseHold();
  if (table_locked_) Unlock();
  open_ = false;
  current_ = 0;
  seq_ = Sequence();
  DropAhead();
  return 0;
}

int PgTable::Remove() {
  int32_t code = 0;
  std::string message;
  conn_ = PgConnection::forThread(conninfo_, &code, &message);
  if (!conn_) return Fail(code, message);
  const std::string prefix = schema_.empty() ? std::string() : QuoteIdent(schema_) + ".";
  PgResult r = conn_->script("DROP TABLE " + qualified_ + "; DELETE FROM " + prefix +
                             "qv_catalog WHERE name = " + Literal(table_));
  if (!r.ok()) return Failed(r);
  conn_->changed(table_);
  return 0;
}

int PgTable::Empty() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (read_only_) return Fail(rt::Error_AccessDenied);
  PgResult r = conn_->exec(tag_ + "DELETE FROM " + qualified_);
  if (!r.ok()) return Failed(r);
  current_ = 0;
  Changed();
  return 0;
}

// --- Locks and transactions ------------------------------------------------

int PgTable::Lock(int seconds) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (table_locked_) return 0;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    PgResult r = conn_->exec("SELECT pg_try_advisory_lock($1::int4, 0)",
                             {PgParam::Int(static_cast<int32_t>(oid_))});
    if (!r.ok()) return Failed(r);
    if (r.integer(0, 0) != 0) {
      table_locked_ = true;
      return 0;
    }
    if (seconds <= 0 || std::chrono::steady_clock::now() - start >= std::chrono::seconds(seconds)) {
      return Fail(rt::Error_FileIsAlreadyLocked);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

int PgTable::Unlock() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!table_locked_) return 0;
  table_locked_ = false;
  PgResult r = conn_->exec("SELECT pg_advisory_unlock($1::int4, 0)", {PgParam::Int(static_cast<int32_t>(oid_))});
  return r.ok() ? 0 : Failed(r);
}

int PgTable::Logout() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  std::string message;
  if (int rc = conn_->begin(&message); rc != 0) return Fail(rc, message);
  TransactionConnections().insert(conn_);
  return 0;
}

int PgTable::Commit(std::string* message) {
  int rc = 0;
  for (PgConnection* c : TransactionConnections()) {
    std::string m;
    const int one = rc == 0 ? c->commit(&m) : c->rollback(&m);
    if (one != 0 && rc == 0) {
      rc = one;
      *message = m;
    }
  }
  TransactionConnections().clear();
  return rc;
}

int PgTable::Rollback(std::string* message) {
  int rc = 0;
  for (PgConnection* c : TransactionConnections()) {
    std::string m;
    const int one = c->rollback(&m);
    if (one != 0 && rc == 0) {
      rc = one;
      *message = m;
    }
  }
  TransactionConnections().clear();
  return rc;
}

// --- Saved states -------------------------------------------------------------

int64_t PgTable::SaveState() {
  states_[++last_state_] = SavedState{current_, seq_, read_image_};
  return last_state_;
}

bool PgTable::RestoreState(int64_t handle) {
  auto it = states_.find(handle);
  if (it == states_.end()) return false;
  current_ = it->second.current;
  seq_ = it->second.seq;
  read_image_ = it->second.read_image;
  DropAhead();
  return true;
}

}  // namespace pgsql
