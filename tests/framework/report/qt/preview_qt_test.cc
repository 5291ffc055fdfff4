// The preview on the real Qt back-end (offscreen): the pages show as
// pictures in their image controls, a click on a thumbnail zooms, and the
// toolbar's Print button ends the preview with true.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "framework/report/page_manager_class.h"
#include "framework/report/print_preview_class.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/report/qt/qt_report_printer.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace {

using P = fw::PreviewControl;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "fw_report_qt";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The label an image control draws its picture on.
QLabel* pictureLabel(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label;
  return w ? w->findChild<QLabel*>() : nullptr;
}

// Dark pixels of a label's picture (every fourth column).
int darkPixels(QLabel* label) {
  if (!label) return -1;
  QImage img = label->pixmap().toImage();
  int dark = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); x += 4)
      if (qGray(img.pixel(x, y)) < 128) ++dark;
  return dark;
}

TEST(PreviewQtTest, PagesShowAsPicturesAndPrintEndsWithTrue) {
  ui::qt::QtBackend backend;
  ui::qt::QtReportPrinter printer;  // teaches image controls page files
  ui::ReportDef d;
  d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
  d.detailY = 30, d.detailHeight = 12;
  ui::ReportBand band{ui::Band_Detail, "line", 0, 0, 290, 12, {}};
  band.items.push_back({ui::RItem_Box, "", "", 4, 0, 200, 10, {}, 0, 0});  // a solid black bar
  d.bands = {band};
  ui::Report report(d);
  std::vector<std::string> files;
  report.open();
  report.setPreview(&files);
  for (int i = 0; i < 3; ++i) report.print(1);
  report.endPage();
  ASSERT_EQ(files.size(), 3u);

  fw::PrintPreviewClass preview;
  preview.Init(&files);
  std::deque<std::function<bool()>> steps;
  int dark = -1;
  bool zoomed = false;
  steps.push_back([&] { return preview.PreviewWindow && preview.PreviewWindow->isOpen(); });
  steps.push_back([&] {
    QWidget* image = ui::qt::QtBackend::controlWidget(*preview.PreviewWindow, P::PRTPREV_Measure + 3);
    if (!image) return false;
    QLabel* label = pictureLabel(image);
    dark = darkPixels(label);
    // Shown in the paper's proportions on the screen.
    EXPECT_NEAR(double(image->width()) / image->height(), 297.0 / 210, 0.03);
    QWidget* target = label ? static_cast<QWidget*>(label) : image;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(target->width() / 2, target->height() / 2));
    return true;
  });
  steps.push_back([&] {
    if (preview.CurrentZoom() != -1) return false;
    zoomed = true;
    QTest::mouseClick(ui::qt::QtBackend::controlWidget(*preview.PreviewWindow, P::PRTPREV_TBarPrint), Qt::LeftButton);
    return true;
  });
  QObject context;
  std::function<void()> tick = [&] {
    if (steps.empty()) return;
    if (steps.front()()) steps.pop_front();
    QTimer::singleShot(10, &context, tick);
  };
  QTimer::singleShot(0, &context, tick);
  QTimer::singleShot(8000, &context, [&] {
    if (preview.PreviewWindow) ui::Engine::current().post(ui::Event_CloseDown, 0, preview.PreviewWindow);
  });
  EXPECT_TRUE(preview.Display(0, 1, 3, 1));
  EXPECT_TRUE(steps.empty()) << steps.size() << " steps left";
  EXPECT_GT(dark, 0) << "the first thumbnail shows its page";
  EXPECT_TRUE(zoomed);
  EXPECT_EQ(files.size(), 3u);
  preview.Kill();
}

}  // namespace
