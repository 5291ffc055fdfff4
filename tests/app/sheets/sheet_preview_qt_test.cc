// The sheet procedures on the real Qt back-end (offscreen): the progress
// window, the preview of the pages (saved as a picture, into
// $QV_SHEETS_SHOTS when set), and printing from it, here into a PDF that
// poppler reads back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrinter>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/sheets/sheet_procedure.h"
#include "framework/window/request_codes.h"
#include "pdf_text.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/report/qt/qt_report_printer.h"
#include "runtime/ui/window.h"
#include "sheet_procedure_fixture.h"

namespace app::sheets::testing {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "app_sheets";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class SheetPreviewQt : public SheetProcedureTest {
 protected:
  // Runs the sheet; once its preview shows, saves a picture of it and
  // prints from it into `pdf`. The picture's path.
  std::string PreviewAndPrint(Sheet sheet, const std::string& shot, const std::string& pdf) {
    ui::qt::QtBackend backend;
    ui::qt::QtReportPrinter printer;
    printer.askPrinter = [pdf](QPrinter& p) {
      p.setOutputFormat(QPrinter::PdfFormat);
      p.setOutputFileName(QString::fromStdString(pdf));
      return true;
    };
    ui::ReportPrinter* previous = ui::setReportPrinter(&printer);
    const char* shots = std::getenv("QV_SHEETS_SHOTS");
    const std::string folder = shots && *shots ? shots : dir_;
    std::filesystem::create_directories(folder);
    const std::string png = folder + "/" + shot;
    SheetProcedure p(sheet);
    QObject context;
    int shownFor = 0;
    std::function<void()> tick = [&] {
      ui::Window* w = p.ownPreview.PreviewWindow;
      if (w && w->isOpen() && ++shownFor == 30) {  // the pages drawn
        EXPECT_TRUE(w->savePng(png));
        w->inputClick(fw::PRTPREV_TBarPrint, ui::Mouse_Left);
        return;
      }
      QTimer::singleShot(10, &context, tick);
    };
    QTimer::singleShot(0, &context, tick);
    QTimer::singleShot(15000, &context, [&] {
      if (p.ownPreview.PreviewWindow) ui::Engine::current().post(ui::Event_CloseDown, 0, p.ownPreview.PreviewWindow);
    });
    p.Run();
    ui::setReportPrinter(previous);
    return png;
  }
};

TEST_F(SheetPreviewQt, BothSheetsShowInThePreviewAndPrintFromIt) {
  struct Case {
    Sheet sheet;
    int32_t subject;
    const char* shot;
    const char* pdf;
    std::vector<std::string> texts;
  } cases[] = {
      {Sheet::Progress, 7, "preview-progreso.png", "printed-progreso.pdf", {"ACOSTA, Bruno", "7.50", "9.25", "QUIROGA, Elena"}},
      {Sheet::Contents, 7, "preview-contenidos.png", "printed-contenidos.pdf", {"BRIZUELA, Luz", "Contenido 10", "Trabajo 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shot);
    Choose(c.subject);
    const std::string pdf = dir_ + "/" + c.pdf;
    const std::string png = PreviewAndPrint(c.sheet, c.shot, pdf);
    EXPECT_EQ(GlobalResponse, fw::Response_Completed);
    EXPECT_GT(std::filesystem::file_size(png), 5000u);  // a picture with the page in it
    const std::string text = PdfText(pdf);
    for (const std::string& t : c.texts) EXPECT_NE(text.find(t), std::string::npos) << t;
  }
}

}  // namespace
}  // namespace app::sheets::testing
