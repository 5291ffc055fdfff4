// The driver contract: what the framework asks of a file driver, written
// once against the runtime's file layer and run on every driver. A test is
// TEST_P(Contract, ...) and gets its files from Decl(); the parameter names
// the driver ("KESTREL": files in a scratch folder; "PGSQL": tables in a
// schema of their own on the server named by PGHOST and friends).
//
// Without a server the PostgreSQL cases are skipped, unless CI=true: then
// they fail.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_state.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/pgsql/pg_connection.h"
#include "runtime/pgsql/pgsql_driver.h"

namespace contract {

inline bool IsPostgres(const std::string& driver) { return driver == "PGSQL"; }

// Fields: 0 S:ID LONG, 1 S:NAME STRING(20), 2 S:CODE STRING(6),
// 3 S:GRADE DECIMAL(3,2); memo S:NOTE (100).
// Keys: 0 S:K_ID unique on ID; 1 S:K_NAME duplicates, no case, on NAME;
// 2 S:K_CODE unique, blank entries left out, on CODE; 3 S:K_GRADE
// duplicates on -GRADE, NAME.
inline constexpr int kId = 0, kName = 1, kCode = 2, kGrade = 3;

class Contract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    kestrel::RegisterKestrelDriver();
    pgsql::RegisterPgsqlDriver();
    if (postgres()) {
      int32_t code = 0;
      std::string message;
      pgsql::PgConnection* c = pgsql::PgConnection::forThread("", &code, &message);
      if (!c) {
        const char* ci = std::getenv("CI");
        if (ci && std::string(ci) == "true") FAIL() << "no PostgreSQL server under CI: " << message;
        GTEST_SKIP() << "no PostgreSQL server: " << message;
      }
      static std::atomic<int> n{0};
      schema_ = "contract_" + std::to_string(::getpid()) + "_" + std::to_string(++n);
      ASSERT_TRUE(c->script("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_).ok());
    } else {
      char tmpl[] = "/tmp/qv_contract_XXXXXX";
      ASSERT_NE(::mkdtemp(tmpl), nullptr);
      dir_ = tmpl;
    }
  }
  void TearDown() override {
    if (!schema_.empty()) {
      int32_t code = 0;
      std::string message;
      if (auto* c = pgsql::PgConnection::forThread("", &code, &message)) c->script("DROP SCHEMA " + schema_ + " CASCADE");
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  bool postgres() const { return IsPostgres(GetParam()); }

  // A builder for the file `name` on the driver under test.
  rt::FileDeclBuilder Builder(const std::string& label, const std::string& prefix, const std::string& name) {
    if (postgres()) {
      rt::FileDeclBuilder b(label, prefix, name, pgsql::kDriverName);
      b.DriverString("/SCHEMA=" + schema_);
      return b;
    }
    return rt::FileDeclBuilder(label, prefix, dir_ + "/" + name, kestrel::kDriverName);
  }

  rt::FileDeclPtr StudentDecl(const std::string& name = "students") {
    rt::FileDeclBuilder b = Builder("STUDENTS", "S", name);
    b.Long("S:ID").String("S:NAME", 20).String("S:CODE", 6).Decimal("S:GRADE", 3, 2).Memo("S:NOTE", 100);
    b.Key("S:K_ID", rt::kKeyPrimary, {"S:ID"});
    b.Key("S:K_NAME", rt::kKeyDuplicates | rt::kKeyNoCase, {"S:NAME"});
    b.Key("S:K_CODE", rt::kKeyExcludeBlank, {"S:CODE"});
    b.Key("S:K_GRADE", rt::kKeyDuplicates, {"-S:GRADE", "S:NAME"});
    rt::FileDeclPtr d = b.Build();
    EXPECT_TRUE(d) << b.error();
    return d;
  }

  // A created (and open) student file.
  std::unique_ptr<rt::FileControlBlock> Students(const std::string& name = "students") {
    auto f = std::make_unique<rt::FileControlBlock>(StudentDecl(name));
    EXPECT_EQ(rt::Create(*f), 0) << rt::FileError();
    return f;
  }

  // Another control block on the same file, opened shared.
  std::unique_ptr<rt::FileControlBlock> Second(const std::string& name = "students") {
    auto f = std::make_unique<rt::FileControlBlock>(StudentDecl(name));
    EXPECT_EQ(rt::Share(*f), 0) << rt::FileError();
    return f;
  }

  static void SetRow(rt::FileControlBlock& f, int id, const std::string& name, const std::string& code = "",
                     const std::string& grade = "0", const std::string& note = "") {
    f.clearBuffers();
    rt::setInteger(f, 0, id);
    rt::setText(f, 1, name);
    rt::setText(f, 2, code);
    rt::setDecimal(f, 3, *rt::Decimal::Parse(grade));
    rt::setMemo(f, 0, note);
  }
  static void AddRow(rt::FileControlBlock& f, int id, const std::string& name, const std::string& code = "",
                     const std::string& grade = "0", const std::string& note = "") {
    SetRow(f, id, name, code, grade, note);
    ASSERT_EQ(rt::Add(f), 0) << "adding " << id << ": " << rt::FileError();
  }
  static int Id(const rt::FileControlBlock& f) { return static_cast<int>(rt::getInteger(f, 0).value_or(-1)); }
  static std::string Name(const rt::FileControlBlock& f) {
    std::string s = rt::getText(f, 1).value_or("?");
    return s.erase(s.find_last_not_of(' ') + 1);
  }
  static std::string Grade(rt::FileControlBlock& f) { return rt::getValueText(rt::FieldRef{&f, 3, 0}).value_or("?"); }
  // The ids read by Next (or Previous) until the end, as "3 1 2".
  static std::string Walk(rt::FileControlBlock& f, bool forward = true, int limit = 1000) {
    std::string out;
    while (limit-- > 0 && (forward ? rt::Next(f) : rt::Previous(f)) == 0) {
      if (!out.empty()) out += ' ';
      out += std::to_string(Id(f));
    }
    return out;
  }

  std::string dir_;
  std::string schema_;
};

inline std::string DriverName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

}  // namespace contract
