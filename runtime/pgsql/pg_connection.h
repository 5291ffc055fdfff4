// One libpq connection of the calling thread, shared by every table that
// thread opens on the same server. It runs statements (prepared once per
// text, parameters and results in binary where they are bytes), and keeps
// the thread's transaction: inside one, each statement runs behind a
// savepoint, so a statement that fails takes back only its own changes and
// the transaction stays usable.
//
//   PgConnection* c = PgConnection::forThread("");   // libpq's defaults (PGHOST ...)
//   PgResult r = c->exec("SELECT qv_row FROM t WHERE qv_id = $1", {PgParam::Int(7)});
//   if (!r.ok()) return r.code();                     // a runtime error code
#pragma once

#include <libpq-fe.h>
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pgsql {

// One statement parameter: text (format 0) or bytes (format 1), or NULL.
struct PgParam {
  std::string value;
  bool binary = false;
  bool null = false;

  static PgParam Text(std::string s) { return PgParam{std::move(s), false, false}; }
  static PgParam Bytes(std::string_view s) { return PgParam{std::string(s), true, false}; }
  static PgParam Int(int64_t n) { return PgParam{std::to_string(n), false, false}; }
  static PgParam Null() { return PgParam{std::string(), false, true}; }
};

// The outcome of one statement: its rows, or the runtime code the failure
// maps to with the server's message.
class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(PGresult* r) : r_(r, &PQclear) {}
  static PgResult Failed(int32_t code, std::string message);

  bool ok() const { return code_ == 0; }
  int32_t code() const { return code_; }
  const std::string& message() const { return message_; }
  const std::string& sqlState() const { return state_; }

  int rows() const { return r_ ? PQntuples(r_.get()) : 0; }
  bool isNull(int row, int col) const { return PQgetisnull(r_.get(), row, col) != 0; }
  // The value's bytes (binary results: bytea as is, integers big-endian).
  std::string_view bytes(int row, int col) const {
    return {PQgetvalue(r_.get(), row, col), static_cast<size_t>(PQgetlength(r_.get(), row, col))};
  }
  // A bigint, integer or boolean column of a binary result.
  int64_t integer(int row, int col) const;

 private:
  friend class PgConnection;
  std::shared_ptr<PGresult> r_;
  int32_t code_ = 0;
  std::string message_;
  std::string state_;
};

class PgConnection {
 public:
  // The calling thread's connection for `conninfo` ("" for libpq's
  // defaults, or QV_PG_CONNINFO when set), made on first use. nullptr when
  // the server cannot be reached; *code and *message then say why.
  static PgConnection* forThread(const std::string& conninfo, int32_t* code, std::string* message);

  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // A statement with parameters; results in binary. Prepared on its first
  // run on this connection and reused by its text afterwards.
  PgResult exec(const std::string& sql, const std::vector<PgParam>& params = {});
  // Statements without parameters, several separated by ";" (run as one
  // implicit transaction when no transaction is open).
  PgResult script(const std::string& sql);

  // The transaction of this connection: BEGIN, COMMIT, ROLLBACK.
  int32_t begin(std::string* message);
  int32_t commit(std::string* message);
  int32_t rollback(std::string* message);
  bool inTransaction() const { return in_transaction_; }

  // Round trips to the server since the connection was made.
  uint64_t roundTrips() const { return round_trips_; }
  // The server process serving this connection.
  int backendPid() const { return PQbackendPID(conn_); }

  // A change count per table, raised by every write through this
  // connection: rows read ahead stay valid while it does not move.
  uint64_t changes(const std::string& table) const;
  void changed(const std::string& table) { ++changes_[table]; }

  // Round trips of every connection of the calling thread.
  static uint64_t threadRoundTrips();

 private:
  explicit PgConnection(PGconn* c);
  PgResult run(const std::string& sql, const std::vector<PgParam>& params);
  PgResult runPipeline(const std::string& sql, const std::vector<PgParam>& params, bool guarded);
  PgResult collect(PGresult* r);
  const std::string* prepared(const std::string& sql) const;

  PGconn* conn_;
  bool in_transaction_ = false;
  bool begin_pending_ = false;  // BEGIN goes out with the transaction's first statement
  uint64_t round_trips_ = 0;
  std::unordered_map<std::string, std::string> statements_;  // text -> prepared name
  std::map<std::string, uint64_t> changes_;
  uint64_t generation_ = 0;  // raised by every rollback: it changes any table
  pid_t pid_;                // the process that made the connection
};

// Maps a failed result (SQLSTATE and status) to a runtime error code.
int32_t CodeOfState(std::string_view sql_state, bool connection_lost);

// Quotes an identifier for SQL text ("a""b").
std::string QuoteIdent(std::string_view name);

}  // namespace pgsql
