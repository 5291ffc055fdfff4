// The two report procedures run headless over the sheet school: the
// progress window's timer prints the subject's records, the preview
// (a double) decides, and the printer records what reached it.
#include <algorithm>
#include <string>
#include <vector>

#include "app/sheets/progress_window.h"
#include "app/sheets/sheet_procedure.h"
#include "framework/window/request_codes.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/window.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/report/headless_printer.h"
#include "runtime/ui/scripted_presenter.h"
#include "sheet_procedure_fixture.h"

namespace app::sheets::testing {
namespace {

class PreviewDouble : public fw::PrintPreviewClass {
 public:
  bool Display(int16_t, int32_t, uint16_t, uint16_t) override {
    ++displays;
    pages = Pages();
    return print;
  }
  bool print = true;
  int displays = 0;
  int32_t pages = 0;
};

class SheetProcedureHeadless : public SheetProcedureTest {
 protected:
  void SetUp() override {
    SheetProcedureTest::SetUp();
    previousBackend_ = ui::setBackend(&hb_);
    previousPrinter_ = ui::setReportPrinter(&printer_);
    previousPresenter_ = rt::setMessagePresenter(&presenter_);
  }
  void TearDown() override {
    rt::setMessagePresenter(previousPresenter_);
    ui::setReportPrinter(previousPrinter_);
    ui::setBackend(previousBackend_);
    SheetProcedureTest::TearDown();
  }
  uint8_t Run(Sheet sheet) {
    SheetProcedure p(sheet);
    p.preview = &preview_;
    p.Run();
    return GlobalResponse;
  }
  // Every text of every printed page, in order.
  std::vector<std::string> PrintedTexts() const {
    std::vector<std::string> out;
    for (const auto& job : printer_.jobs)
      for (const auto& page : job.pages)
        for (const std::string& t : page.texts()) out.push_back(t);
    return out;
  }
  size_t Count(const std::string& text) const {
    auto t = PrintedTexts();
    return size_t(std::count(t.begin(), t.end(), text));
  }

  ui::HeadlessBackend hb_;
  ui::HeadlessPrinter printer_;
  ui::ScriptedPresenter presenter_;
  PreviewDouble preview_;

 private:
  ui::Backend* previousBackend_ = nullptr;
  ui::ReportPrinter* previousPrinter_ = nullptr;
  rt::MessagePresenter* previousPresenter_ = nullptr;
};

TEST_F(SheetProcedureHeadless, ProgressSheetPrintsTheChosenSubjectThroughThePreview) {
  Choose(8);
  EXPECT_EQ(Run(Sheet::Progress), fw::Response_Completed);
  EXPECT_EQ(preview_.displays, 1);
  EXPECT_EQ(preview_.pages, 2);
  ASSERT_EQ(printer_.jobs.size(), 1u);
  EXPECT_EQ(printer_.jobs[0].title, "Planilla");
  for (int i = 1; i <= 40; ++i) EXPECT_EQ(Count(GeographyName(i)), 1u) << i;
  EXPECT_EQ(Count("PAZ, Julio"), 2u);  // the header of each page
  EXPECT_EQ(Count("Pro. OLE"), 2u);
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(SheetProcedureHeadless, ContentsSheetPrintsOneGroupHeaderPerStudent) {
  Choose(7);
  EXPECT_EQ(Run(Sheet::Contents), fw::Response_Completed);
  EXPECT_EQ(Count("ACOSTA, Bruno"), 1u);
  EXPECT_EQ(Count("BRIZUELA, Luz"), 1u);
  EXPECT_EQ(Count("Contenido 10"), 1u);
  EXPECT_EQ(Count("Contenido 1"), 2u);  // ACOSTA's and BRIZUELA's
  EXPECT_EQ(Count("Contenido de otra materia"), 0u);
}

TEST_F(SheetProcedureHeadless, NothingPrintsWithoutRecordsOrWhenThePreviewIsLeft) {
  Choose(9);
  EXPECT_EQ(Run(Sheet::Progress), fw::Response_Cancelled);
  EXPECT_EQ(preview_.displays, 0);
  EXPECT_EQ(presenter_.shown.size(), 1u);  // the user is told there is nothing
  EXPECT_TRUE(printer_.jobs.empty());

  Choose(7);
  preview_.print = false;
  EXPECT_EQ(Run(Sheet::Progress), fw::Response_Completed);
  EXPECT_EQ(preview_.displays, 1);
  EXPECT_TRUE(printer_.jobs.empty());
}

TEST_F(SheetProcedureHeadless, CancelInTheProgressWindowPrintsNothing) {
  Choose(8);
  hb_.then([] { ui::Engine::current().target()->inputClick(Progress_Cancel, ui::Mouse_Left); });
  EXPECT_EQ(Run(Sheet::Progress), fw::Response_Cancelled);
  EXPECT_EQ(preview_.displays, 0);
  EXPECT_TRUE(printer_.jobs.empty());
}

}  // namespace
}  // namespace app::sheets::testing
