// The Qt renderer against a real PDF reader: poppler's pdfinfo and
// pdftotext read back what the report engine wrote.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "../report_fixture.h"
#include "runtime/ui/qt/picture_loader.h"
#include "runtime/ui/report/qt/page_painter.h"
#include "runtime/ui/report/qt/qt_report_printer.h"

namespace {

namespace fs = std::filesystem;

QApplication& app() {
  static int argc = 1;
  static char name[] = "ui_report_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication a(argc, argv);
  return a;
}

std::string run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
  if (!p) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p.get())) > 0) out.append(buf.data(), n);
  return out;
}

std::string field(const std::string& info, const std::string& name) {
  size_t at = info.find(name + ":");
  if (at == std::string::npos) return "";
  size_t start = info.find_first_not_of(' ', at + name.size() + 1);
  if (start == std::string::npos) return "";
  size_t end = info.find('\n', start);
  return info.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

class PdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    old_ = ui::setReportPrinter(&printer_);
    dir_ = fs::temp_directory_path() / ("qv_pdf_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ui::setReportPrinter(old_);
    fs::remove_all(dir_);
  }

  // Eleven lines on five-line pages: three pages.
  // `list` (nullptr: the engine's own) receives the page files.
  void printSheet(ui::Report& report, std::string* name, std::string* grade, std::vector<std::string>* list) {
    report.open();
    report.setPreview(list);
    for (int i = 1; i <= 11; ++i) {
      *name = "Alumno " + std::to_string(i) + (i == 2 ? " Mu\xF1oz" : "");
      *grade = std::to_string(i % 10) + ".5";
      report.print(2);
    }
    report.endPage();
  }

  ui::qt::QtReportPrinter printer_;
  ui::ReportPrinter* old_ = nullptr;
  fs::path dir_;
};

TEST_F(PdfTest, PdfHasThePagesTheirSizeAndTheTextsInOrder) {
  std::string name, grade;
  ui::StringVar nv(&name), gv(&grade);
  ui::Report report(report_test::sheetDef());
  report.bind("?NAME", &nv);
  report.bind("?GRADE", &gv);
  std::vector<std::string> pages;
  printSheet(report, &name, &grade, &pages);
  ASSERT_EQ(pages.size(), 3u);

  std::string pdf = (dir_ / "sheet.pdf").string();
  ASSERT_TRUE(ui::writePdf("Planilla", pages, pdf));
  std::string info = run("pdfinfo '" + pdf + "'");
  EXPECT_EQ(field(info, "Pages"), "3") << info;
  EXPECT_EQ(field(info, "Title"), "Planilla");
  // Landscape A4: 842 x 595 points.
  EXPECT_EQ(field(info, "Page size"), "842 x 595 pts (A4)") << info;
  std::string fonts = run("pdffonts '" + pdf + "'");
  EXPECT_NE(fonts.find("yes"), std::string::npos) << "fonts embedded:\n" << fonts;

  std::string text = run("pdftotext -layout '" + pdf + "' -");
  std::vector<std::string> wanted = {"Grade sheet", "Alumno 1", "1.50", "Alumno 2 Muñoz", "Alumno 5", "\f",
                                     "Alumno 6",    "Alumno 10", "\f",  "Alumno 11",      "1.50"};
  size_t at = 0;
  for (const std::string& w : wanted) {
    size_t next = text.find(w, at);
    ASSERT_NE(next, std::string::npos) << "'" << w << "' after offset " << at << " in:\n" << text;
    at = next + w.size();
  }
  report.close();
}

TEST_F(PdfTest, NamesComeBackAsTypedInAFontWithLigatures) {
  // The sheets ask for Calibri; its metric twin has "ti" and "fi" ligatures,
  // which a reader cannot map back to letters when they are drawn as one glyph.
  ui::ReportDef def = report_test::sheetDef();
  def.bands[1].items[1].font = {"Calibri", 10, false, false};
  std::string name, grade;
  ui::StringVar nv(&name), gv(&grade);
  ui::Report report(def);
  report.bind("?NAME", &nv);
  report.bind("?GRADE", &gv);
  std::vector<std::string> pages;
  report.open();
  report.setPreview(&pages);
  for (const char* n : {"ALVAREZ, Martina", "FERREYRA, Sof\xED" "a", "Figueroa, Santiago"}) {
    name = n;
    grade = "7";
    report.print(2);
  }
  report.endPage();
  std::string pdf = (dir_ / "names.pdf").string();
  ASSERT_TRUE(ui::writePdf("Planilla", pages, pdf));
  std::string text = run("pdftotext -layout '" + pdf + "' -");
  for (const char* w : {"ALVAREZ, Martina", "FERREYRA, Sof\xC3\xAD" "a", "Figueroa, Santiago"})
    EXPECT_NE(text.find(w), std::string::npos) << w << " in:\n" << text;
  report.close();
}

TEST_F(PdfTest, PrintingGoesThroughThePrintDialogAndCanBeCancelled) {
  std::string name, grade;
  ui::StringVar nv(&name), gv(&grade);
  std::string pdf = (dir_ / "printed.pdf").string();
  int asked = 0;
  bool accept = false;
  printer_.askPrinter = [&](QPrinter& p) {
    ++asked;
    EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(p.docName(), "Planilla");
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(QString::fromStdString(pdf));
    return accept;
  };
  for (bool ok : {false, true}) {
    accept = ok;
    ui::Report report(report_test::sheetDef());
    report.bind("?NAME", &nv);
    report.bind("?GRADE", &gv);
    printSheet(report, &name, &grade, nullptr);
    EXPECT_EQ(report.setFlushPreview(1), ok);
    report.close();
    EXPECT_EQ(fs::exists(pdf), ok);
  }
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(field(run("pdfinfo '" + pdf + "'"), "Pages"), "3");
}

TEST_F(PdfTest, PaintingIsVectorSoAZoomedPageStaysSharp) {
  ui::PageImage page;
  page.width = 297, page.height = 210;
  ui::PageOp line;
  line.kind = ui::PageOp::Line;
  line.x = 10, line.y = 100, line.w = 277, line.h = 0;
  page.ops.push_back(line);
  // At 300 % the 0.2 mm line is still about 2 pixels: drawn at the zoom,
  // not a small bitmap blown up.
  QImage img(3 * 1123, 3 * 794, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    ui::qt::paintPage(p, page, QRectF(0, 0, img.width(), img.height()));
  }
  int x = img.width() / 2, dark = 0;
  for (int y = 0; y < img.height(); ++y)
    if (qGray(img.pixel(x, y)) < 128) ++dark;
  EXPECT_GE(dark, 1);
  EXPECT_LE(dark, 4);
}

TEST_F(PdfTest, ImageControlsDrawPageFilesAtTheirSize) {
  ui::PageImage page;
  page.width = 297, page.height = 210;
  ui::PageOp box;
  box.kind = ui::PageOp::Box;
  box.x = 0, box.y = 105, box.w = 297, box.h = 105, box.fill = 0;  // lower half black
  page.ops.push_back(box);
  std::string file = (dir_ / "p.qvpage").string();
  ASSERT_TRUE(ui::writePageFile(page, file));
  // Its own size: the paper at 96 dpi.
  EXPECT_EQ(ui::qt::pictureSize(QString::fromStdString(file)), QSize(1123, 794));
  for (QSize size : {QSize(300, 212), QSize(2246, 1588)}) {
    QImage img = ui::qt::loadPicture(QString::fromStdString(file), size).toImage();
    ASSERT_EQ(img.size(), size);
    EXPECT_EQ(qGray(img.pixel(size.width() / 2, size.height() / 4)), 255);
    EXPECT_LT(qGray(img.pixel(size.width() / 2, size.height() * 3 / 4)), 10);
  }
  EXPECT_TRUE(ui::qt::loadPicture(QString::fromStdString((dir_ / "missing.qvpage").string()), QSize(10, 10)).isNull());
}

}  // namespace
