#include "runtime/ui/report/report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "report_fixture.h"

namespace {

using report_test::Sheet;
using report_test::sheetDef;
namespace fs = std::filesystem;

std::vector<std::string> pageTexts(const std::string& file) {
  ui::PageImage p;
  EXPECT_TRUE(ui::readPageFile(file, &p)) << file;
  return p.texts();
}

TEST(ReportTest, PaperFollowsThePageForm) {
  struct Case {
    double x, y, w, h;
    double paperW, paperH;
  } cases[] = {
      {4, 4, 290, 200, 297, 210},      // the sheets: landscape A4
      {10, 10, 180, 260, 210, 297},    // portrait A4
      {0, 0, 214, 290, 215.9, 355.6},  // too wide for A4, too tall for Letter: Legal
      {0, 0, 400, 280, 420, 297},      // landscape A3
  };
  for (const Case& c : cases) {
    ui::ReportDef d;
    d.formX = c.x, d.formY = c.y, d.formWidth = c.w, d.formHeight = c.h;
    ui::Report r(d);
    EXPECT_DOUBLE_EQ(r.paperWidth(), c.paperW) << c.w << "x" << c.h;
    EXPECT_DOUBLE_EQ(r.paperHeight(), c.paperH) << c.w << "x" << c.h;
  }
}

TEST(ReportTest, BandsFillPagesWithHeaderAndFooterOnEach) {
  Sheet s;  // detail area 30 high, lines 6 high: five lines a page
  std::vector<std::string> list;
  ASSERT_EQ(s.report.open(), ui::ReportResult::Ok);
  s.report.setPreview(&list);
  for (int i = 1; i <= 12; ++i) ASSERT_EQ(s.line("Student " + std::to_string(i), "7.5"), ui::ReportResult::Ok);
  EXPECT_EQ(list.size(), 2u) << "two pages finished, the third still open";
  ASSERT_EQ(s.report.endPage(), ui::ReportResult::Ok);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(s.report.pages(), 3);

  EXPECT_EQ(pageTexts(list[0]),
            (std::vector<std::string>{"Grade sheet", "  1", "Student 1", " 7.50", "Student 2", " 7.50", "Student 3",
                                      " 7.50", "Student 4", " 7.50", "Student 5", " 7.50"}));
  EXPECT_EQ(pageTexts(list[2]), (std::vector<std::string>{"Grade sheet", "  3", "Student 11", " 7.50", "Student 12", " 7.50"}));

  ui::PageImage p;
  ASSERT_TRUE(ui::readPageFile(list[1], &p));
  EXPECT_DOUBLE_EQ(p.width, 297);
  EXPECT_DOUBLE_EQ(p.height, 210);
  // The first detail line of a page sits at the top of the detail area, the
  // next one a band lower; the footer rule is the last thing drawn.
  std::vector<double> boxTops;
  for (const ui::PageOp& op : p.ops)
    if (op.kind == ui::PageOp::Box) boxTops.push_back(op.y);
  EXPECT_EQ(boxTops, (std::vector<double>{30, 36, 42, 48, 54}));
  ASSERT_FALSE(p.ops.empty());
  EXPECT_EQ(p.ops.back().kind, ui::PageOp::Line);
  EXPECT_DOUBLE_EQ(p.ops.back().y, 199);
  EXPECT_EQ(p.ops.back().color, ui::rgb(128, 128, 128));
}

TEST(ReportTest, BlankWhenZeroFieldsLeaveNoText) {
  Sheet s;
  std::vector<std::string> list;
  s.report.open();
  s.report.setPreview(&list);
  s.line("Ana", "0");
  s.report.endPage();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(pageTexts(list[0]), (std::vector<std::string>{"Grade sheet", "  1", "Ana"}));
}

TEST(ReportTest, WindowsTextFromRecordsPrintsAsItsLetters) {
  Sheet s;
  std::vector<std::string> list;
  s.report.open();
  s.report.setPreview(&list);
  s.line("Mu\xF1oz, Jos\xE9", "8");   // Windows-1252, as the record files hold it
  s.line("Pe\xC3\xB1" "a", "9");      // already UTF-8
  s.report.endPage();
  auto t = pageTexts(list[0]);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[2], "Mu\xC3\xB1oz, Jos\xC3\xA9");
  EXPECT_EQ(t[4], "Pe\xC3\xB1" "a");
}

TEST(ReportTest, BandTallerThanTheAreaGetsAPageOfItsOwn) {
  Sheet s(sheetDef(30, 40));
  std::vector<std::string> list;
  s.report.open();
  s.report.setPreview(&list);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(s.line("X", "1"), ui::ReportResult::Ok);
  s.report.endPage();
  EXPECT_EQ(list.size(), 3u);
}

TEST(ReportTest, AGroupHeaderKeptWithItsFirstLineMovesToTheNextPage) {
  ui::ReportDef d = sheetDef(30, 6);  // five lines a page
  ui::ReportBand group{ui::Band_Detail, "group", 0, 0, 290, 6, {}};
  group.withNext = 6;
  group.items.push_back({ui::RItem_Text, "", "GROUP", 4, 1, 50, 4, {}});
  d.bands.push_back(group);
  Sheet s(d);
  std::vector<std::string> list;
  s.report.open();
  s.report.setPreview(&list);
  for (int i = 1; i <= 4; ++i) s.line("L" + std::to_string(i), "1");
  ASSERT_EQ(s.report.print(4), ui::ReportResult::Ok);  // would fit, but its line would not
  s.line("L5", "1");
  s.report.endPage();
  ASSERT_EQ(list.size(), 2u);
  auto second = pageTexts(list[1]);
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second[2], "GROUP");
  EXPECT_EQ(second[3], "L5");
}

TEST(ReportTest, MisuseIsRefusedWithoutOutput) {
  Sheet s;
  EXPECT_EQ(s.line("A", "1"), ui::ReportResult::NotOpen);
  EXPECT_EQ(s.report.endPage(), ui::ReportResult::NotOpen);
  s.report.close();  // never opened: harmless
  s.report.close();
  s.report.open();
  EXPECT_EQ(s.report.print(0), ui::ReportResult::NoSuchBand);
  EXPECT_EQ(s.report.print(1), ui::ReportResult::NoSuchBand) << "a header is not printed by hand";
  EXPECT_EQ(s.report.print(9), ui::ReportResult::NoSuchBand);
  EXPECT_EQ(s.report.endPage(), ui::ReportResult::Ok) << "no page open: nothing to end";
  EXPECT_EQ(s.report.pages(), 0);
}

TEST(ReportTest, FlushPrintsTheListedPagesInOrderAndDeletesThem) {
  Sheet s;
  std::vector<std::string> list;
  s.report.open();
  s.report.setPreview(&list);
  for (int i = 1; i <= 11; ++i) s.line("S" + std::to_string(i), "7");
  s.report.endPage();
  ASSERT_EQ(list.size(), 3u);
  std::string dropped = list[1];
  fs::remove(dropped);  // the preview deletes what the user did not choose
  list.erase(list.begin() + 1);

  s.report.setProp(ui::ReportProp_FlushPreview, 1);
  ASSERT_EQ(s.printer.jobs.size(), 1u);
  const auto& job = s.printer.jobs[0];
  EXPECT_EQ(job.title, "Planilla");
  ASSERT_EQ(job.pages.size(), 2u);
  EXPECT_EQ(job.pages[0].texts()[1], "  1");
  EXPECT_EQ(job.pages[1].texts()[1], "  3");
  for (const auto& f : job.files) EXPECT_FALSE(fs::exists(f));
  std::string folder = s.report.folder();
  s.report.close();
  EXPECT_FALSE(fs::exists(folder));
}

TEST(ReportTest, DiscardOrCloseWithoutFlushPrintsNothing) {
  for (bool discard : {true, false}) {
    Sheet s;
    std::vector<std::string> list;
    s.report.open();
    s.report.setPreview(&list);
    s.line("A", "1");
    s.report.endPage();
    ASSERT_EQ(list.size(), 1u);
    if (discard) {
      s.report.setFlushPreview(0);
      EXPECT_FALSE(fs::exists(list[0]));
    }
    std::string folder = s.report.folder();
    s.report.close();
    EXPECT_TRUE(s.printer.jobs.empty());
    EXPECT_EQ(s.printer.dialogs, 0);
    EXPECT_FALSE(fs::exists(folder));
  }
}

TEST(ReportTest, WithoutAPreviewListTheEngineKeepsThePagesForTheFlush) {
  Sheet s;
  s.report.open();
  s.line("A", "1");
  // The flush completes the open page too.
  EXPECT_TRUE(s.report.setFlushPreview(1));
  ASSERT_EQ(s.printer.jobs.size(), 1u);
  EXPECT_EQ(s.printer.jobs[0].pages.size(), 1u);
  s.printer.answer = false;  // the user cancels the print dialog
  s.line("B", "2");
  EXPECT_FALSE(s.report.setFlushPreview(1));
  EXPECT_EQ(s.printer.jobs.size(), 1u);
}

TEST(ReportTest, WithoutAPrintBackEndAFlushDoesNotClaimToHavePrinted) {
  ui::ReportPrinter* installed = ui::setReportPrinter(nullptr);
  {
    ui::Report r(sheetDef());
    r.open();
    r.print(2);
    EXPECT_FALSE(r.setFlushPreview(1));
  }
  ui::setReportPrinter(installed);
}

TEST(PageImageTest, FilesKeepEveryElement) {
  ui::PageImage p;
  p.width = 297, p.height = 210;
  ui::PageOp t;
  t.kind = ui::PageOp::Text;
  t.x = 4.25, t.y = 1, t.w = 81, t.h = 4;
  t.text = "tab\there\nback\\slash";
  t.font = "Calibri", t.size = 10.5, t.bold = true, t.align = 'R', t.wrap = true, t.color = ui::rgb(1, 2, 3);
  ui::PageOp b;
  b.kind = ui::PageOp::Box;
  b.x = 2, b.y = 17, b.w = 283, b.h = 6, b.fill = ui::rgb(242, 242, 242);
  ui::PageOp l;
  l.kind = ui::PageOp::Line;
  l.x = 2, l.y = 6, l.w = 283, l.h = 0;
  p.ops = {t, b, l};
  ui::PageImage q;
  ASSERT_TRUE(ui::decodePage(ui::encodePage(p), &q));
  EXPECT_EQ(ui::encodePage(q), ui::encodePage(p));
  ASSERT_EQ(q.ops.size(), 3u);
  EXPECT_EQ(q.ops[0].text, t.text);
  EXPECT_DOUBLE_EQ(q.ops[0].size, 10.5);
  EXPECT_TRUE(q.ops[0].bold && q.ops[0].wrap);
  EXPECT_EQ(q.ops[1].fill, b.fill);
  EXPECT_DOUBLE_EQ(q.ops[2].w, 283);

  for (const char* bad : {"", "QVPAGE\t1\t0\t10\n", "QVPAGE\t2\t10\t10\n", "PNG", "QVPAGE\t1\t10\t10\nX\t1\n",
                          "QVPAGE\t1\t10\t10\nB\t1\t2\t3\n"}) {
    ui::PageImage r;
    EXPECT_FALSE(ui::decodePage(bad, &r)) << bad;
  }
}

}  // namespace
