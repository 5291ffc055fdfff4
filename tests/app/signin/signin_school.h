// A sample school (qvdata demo, seed 3) in a scratch folder that every test
// of the suite works in, with the program's start-up done for the test:
// error manager with the program's messages, settings on QVAPP.INI (removed
// before each test), the thread's dictionary. Two subject records are
// added for the edge cases of the sign-in: one whose teacher has no birth
// date, and a second record of one teacher with another birth date.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/std_date.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/demo_school.h"

namespace app::testing {

inline constexpr uint32_t kSeed = 3;
inline constexpr int32_t kNoBirthDateDni = 30111222;
// The second record of the first demo teacher (added last, so the demo's
// own record comes first in QVM:CLAVE_DNI_PROFESOR).
inline const int32_t kSecondRecordBirth = rt::MakeStdDate(1999, 9, 9);

class SignInSchool : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/qvsignin.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::ostringstream out, err;
    ASSERT_EQ(qvdata::RunQvdata({"demo", dir_, "--seed", std::to_string(kSeed)}, out, err), 0) << err.str();
    school_ = std::make_unique<qvdata::DemoSchool>(qvdata::MakeDemoSchool(kSeed));
    rt::FileControlBlock f(QVMATERIASDecl());
    f.name = dir_ + "/QVMaterias.KRL";
    ASSERT_EQ(rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
    auto add = [&](int32_t registro, int32_t dni, int32_t birth, const char* name) {
      f.clearBuffers();
      rt::setInteger(f, f.decl().findField("QVM:NRO_REGISTRO"), registro);
      rt::setInteger(f, f.decl().findField("QVM:DNI_DOCENTE"), dni);
      rt::setDate(f, f.decl().findField("QVM:QVP_FECHANAC"), birth);
      rt::setText(f, f.decl().findField("QVM:PROFESOR"), name);
      ASSERT_EQ(rt::Add(f), 0);
    };
    add(90001, kNoBirthDateDni, 0, "SIN FECHA, Docente");
    add(90002, school_->teachers[0].dni, kSecondRecordBirth, "OTRO REGISTRO");
    rt::Close(f);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    school_.reset();
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
    SetAuxiliarDocente("");
  }
  void TearDown() override {
    ThreadEnd();
    INIMgr.Kill();
    EXPECT_EQ(chdir(cwd_), 0);
  }

  static const qvdata::DemoTeacher& teacher(size_t i) { return school_->teachers.at(i); }

 public:
  static int32_t TeacherDni(size_t i) { return teacher(i).dni; }
  static int32_t TeacherBirth(size_t i) { return teacher(i).birth_date; }
  static std::string ShortDateOf(int32_t date) { return ShortDate(date); }

 protected:
  // "d/m/yyyy" without leading zeros.
  static std::string ShortDate(int32_t date) {
    rt::CivilDate c;
    rt::SplitStdDate(date, &c);
    return std::to_string(c.day) + "/" + std::to_string(c.month) + "/" + std::to_string(c.year);
  }
  static std::string TrimmedDocente() {
    std::string s = AUXILIAR_DOCENTE;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  static std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

  static inline std::string dir_;
  static inline std::unique_ptr<qvdata::DemoSchool> school_;
  char cwd_[4096];
};

}  // namespace app::testing
