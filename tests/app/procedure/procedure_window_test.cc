// The common part of the program's procedure windows, over both managers
// and files that only record their opens and closes: the files opened in
// order and closed again when one fails or when the procedure ends, the
// procedure's name while it runs, the window's place kept under that name,
// and the globals a procedure takes and clears.
#include "app/procedure/procedure_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/dictionary/globals.h"
#include "framework/data/relation_manager.h"
#include "framework/window/request_codes.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"
#include "runtime/ui/window_def.h"

namespace app {
namespace {

constexpr const char* kName = "Probe_Procedure";

class LoggedFile : public fw::RelationManager {
 public:
  LoggedFile(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  fw::Level Open(bool) override {
    log_.push_back("open " + name_);
    return fails ? fw::Level::Notify : fw::Level::Benign;
  }
  fw::Level Close(bool) override {
    log_.push_back("close " + name_);
    return fw::Level::Benign;
  }
  bool fails = false;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

// A procedure over three files that opens its window once they are open.
template <class Manager>
class Probe : public ProcedureWindow<Manager> {
 public:
  Probe(ui::Window& window, LoggedFile* a, LoggedFile* b, LoggedFile* c)
      : ProcedureWindow<Manager>(kName, window), a_(a), b_(b), c_(c) {}
  fw::Level Init() override {
    fw::Level r = ProcedureWindow<Manager>::Init();
    if (r != fw::Level::Benign) return r;
    nameInInit = GlobalErrors.GetProcedureName();
    r = this->OpenFiles({a_, b_, c_});
    if (r != fw::Level::Benign) return r;
    this->Open(this->window_);
    this->RestorePosition();
    return fw::Level::Benign;
  }
  std::string nameInInit;

 private:
  LoggedFile* a_;
  LoggedFile* b_;
  LoggedFile* c_;
};

ui::WindowDef ProbeWindow() {
  ui::WindowDef d;
  d.title = "Probe";
  d.name = kName;
  d.width = 120;
  d.height = 60;
  d.add(ui::Ctl_Button, "?Close", "Close", 10, 10, 40, 14);
  return d;
}

template <class Manager>
class ProcedureWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qvprocedure.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    GlobalErrors.Init(fw::ThreadErrorStatus);
    INIMgr.Init(dir_ + "/QVAPP.INI", 0, 0);
    previousBackend_ = ui::setBackend(&hb_);
    // The caller's name, as the follow-up window's is when a sheet runs.
    GlobalErrors.SetProcedureName("Caller");
  }
  void TearDown() override {
    GlobalErrors.SetProcedureName();
    ui::setBackend(previousBackend_);
    INIMgr.Kill();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::vector<std::string> log_;
  LoggedFile a_{"A", log_}, b_{"B", log_}, c_{"C", log_};
  ui::HeadlessBackend hb_;
  std::string dir_;

 private:
  ui::Backend* previousBackend_ = nullptr;
};

using Managers = ::testing::Types<fw::WindowManager, fw::ReportManager>;
TYPED_TEST_SUITE(ProcedureWindowTest, Managers);

TYPED_TEST(ProcedureWindowTest, AFileThatDoesNotOpenClosesTheOnesOpenedBeforeItAndNothingElse) {
  const std::vector<std::vector<std::string>> expected = {
      {"open A"},
      {"open A", "open B", "close A"},
      {"open A", "open B", "open C", "close A", "close B"},
  };
  LoggedFile* files[] = {&this->a_, &this->b_, &this->c_};
  for (size_t failing = 0; failing < 3; ++failing) {
    SCOPED_TRACE(failing);
    this->log_.clear();
    for (size_t i = 0; i < 3; ++i) files[i]->fails = i == failing;
    ui::Window window(ProbeWindow());
    Probe<TypeParam> probe(window, &this->a_, &this->b_, &this->c_);
    // Closed again within Init, before the procedure's Kill.
    EXPECT_EQ(probe.Init(), fw::Level::Notify);
    EXPECT_EQ(this->log_, expected[failing]);
    EXPECT_EQ(probe.FilesOpened, 0);
    probe.Kill();
    EXPECT_EQ(this->log_, expected[failing]);
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(GlobalErrors.GetProcedureName(), "Caller");
    // The window never opened: no place is kept for it.
    EXPECT_EQ(INIMgr.TryFetch(kName, "XPos"), "");
  }
}

TYPED_TEST(ProcedureWindowTest, KillClosesTheFilesOnceInTheOrderOpenedAndGivesTheCallerItsNameBack) {
  GlobalRequest = fw::Request_Change;
  GlobalResponse = 1;
  ui::Window window(ProbeWindow());
  Probe<TypeParam> probe(window, &this->a_, &this->b_, &this->c_);
  ASSERT_EQ(probe.Init(), fw::Level::Benign);
  EXPECT_EQ(probe.nameInInit, kName);
  EXPECT_EQ(GlobalErrors.GetProcedureName(), kName);
  EXPECT_EQ(probe.Request, fw::Request_Change);
  EXPECT_EQ(GlobalRequest, 0);
  EXPECT_EQ(GlobalResponse, 0);
  EXPECT_EQ(probe.Errors, &GlobalErrors);
  EXPECT_EQ(probe.VCRRequest, &VCRRequest);
  EXPECT_EQ(probe.FilesOpened, 1);
  EXPECT_TRUE(window.isOpen());

  probe.Kill();
  const std::vector<std::string> all = {"open A", "open B", "open C", "close A", "close B", "close C"};
  EXPECT_EQ(this->log_, all);
  EXPECT_EQ(GlobalErrors.GetProcedureName(), "Caller");
  // A second Kill releases nothing twice, the caller's name included.
  EXPECT_EQ(probe.Kill(), fw::Level::Notify);
  EXPECT_EQ(this->log_, all);
  EXPECT_EQ(GlobalErrors.GetProcedureName(), "Caller");
}

TYPED_TEST(ProcedureWindowTest, TheWindowsPlaceIsKeptUnderTheProcedureNameForTheNextRun) {
  {
    ui::Window window(ProbeWindow());
    Probe<TypeParam> probe(window, &this->a_, &this->b_, &this->c_);
    ASSERT_EQ(probe.Init(), fw::Level::Benign);
    window.setProp(0, ui::Prop_Xpos, 37);
    window.setProp(0, ui::Prop_Ypos, 21);
    probe.Kill();
  }
  EXPECT_EQ(INIMgr.TryFetch(kName, "XPos"), "37");
  EXPECT_EQ(INIMgr.TryFetch(kName, "YPos"), "21");

  ui::Window again(ProbeWindow());
  Probe<TypeParam> probe(again, &this->a_, &this->b_, &this->c_);
  ASSERT_EQ(probe.Init(), fw::Level::Benign);
  EXPECT_EQ(again.prop(0, ui::Prop_Xpos).toInt(), 37);
  EXPECT_EQ(again.prop(0, ui::Prop_Ypos).toInt(), 21);
  probe.Kill();
}

}  // namespace
}  // namespace app
