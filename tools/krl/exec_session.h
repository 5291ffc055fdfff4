// krl exec: one JSON request per line in, one JSON answer per line out.
// The session keeps the tables it opened (by file and table name) and the
// physical files of an open transaction.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/kestrel/driver/kestrel_table.h"
#include "tools/krl/json.h"

namespace krl {

class ExecSession {
 public:
  ExecSession() = default;
  ~ExecSession();

  // The answer to one request line (without the newline).
  std::string Handle(const std::string& line);

 private:
  using Key = std::pair<std::string, std::string>;  // upper-case physical file, table

  std::string Dispatch(const std::string& op, const Json& req);
  // The open table a request names (opened on first use), or null with *answer set.
  kestrel::KestrelTable* TableFor(const Json& req, std::string* answer);
  std::string Create(const Json& req);
  std::string Get(const Json& req, kestrel::KestrelTable* t);
  std::string Scan(const Json& req, kestrel::KestrelTable* t);
  std::string Write(const std::string& op, const Json& req, kestrel::KestrelTable* t);
  std::string Begin(const Json& req);
  std::string EndTransaction(bool commit);
  bool FillBuffers(const Json& req, kestrel::KestrelTable* t, std::string* error);
  Json Record(kestrel::KestrelTable* t);
  std::vector<kestrel::KestrelTable*> TablesOf(const std::string& file);
  bool Locate(kestrel::KestrelTable* t, uint32_t id, int* code);

  std::map<Key, std::unique_ptr<kestrel::KestrelTable>> tables_;
  std::vector<std::shared_ptr<kestrel::PhysicalFile>> transaction_;
};

// {"ok":false,"error":code,"message":text}
std::string ErrorAnswer(int code, const std::string& message);

}  // namespace krl
