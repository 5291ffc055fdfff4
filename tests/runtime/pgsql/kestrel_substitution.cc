// Linked into other folders' test programs to run them on PostgreSQL: the
// PostgreSQL driver answers for "KESTREL", each test process in a schema of
// its own. A test program built with it (the *_on_pgsql executables) is
// otherwise unchanged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "runtime/core/file_driver.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/pgsql/pg_connection.h"
#include "runtime/pgsql/pgsql_driver.h"

namespace {

class OnPostgres : public ::testing::Environment {
 public:
  void SetUp() override {
    int32_t code = 0;
    std::string message;
    pgsql::PgConnection* c = pgsql::PgConnection::forThread("", &code, &message);
    if (!c) {
      const char* ci = std::getenv("CI");
      if (ci && std::string(ci) == "true") FAIL() << "no PostgreSQL server under CI: " << message;
      GTEST_SKIP() << "no PostgreSQL server: " << message;
    }
    schema_ = "suite_" + std::to_string(::getpid());
    ASSERT_TRUE(c->script("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_).ok());
    ::setenv("QV_PG_SCHEMA", schema_.c_str(), 1);
    ::setenv("QV_PG_FOLDER_TABLES", "1", 1);  // each scratch folder a world of its own, as on disk
    kestrel::RegisterKestrelDriver();  // its once-only registration is spent here
    rt::registerDriver(kestrel::kDriverName, pgsql::PgsqlDriverEntry);
  }
  void TearDown() override {
    if (schema_.empty()) return;
    int32_t code = 0;
    std::string message;
    if (auto* c = pgsql::PgConnection::forThread("", &code, &message)) c->script("DROP SCHEMA " + schema_ + " CASCADE");
  }

 private:
  std::string schema_;
};

const auto* const kOnPostgres = ::testing::AddGlobalTestEnvironment(new OnPostgres);

}  // namespace
