// The program's start-up for the sheet procedures over the sheet school:
// error manager with the program's messages, settings, the thread's
// dictionary, and the subject chosen in the follow-up window put in the
// record buffers (QVMATERIAS, and the subject of the grade-book and
// follow-up rows last selected).
#pragma once

#include <unistd.h>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/globals.h"
#include "sheet_school.h"

namespace app::sheets::testing {

class SheetProcedureTest : public SheetSchool {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    std::error_code ec;
    std::filesystem::remove("QVAPP.INI", ec);
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

  void Choose(int32_t subject) {
    ASSERT_EQ(Relate_QVMATERIAS->Open(), fw::Level::Benign);
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    rt::setInteger(m, m.decl().findField("QVM:NRO_REGISTRO"), subject);
    ASSERT_EQ(Access_QVMATERIAS->TryFetch(m.decl().findKey("QVM:CLAVE_PRINCIPAL")), fw::Level::Benign);
    Relate_QVMATERIAS->Close();
    rt::FileControlBlock& l = Access_QVLIBRETA->Block();
    rt::setInteger(l, l.decl().findField("QVL:COD_MATERIA"), subject);
    rt::FileControlBlock& g = Access_QVSEGUIR->Block();
    rt::setInteger(g, g.decl().findField("QVG:COD_MATERIA"), subject);
  }

  char cwd_[4096];
};

}  // namespace app::sheets::testing
