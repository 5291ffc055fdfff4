// A sample school (qvdata demo) in a scratch folder for the follow-up
// window's tests, with the program's start-up done for each test (error
// manager with the program's messages, settings on QVAPP.INI, the thread's
// dictionary), and helpers that read the grade book straight from its file.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "app/followup/grade_row_fields.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tools/qvdata/commands.h"

namespace app::testing {

// One grade-book row as the file holds it.
struct BookRow {
  int32_t legajo = 0;
  int32_t subject = 0;
  std::string etapa11, final_grade, etado;
};

class FollowUpSchool : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/qvfollow.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::ostringstream out, err;
    ASSERT_EQ(qvdata::RunQvdata({"demo", dir_, "--seed", "5"}, out, err), 0) << err.str();
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    std::error_code ec;
    std::filesystem::remove_all("QVAPP.INI", ec);
    GlobalErrors.Init(fw::ThreadErrorStatus);
    AddAppMessages(GlobalErrors);
    INIMgr.Init("QVAPP.INI", 0, 0);
    ThreadStart();
    DctInit();
  }
  void TearDown() override {
    ThreadEnd();
    INIMgr.Kill();
    EXPECT_EQ(chdir(cwd_), 0);
  }

  static int32_t Num(const std::string& s) { return int32_t(std::stol(s)); }
  static std::string Trim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

  // Teacher identity -> their subjects' registration numbers, in key order.
  static std::map<int32_t, std::vector<int32_t>> TeacherSubjects() {
    std::map<int32_t, std::vector<int32_t>> out;
    rt::FileControlBlock f(QVMATERIASDecl());
    f.name = dir_ + "/QVMaterias.KRL";
    EXPECT_EQ(rt::Open(f, rt::kAccessRead | rt::kShareDenyNone), 0);
    const int key = f.decl().findKey("QVM:CLAVE_DNI_PROFESOR");
    rt::SetKey(f, key);
    while (rt::Next(f) == 0)
      out[int32_t(rt::getInteger(f, f.decl().findField("QVM:DNI_DOCENTE")).value_or(0))].push_back(
          int32_t(rt::getInteger(f, f.decl().findField("QVM:NRO_REGISTRO")).value_or(0)));
    rt::Close(f);
    return out;
  }

  // Every grade-book row, in record order; `edit` may change each row in
  // the file before it is read back.
  static std::vector<BookRow> Book(const std::function<bool(rt::FileControlBlock&)>& edit = nullptr) {
    std::vector<BookRow> out;
    rt::FileControlBlock f(QVLIBRETADecl());
    f.name = dir_ + "/QVLIBRETA.KRL";
    EXPECT_EQ(rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
    rt::SetFile(f);
    auto field = [&](const char* l) { return f.decl().findField(l); };
    while (rt::Next(f) == 0) {
      if (edit && edit(f)) {
        EXPECT_EQ(rt::Put(f), 0);
      }
      BookRow r;
      r.legajo = int32_t(rt::getInteger(f, field("QVL:NRO_LEGAJO")).value_or(0));
      r.subject = int32_t(rt::getInteger(f, field("QVL:COD_MATERIA")).value_or(0));
      r.etapa11 = rt::getValueText(rt::FieldRef{&f, field("QVL:ETAPA11"), 0}).value_or("");
      r.final_grade = rt::getValueText(rt::FieldRef{&f, field("QVL:FINAL"), 0}).value_or("");
      r.etado = Trim(rt::getText(f, field("QVL:ETADO")).value_or(""));
      out.push_back(r);
    }
    rt::Close(f);
    return out;
  }
  static std::vector<BookRow> BookOf(int32_t subject) {
    std::vector<BookRow> out;
    for (const BookRow& r : Book())
      if (r.subject == subject) out.push_back(r);
    return out;
  }

  // Puts the signed-in teacher into the QVMATERIAS buffer, as the sign-in
  // leaves it: the teacher's first subject record.
  static void SignedIn(int32_t dni) {
    ASSERT_EQ(Relate_QVMATERIAS->Open(), fw::Level::Benign);
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    rt::setInteger(m, m.decl().findField("QVM:DNI_DOCENTE"), dni);
    Access_QVMATERIAS->Fetch(m.decl().findKey("QVM:CLAVE_DNI_PROFESOR"));
    Relate_QVMATERIAS->Close();
  }

  static inline std::string dir_;
  char cwd_[4096];
};

}  // namespace app::testing
