// The report engine on a grade sheet of 40 students (the progress sheet's
// layout: 14 captions, 15 separators, a shaded name cell and 13 grades per
// line): laying it out into page files, and writing those as PDF; and the
// preview's redraw of one page at 200 % zoom, the whole page and the part a
// preview window shows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/ui/report/page_image.h"
#include "runtime/ui/report/qt/page_painter.h"
#include "runtime/ui/report/qt/qt_report_printer.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/use_var.h"
#include "bench/offscreen_platform.h"

namespace {

const double kSeparators[] = {2, 94, 108, 123, 138, 152, 167, 181, 196, 210, 225, 240, 254, 269, 285};
const double kGradeX[] = {98, 110, 125, 140, 154, 169, 183, 198, 213, 227, 242, 256, 273};
const char* kCaptions[] = {"Alumno/a", "Eval. 1", "Eval. 2", "Eval. 3", "OLE 1", "JIS 1",    "Eval. 4",
                           "Eval. 5",  "Eval. 6", "OLE 2",   "JIS 2",   "Pro. OLE", "Rec.", "Final"};
const double kCaptionX[] = {4, 98, 113, 127, 142, 158, 171, 185, 200, 215, 229, 242, 260, 273};
constexpr long long kGrey = ui::rgb(128, 128, 128);
constexpr long long kShade = ui::rgb(242, 242, 242);

struct Sheet {
  std::string name = "Alumno";
  std::vector<std::string> grades = std::vector<std::string>(13, "7.5");
  ui::StringVar nameVar{&name};
  std::vector<ui::StringVar> gradeVars;

  ui::ReportDef def() {
    ui::ReportDef d;
    d.title = "Planilla";
    d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
    d.detailX = 4, d.detailY = 30, d.detailWidth = 290, d.detailHeight = 170;
    ui::ReportBand h{ui::Band_Header, "header", 4, 5, 290, 25, {}};
    h.items.push_back({ui::RItem_Text, "", "MATEMATICA", 4, 2, 160, 6, {"", 14, true, false}});
    h.items.push_back({ui::RItem_Box, "", "", 2, 17, 283, 6, {}, kShade, kShade});
    for (size_t i = 0; i < 14; ++i)
      h.items.push_back({ui::RItem_Text, "", kCaptions[i], kCaptionX[i], 19, 20, 4, {"", 0, i == 0, false}});
    for (double x : kSeparators) h.items.push_back({ui::RItem_Line, "", "", x, 17, 0, 8, {}, kGrey});
    ui::ReportBand detail{ui::Band_Detail, "detail", 0, 0, 290, 6, {}};
    detail.items.push_back({ui::RItem_Box, "", "", 2, 0, 92, 6, {}, kShade, kShade});
    detail.items.push_back({ui::RItem_Field, "?NAME", "@s45", 4, 1, 81, 4, {"", 0, true, false}});
    for (size_t i = 0; i < 13; ++i)
      detail.items.push_back({ui::RItem_Field, "?G" + std::to_string(i), "@n5.2B", kGradeX[i], 1, 12, 4, {}});
    for (double x : kSeparators) detail.items.push_back({ui::RItem_Line, "", "", x, 0, 0, 6, {}, kGrey});
    detail.items.push_back({ui::RItem_Line, "", "", 2, 6, 283, 0, {}, kGrey});
    ui::ReportBand f{ui::Band_Footer, "footer", 4, 199, 290, 25, {}};
    f.items.push_back({ui::RItem_Box, "", "", 2, 0, 283, 1, {}, kGrey, kGrey});
    d.bands = {h, detail, f};
    return d;
  }

  // Prints 40 lines; the page files.
  std::vector<std::string> run(ui::Report& r) {
    r.bind("?NAME", &nameVar);
    gradeVars.clear();
    gradeVars.reserve(13);
    for (size_t i = 0; i < 13; ++i) {
      gradeVars.emplace_back(&grades[i]);
      r.bind("?G" + std::to_string(i), &gradeVars.back());
    }
    std::vector<std::string> files;
    r.open();
    r.setPreview(&files);
    for (int i = 1; i <= 40; ++i) {
      name = "Alumno numero " + std::to_string(i);
      r.print(2);
    }
    r.endPage();
    return files;
  }
};

void BM_SheetToPageFiles(benchmark::State& state) {
  Sheet s;
  for (auto _ : state) {
    ui::Report r(s.def());
    std::vector<std::string> files = s.run(r);
    benchmark::DoNotOptimize(files.data());
    r.close();
  }
}
BENCHMARK(BM_SheetToPageFiles)->Unit(benchmark::kMillisecond);

void BM_SheetToPdf(benchmark::State& state) {
  Sheet s;
  ui::qt::QtReportPrinter printer;
  ui::ReportPrinter* old = ui::setReportPrinter(&printer);
  std::string pdf = (std::filesystem::temp_directory_path() / "qv_report_bench.pdf").string();
  for (auto _ : state) {
    ui::Report r(s.def());
    std::vector<std::string> files = s.run(r);
    if (!ui::writePdf("Planilla", files, pdf)) state.SkipWithError("PDF not written");
    r.close();
  }
  std::filesystem::remove(pdf);
  ui::setReportPrinter(old);
}
BENCHMARK(BM_SheetToPdf)->Unit(benchmark::kMillisecond);

// One page at 200 %: 297 mm at 96 dpi is 1123 px, so 2245 x 1587 px for
// the whole page; a preview window shows about 1000 x 700 px of it.
void BM_PreviewPage200(benchmark::State& state) {
  Sheet s;
  ui::Report r(s.def());
  std::vector<std::string> files = s.run(r);
  ui::PageImage page;
  ui::readPageFile(files[0], &page);
  const bool whole = state.range(0) != 0;
  const double full = 2 * 96 / 25.4;  // px per mm at 200 %
  QImage img(whole ? int(page.width * full) : 1000, whole ? int(page.height * full) : 700, QImage::Format_RGB32);
  for (auto _ : state) {
    img.fill(Qt::white);
    QPainter p(&img);
    // The visible part: the middle of the page.
    QRectF target(whole ? 0 : -600, whole ? 0 : -400, page.width * full, page.height * full);
    ui::qt::paintPage(p, page, target);
  }
  state.SetLabel(whole ? "whole page" : "window of 1000x700");
  r.close();
}
BENCHMARK(BM_PreviewPage200)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenPlatform();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
