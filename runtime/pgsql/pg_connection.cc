#include "runtime/pgsql/pg_connection.h"

#include <unistd.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "runtime/core/error_codes.h"

namespace pgsql {

namespace {

// The calling thread's connections by connection text. A child process
// made by fork() shares its parent's sockets: it makes its own connections
// and leaves the inherited ones alone (closing them would end the parent's
// sessions).
struct ThreadConnections {
  pid_t pid = 0;
  std::map<std::string, std::unique_ptr<PgConnection>> by_conninfo;
};

ThreadConnections& Connections() {
  thread_local ThreadConnections t;
  if (t.pid != ::getpid()) {
    t.by_conninfo.clear();  // a connection only closes in the process that made it
    t.pid = ::getpid();
  }
  return t;
}

void IgnoreNotice(void*, const char*) {}

std::string Trimmed(const char* s) {
  std::string m = s ? s : "";
  while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
  return m;
}

bool Succeeded(ExecStatusType s) { return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK; }

uint64_t Get64BE(const char* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return v;
}

}  // namespace

PgResult PgResult::Failed(int32_t code, std::string message) {
  PgResult r;
  r.code_ = code;
  r.message_ = std::move(message);
  return r;
}

int64_t PgResult::integer(int row, int col) const {
  const std::string_view b = bytes(row, col);
  switch (b.size()) {
    case 1: return static_cast<uint8_t>(b[0]);
    case 2: return static_cast<int16_t>((static_cast<uint8_t>(b[0]) << 8) | static_cast<uint8_t>(b[1]));
    case 4: {
      uint32_t v = 0;
      for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(b[i]);
      return static_cast<int32_t>(v);
    }
    case 8: return static_cast<int64_t>(Get64BE(b.data()));
    default: return 0;
  }
}

int32_t CodeOfState(std::string_view state, bool connection_lost) {
  if (connection_lost || state.substr(0, 2) == "08") return rt::Error_FileSystemError;
  if (state == "23505") return rt::Error_CreatesDuplicateKey;
  if (state == "42P01") return rt::Error_FileNotFound;
  if (state == "3F000") return rt::Error_PathNotFound;
  if (state == "55P03") return rt::Error_FileIsAlreadyLocked;
  if (state == "42501" || state == "25006") return rt::Error_AccessDenied;
  return rt::Error_FileSystemError;
}

std::string QuoteIdent(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

PgConnection* PgConnection::forThread(const std::string& conninfo, int32_t* code, std::string* message) {
  ThreadConnections& t = Connections();
  std::string text = conninfo;
  if (text.empty()) {
    if (const char* env = std::getenv("QV_PG_CONNINFO")) text = env;
  }
  auto it = t.by_conninfo.find(text);
  if (it != t.by_conninfo.end()) {
    if (PQstatus(it->second->conn_) == CONNECTION_OK) return it->second.get();
    PQreset(it->second->conn_);
    if (PQstatus(it->second->conn_) == CONNECTION_OK) {
      it->second->statements_.clear();
      it->second->in_transaction_ = it->second->begin_pending_ = false;
      return it->second.get();
    }
    *code = rt::Error_ServerNotFound;
    *message = Trimmed(PQerrorMessage(it->second->conn_));
    return nullptr;
  }
  PGconn* c = PQconnectdb(text.c_str());
  if (PQstatus(c) != CONNECTION_OK) {
    *code = rt::Error_ServerNotFound;
    *message = Trimmed(PQerrorMessage(c));
    PQfinish(c);
    return nullptr;
  }
  PQsetNoticeProcessor(c, IgnoreNotice, nullptr);
  PQsetClientEncoding(c, "UTF8");
  auto conn = std::unique_ptr<PgConnection>(new PgConnection(c));
  PgConnection* raw = conn.get();
  t.by_conninfo.emplace(text, std::move(conn));
  return raw;
}

PgConnection::PgConnection(PGconn* c) : conn_(c), pid_(::getpid()) {}

PgConnection::~PgConnection() {
  if (pid_ == ::getpid()) PQfinish(conn_);
}

uint64_t PgConnection::threadRoundTrips() {
  uint64_t n = 0;
  for (const auto& [k, c] : Connections().by_conninfo) n += c->round_trips_;
  return n;
}

uint64_t PgConnection::changes(const std::string& table) const {
  auto it = changes_.find(table);
  return generation_ + (it == changes_.end() ? 0 : it->second);
}

PgResult PgConnection::collect(PGresult* r) {
  PgResult out(r);
  const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (Succeeded(s)) return out;
  const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  out.state_ = state ? state : "";
  out.message_ = Trimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
  if (out.message_.empty()) out.message_ = Trimmed(PQerrorMessage(conn_));
  out.code_ = CodeOfState(out.state_, PQstatus(conn_) != CONNECTION_OK);
  return out;
}

const std::string* PgConnection::prepared(const std::string& sql) const {
  auto it = statements_.find(sql);
  return it == statements_.end() ? nullptr : &it->second;
}

namespace {

struct ParamArrays {
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;
  explicit ParamArrays(const std::vector<PgParam>& params) {
    for (const PgParam& p : params) {
      values.push_back(p.null ? nullptr : p.value.c_str());
      lengths.push_back(static_cast<int>(p.value.size()));
      formats.push_back(p.binary ? 1 : 0);
    }
  }
};

}  // namespace

PgResult PgConnection::exec(const std::string& sql, const std::vector<PgParam>& params) {
  static const bool trace = std::getenv("QV_PG_TRACE") != nullptr;
  if (trace) std::fprintf(stderr, "SQL %s\n", sql.c_str());
  if (!in_transaction_ && prepared(sql)) return run(sql, params);
  return runPipeline(sql, params, in_transaction_);
}

PgResult PgConnection::run(const std::string& sql, const std::vector<PgParam>& params) {
  ParamArrays a(params);
  ++round_trips_;
  return collect(PQexecPrepared(conn_, prepared(sql)->c_str(), static_cast<int>(params.size()), a.values.data(),
                                a.lengths.data(), a.formats.data(), 1));
}

// One round trip in a pipeline: the statement, prepared first when it is
// new on this connection, and inside a transaction behind SAVEPOINT and
// RELEASE; a failure there rolls back to the savepoint in a second one.
PgResult PgConnection::runPipeline(const std::string& sql, const std::vector<PgParam>& params, bool guarded) {
  const std::string* known = prepared(sql);
  const std::string name = known ? *known : "qv" + std::to_string(statements_.size() + 1);
  ParamArrays a(params);
  if (PQenterPipelineMode(conn_) != 1) return collect(nullptr);
  int sent = 0;
  bool ok = true;
  auto send = [&](bool done) {
    ok = ok && done;
    sent += done ? 1 : 0;
  };
  // A transaction begins with its first statement.
  const int begin_at = begin_pending_ ? sent : -1;
  if (begin_pending_) send(PQsendQueryParams(conn_, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1);
  if (guarded) send(PQsendQueryParams(conn_, "SAVEPOINT qv_op", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1);
  const int prepare_at = sent;
  if (ok && !known) send(PQsendPrepare(conn_, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr) == 1);
  const int statement_at = sent;
  if (ok) {
    send(PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(params.size()), a.values.data(), a.lengths.data(),
                             a.formats.data(), 1) == 1);
  }
  if (ok && guarded) send(PQsendQueryParams(conn_, "RELEASE SAVEPOINT qv_op", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1);
  PQpipelineSync(conn_);
  ++round_trips_;
  std::vector<PgResult> results;
  for (int i = 0; i < sent; ++i) {
    PGresult* r = PQgetResult(conn_);
    if (!r) break;
    results.push_back(collect(r));
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
  }
  while (PGresult* r = PQgetResult(conn_)) {  // the sync
    const bool sync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
    PQclear(r);
    if (sync) break;
  }
  PQexitPipelineMode(conn_);
  if (begin_at >= 0 && static_cast<int>(results.size()) > begin_at && results[begin_at].ok()) begin_pending_ = false;
  if (!known && static_cast<int>(results.size()) > prepare_at && results[prepare_at].ok()) {
    statements_.emplace(sql, name);
  }
  PgResult out = static_cast<int>(results.size()) > statement_at ? results[statement_at] : collect(nullptr);
  bool all_ok = ok && static_cast<int>(results.size()) == sent;
  for (const PgResult& r : results) all_ok = all_ok && r.ok();
  if (!all_ok) {
    // The first failure names the cause; the pipeline's later ones only say "aborted".
    for (const PgResult& r : results) {
      if (!r.ok()) {
        out = r;
        break;
      }
    }
    if (out.ok()) out = PgResult::Failed(rt::Error_FileSystemError, "statement not completed");
    if (guarded) {
      ++round_trips_;
      PQclear(PQexec(conn_, "ROLLBACK TO SAVEPOINT qv_op; RELEASE SAVEPOINT qv_op"));
    }
  }
  return out;
}

PgResult PgConnection::script(const std::string& sql) {
  ++round_trips_;
  PGresult* r = PQexec(conn_, ((begin_pending_ ? "BEGIN;" : "") + sql).c_str());
  begin_pending_ = false;
  // PQexec keeps only the last result: a failure stops the script there.
  return collect(r);
}

int32_t PgConnection::begin(std::string*) {
  if (in_transaction_) return 0;
  in_transaction_ = true;
  begin_pending_ = true;  // sent with the transaction's first statement
  return 0;
}

int32_t PgConnection::commit(std::string* message) {
  if (!in_transaction_) return 0;
  if (begin_pending_) {  // nothing ran in it
    in_transaction_ = begin_pending_ = false;
    return 0;
  }
  ++round_trips_;
  PGresult* raw = PQexec(conn_, "COMMIT");
  const bool rolled_back = raw && std::strcmp(PQcmdStatus(raw), "ROLLBACK") == 0;
  PgResult r = collect(raw);
  in_transaction_ = false;
  if (!r.ok()) {
    *message = r.message();
    return r.code();
  }
  if (rolled_back) {
    *message = "The server rolled the transaction back";
    return rt::Error_FileSystemError;
  }
  return 0;
}

int32_t PgConnection::rollback(std::string* message) {
  if (!in_transaction_) return 0;
  if (begin_pending_) {
    in_transaction_ = begin_pending_ = false;
    return 0;
  }
  PgResult r = script("ROLLBACK");
  in_transaction_ = false;
  ++generation_;
  if (!r.ok()) {
    *message = r.message();
    return r.code();
  }
  return 0;
}

}  // namespace pgsql
