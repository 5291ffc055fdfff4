// Report procedures run end to end over a real file: batching on timer
// events, progress, the no-records, cancel and failure paths, and what
// reaches the preview and the printer.
#include "framework/report/report_manager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/window/step_string_class.h"
#include "report_fixture.h"

namespace fwreport {
namespace {

class ReportManagerTest : public Procedure {
 protected:
  // Records printed in each timer event, in order.
  std::vector<int> perEvent() const {
    std::vector<int> out;
    for (const Printed& p : printed) {
      if (out.size() < size_t(p.event)) out.resize(size_t(p.event), 0);
      ++out[size_t(p.event) - 1];
    }
    return out;
  }
  std::vector<int32_t> cycles(size_t n) const {
    std::vector<int32_t> out;
    for (size_t i = 0; i < n && i < printed.size(); ++i) out.push_back(printed[i].perCycle);
    return out;
  }
};

TEST_F(ReportManagerTest, BatchesGrowWhileUnderTheSliceAndEndTheEventAtEightyPercent) {
  Seed(20);
  costs = {10};  // every record takes 10 centiseconds
  EXPECT_EQ(Run(), fw::Response_Completed);
  ASSERT_EQ(printed.size(), 20u);
  // 1, then 2, 4, 8 after 1, 2 and 4 records (10, 20, 40 centiseconds);
  // after the 8th (80 centiseconds) it stays 8 and the event ends.
  EXPECT_EQ(cycles(8), (std::vector<int32_t>{1, 2, 4, 4, 8, 8, 8, 8}));
  EXPECT_EQ(perEvent(), (std::vector<int>{8, 8, 4}));
}

TEST_F(ReportManagerTest, SlowBatchesHalveTheBatchNotBelowOne) {
  struct Case {
    const char* name;
    int32_t start;
    std::vector<int32_t> costs;
    int32_t after;  // RecordsPerCycle once the first event is over
  } cases[] = {
      {"160 of 100 halves 3 to 1", 3, {50, 50, 60}, 1},
      {"160 of 100 halves 8 to 4", 8, {20}, 4},
      {"one slow record stays 1", 1, {200}, 1},
      {"between half and 150 % keeps the size", 4, {30}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Seed(int(c.start) + 2);
    costs = c.costs;
    configure = [&](ThisWindow& w) { w.RecordsPerCycle = c.start; };
    Run();
    ASSERT_GT(printed.size(), size_t(c.start));
    EXPECT_EQ(perEvent()[0], c.start);
    EXPECT_EQ(printed[size_t(c.start)].perCycle, c.after);
  }
}

TEST_F(ReportManagerTest, AnEventAcrossMidnightStillEndsAtTheSlice) {
  Seed(20);
  costs = {10};
  now = kDay - 25;  // the clock passes midnight during the first event
  EXPECT_EQ(Run(), fw::Response_Completed);
  EXPECT_EQ(perEvent(), (std::vector<int>{8, 8, 4}));
}

TEST_F(ReportManagerTest, PercentageByRecordCountIsWrittenOnlyWhenItChanges) {
  Seed(200);
  EXPECT_EQ(Run(), fw::Response_Completed);
  EXPECT_EQ(printed.size(), 200u);
  // Two records per percent: 100 changes, each shown once.
  ASSERT_EQ(progressTexts.size(), 100u);
  EXPECT_EQ(progressTexts[0], "1% Complete");
  EXPECT_EQ(progressTexts[49], "50% Complete");  // after the 100th record
  EXPECT_EQ(progressTexts.back(), "100% Complete");
  EXPECT_EQ(percent, 100);
}

TEST_F(ReportManagerTest, OneRecordPrintsOnePageThroughThePreview) {
  Seed(1);
  EXPECT_EQ(Run(), fw::Response_Completed);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(preview.displays, 1);
  EXPECT_EQ(preview.shownPages, 1);
  ASSERT_EQ(printer.jobs.size(), 1u);
  ASSERT_EQ(printer.jobs[0].pages.size(), 1u);
  EXPECT_EQ(printer.jobs[0].pages[0].texts(), (std::vector<std::string>{"Student 1"}));
  EXPECT_TRUE(errs().ids.empty());
}

TEST_F(ReportManagerTest, NoRecordsTellsTheUserOnceAndShowsNothing) {
  for (bool keepVisible : {false, true}) {
    SCOPED_TRACE(keepVisible ? "kept visible" : "plain");
    errs().ids.clear();
    Seed(0);
    configure = [&](ThisWindow& w) { w.KeepVisible = keepVisible; };
    EXPECT_EQ(Run(), fw::Response_Cancelled);
    EXPECT_EQ(errs().ids, (std::vector<int>{25}));
    EXPECT_EQ(preview.displays, 0);
    EXPECT_TRUE(printer.jobs.empty());
    EXPECT_TRUE(printed.empty());
    EXPECT_EQ(report->pages(), 0);
  }
}

TEST_F(ReportManagerTest, FailuresAndCancelPrintNothing) {
  struct Case {
    const char* name;
    int failRecord, failRead, cancelAt;
    size_t printed;
  } cases[] = {
      {"record hook answers Fatal", 5, 0, 0, 5},
      {"a read fails", 0, 7, 0, 6},
      {"Cancel between batches", 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Seed(30);
    costs = {200};  // one record per event
    failRecordAt = c.failRecord;
    failReadAt = c.failRead;
    cancelAt = c.cancelAt;
    EXPECT_EQ(Run(), fw::Response_Cancelled);
    EXPECT_EQ(printed.size(), c.printed);
    EXPECT_EQ(preview.displays, 0);
    EXPECT_TRUE(printer.jobs.empty());
  }
}

TEST_F(ReportManagerTest, AReportWithNowhereForItsPagesSaysSoAndPrintsNothing) {
  Seed(3);
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", dir.file("missing/folder").c_str(), 1);
  uint8_t r = Run();
  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
  EXPECT_EQ(r, fw::Response_Cancelled);
  ASSERT_EQ(messages().shown.size(), 1u);
  EXPECT_EQ(messages().shown[0].caption, "Report Error");
  EXPECT_TRUE(printed.empty());
  EXPECT_EQ(preview.displays, 0);
}

TEST_F(ReportManagerTest, PreviewDecidesWhatIsPrinted) {
  struct Case {
    const char* name;
    bool withPreview, skip, answer;
    int displays;
    bool printed;
  } cases[] = {
      {"preview accepted", true, false, true, 1, true},
      {"preview cancelled: discarded, still completed", true, false, false, 1, false},
      {"preview skipped", true, true, false, 0, true},
      {"no preview", false, false, false, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer.jobs.clear();
    preview.displays = 0;
    Seed(40);  // more than one page
    withPreview = c.withPreview;
    preview.answer = c.answer;
    std::vector<std::string> files;
    preview.onDisplay = [&] { files = *preview.ImageQueue; };
    configure = [&](ThisWindow& w) { w.SkipPreview = c.skip; };
    EXPECT_EQ(Run(), fw::Response_Completed);
    EXPECT_EQ(preview.displays, c.displays);
    ASSERT_EQ(printer.jobs.size(), c.printed ? 1u : 0u);
    if (c.printed) {
      ASSERT_EQ(printer.jobs[0].pages.size(), 2u);
      EXPECT_EQ(printer.jobs[0].pages[1].texts().back(), "Student 40");
    }
    for (const std::string& f : files) EXPECT_FALSE(std::filesystem::exists(f)) << f;
  }
}

TEST_F(ReportManagerTest, PagesLeftOutInThePreviewAreNotPrinted) {
  Seed(90);  // 28 lines a page: 4 pages
  preview.onDisplay = [&] {
    ASSERT_EQ(preview.Pages(), 4);
    preview.PagesToPrint = "2,4";
    preview.SyncImageQueue();
  };
  EXPECT_EQ(Run(), fw::Response_Completed);
  ASSERT_EQ(printer.jobs.size(), 1u);
  ASSERT_EQ(printer.jobs[0].pages.size(), 2u);
  EXPECT_EQ(printer.jobs[0].pages[0].texts().front(), "Student 29");
  EXPECT_EQ(printer.jobs[0].pages[1].texts().front(), "Student 85");
}

TEST_F(ReportManagerTest, ProgressWindowHidesDuringThePreviewUnlessKeptVisible) {
  for (bool keep : {false, true}) {
    Seed(3);
    bool visible = !keep;
    preview.onDisplay = [&] { visible = window->prop(0, ui::Prop_Visible).toInt() != 0; };
    configure = [&](ThisWindow& w) { w.KeepVisible = keep; };
    EXPECT_EQ(Run(), fw::Response_Completed);
    EXPECT_EQ(visible, keep);
  }
}

TEST_F(ReportManagerTest, BatchesAskTheViewToPrefetchUnlessSwitchedOff) {
  for (bool mrp : {true, false}) {
    Seed(20);
    costs = {10};
    configure = [&](ThisWindow& w) { w.SetUseMRP(mrp); };
    Run();
    ASSERT_EQ(printed.size(), 20u);
    EXPECT_EQ(printed[0].prefetch, mrp ? "1" : "0");
  }
}

TEST_F(ReportManagerTest, DeferredOpenAndDeferredWindow) {
  Seed(12);
  costs = {60};
  int openedBeforeTimer = -1;
  configure = [&](ThisWindow& w) {
    w.DeferOpenReport = 1;
    w.DeferWindow = 2;  // seconds of processing before the window shows
    w.WaitCursor = 1;
  };
  preview.onDisplay = [&] { openedBeforeTimer = report->pages(); };
  EXPECT_EQ(Run(), fw::Response_Completed);
  ASSERT_EQ(printed.size(), 12u);
  EXPECT_EQ(printed[0].event, 1) << "the report opened on the first timer event";
  EXPECT_FALSE(printed[0].windowShown);
  EXPECT_TRUE(printed.back().windowShown) << "shown once two seconds had passed";
  EXPECT_EQ(openedBeforeTimer, 1);
  EXPECT_FALSE(ui::Engine::current().waitCursor());
}

// Answers seven percent per student number, so that the last ones go past 100.
class FakeStep : public fw::StepClass {
 public:
  int GetPercentile(std::string_view value) override {
    asked.emplace_back(value);
    return 7 * std::atoi(std::string(value.substr(value.find(' ') + 1)).c_str());
  }
  void SetLimit(std::string_view low, std::string_view high) override {
    limits.emplace_back(std::string(low) + ".." + std::string(high));
  }
  void Kill() override { ++kills; }
  std::vector<std::string> asked, limits;
  int kills = 0;
};

TEST_F(ReportManagerTest, WithAStepObjectProgressFollowsTheValueNotTheCount) {
  for (bool caseSensitive : {true, false}) {
    SCOPED_TRACE(caseSensitive ? "as they are" : "upper-cased");
    Seed(20);
    FakeStep fake;
    step = &fake;
    int32_t counted = -1;
    configure = [&](ThisWindow& w) { w.Process->CaseSensitiveValue = caseSensitive; };
    preview.onDisplay = [&] { counted = process->RecordsToProcess; };
    EXPECT_EQ(Run(), fw::Response_Completed);
    step = nullptr;
    const std::string s = caseSensitive ? "Student" : "STUDENT";
    EXPECT_EQ(fake.limits, (std::vector<std::string>{s + " 1.." + s + " 20"}));
    ASSERT_EQ(fake.asked.size(), 20u);
    EXPECT_EQ(fake.asked[2], s + " 3");
    EXPECT_EQ(counted, 0) << "no record count taken";
    // 7, 14, ... 98, then 105 and above are shown as 100, once.
    ASSERT_EQ(progressTexts.size(), 15u);
    EXPECT_EQ(progressTexts[2], "21% Complete");
    EXPECT_EQ(progressTexts.back(), "100% Complete");
    EXPECT_GE(fake.kills, 1);
  }
}

TEST_F(ReportManagerTest, TheSheetsTextStepMovesTheBarFromStartToEnd) {
  Seed(30);
  fw::StepStringClass names;
  names.Init(fw::Step_Alpha | fw::Step_Digits, fw::StepLookup_Runtime);  // as the sheets set it up
  step = &names;
  sortKey = 1;  // the step field is the order's key
  EXPECT_EQ(Run(), fw::Response_Completed);
  step = nullptr;
  sortKey = 0;
  ASSERT_FALSE(progressTexts.empty());
  int last = 0;
  for (const std::string& t : progressTexts) {
    int p = std::atoi(t.c_str());
    EXPECT_GT(p, last) << t;  // rewritten only when it moves, and only forwards in key order
    last = p;
  }
  // The text step's own granularity decides how close to 100 the last
  // name comes; it must get most of the way.
  EXPECT_GE(last, 80);
}

}  // namespace
}  // namespace fwreport
