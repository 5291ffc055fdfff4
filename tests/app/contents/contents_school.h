// Two subjects and their students in a scratch folder that the tests work
// in, with the program's start-up done and QVAPRENDE and QVSEGUIR made
// empty before each test; the subject chosen in the follow-up window is
// put in the QVMATERIAS buffer by Choose.
//
//   subject 7 "HISTORIA" (course 301, teacher 5 "QUIROGA, Elena"): 3 students
//   subject 8 "GEOGRAFIA" (course 302, teacher 6 "PAZ, Julio"): 2 students
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tools/qvdata/commands.h"

namespace app::contents::testing {

class ContentsSchool : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/qvcontents.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::ofstream(dir_ + "/materias.csv")
        << "NRO_REGISTRO,MATERIA,PROFESOR,COD_PROFESOR,COD_CURSO,CICLO,CURSO,DIVISION,TURNO\n"
           "7,HISTORIA,\"QUIROGA, Elena\",5,301,SUPERIOR,3,B,TARDE\n"
           "8,GEOGRAFIA,\"PAZ, Julio\",6,302,SUPERIOR,4,A,MAÑANA\n";
    std::ofstream(dir_ + "/alumnos.csv") << "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
                                            "701,\"ACOSTA, Bruno\",40000701,M,,301\n"
                                            "702,\"BRIZUELA, Luz\",40000702,F,,301\n"
                                            "703,\"CACERES, Ines\",40000703,F,,301\n"
                                            "801,\"DIAZ, Ana\",40000801,F,,302\n"
                                            "802,\"ESCOBAR, Tomas\",40000802,M,,302\n";
    std::ostringstream out, err;
    ASSERT_EQ(qvdata::RunQvdata({"import", dir_, "--subjects", dir_ + "/materias.csv", "--students",
                                 dir_ + "/alumnos.csv"},
                                out, err),
              0)
        << err.str();
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
    std::filesystem::remove("QVAPP.INI", ec);
    for (auto decl : {&QVAPRENDEDecl, &QVSEGUIRDecl}) {
      rt::FileControlBlock f((*decl)());
      std::filesystem::remove(f.name, ec);
      ASSERT_EQ(rt::Create(f), 0);
      rt::Close(f);
    }
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

  // The follow-up window's chosen subject, in the QVMATERIAS buffer.
  void Choose(int32_t subject) {
    ASSERT_EQ(Relate_QVMATERIAS->Open(), fw::Level::Benign);
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    rt::setInteger(m, m.decl().findField("QVM:NRO_REGISTRO"), subject);
    ASSERT_EQ(Access_QVMATERIAS->TryFetch(m.decl().findKey("QVM:CLAVE_PRINCIPAL")), fw::Level::Benign);
    Relate_QVMATERIAS->Close();
  }

  struct Content {
    int32_t subject, course, teacher, order;
    std::string text, learning, subjectName, teacherName;
  };
  static std::string Trim(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  }
  // QVAPRENDE's records in record order, read straight from the file.
  static std::vector<Content> Contents() {
    rt::FileControlBlock f(QVAPRENDEDecl());
    std::vector<Content> out;
    if (rt::Open(f, rt::kAccessRead | rt::kShareDenyNone) != 0) return out;
    auto i = [&](const char* l) { return int32_t(rt::getInteger(f, f.decl().findField(l)).value_or(-1)); };
    auto t = [&](const char* l) { return Trim(rt::getText(f, f.decl().findField(l)).value_or("")); };
    rt::SetFile(f);
    while (rt::Next(f) == 0)
      out.push_back({i("QVAP:COD_MATERIA"), i("QVAP:COD_CURSO"), i("QVAP:COD_DOCENTE"), i("QVAP:NRO_ORDEN"),
                     t("QVAP:CONTENIDO_PRIORIZADO"),
                     rt::getMemo(f, f.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO")).value_or(""), t("QVAP:MATERIAS"),
                     t("QVAP:DOCENTE")});
    rt::Close(f);
    return out;
  }

  static inline std::string dir_;
  char cwd_[4096];
};

}  // namespace app::contents::testing
