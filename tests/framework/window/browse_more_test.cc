// Browse lists called to pick a record, lists that hold the whole file, and
// what the browse tells the driver while it reads a page. Real Kestrel
// files, the Qt back-end offscreen, real key presses and clicks.
#include <climits>
#include <cmath>

#include "browse_fixture.h"
#include "framework/window/request_codes.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_notice.h"
#include "runtime/ui/property_ids.h"

namespace fwwin {
namespace {

// The name SeedNamed gives student i (0-based).
std::string NameOf(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "N%02d", i);
  return name;
}

// --- A browse called to pick a record ------------------------------------------

class BrowseSelecting : public BrowseTest {
 protected:
  // Students 1..n of subject 10 * number, named "S01" ...: each record's
  // subject is its own, and the order by subject and name is by number.
  void SeedSubjects(int n) {
    std::vector<std::tuple<int, int, std::string>> rows;
    for (int i = 1; i <= n; ++i) {
      char name[8];
      std::snprintf(name, sizeof name, "S%02d", i);
      rows.emplace_back(i, 10 * i, name);
    }
    Seed(rows);
  }
  // The record buffer as "num/subject/name".
  std::string BufferText() { return access->text(kStuNum) + "/" + access->text(kStuSubj) + "/" + access->text(kStuName); }
  void Load(int num, int subj, const std::string& name) {
    access->set(kStuNum, std::to_string(num));
    access->set(kStuSubj, std::to_string(subj));
    access->set(kStuName, name);
  }
  static StudentBrowse::Options Picker() {
    StudentBrowse::Options o;
    o.selectButton = true;
    o.locator = false;
    return o;
  }
};

TEST_F(BrowseSelecting, SelectButtonFollowsTheRecordsAndTheRequest) {
  struct Case {
    const char* name;
    uint8_t request;
    bool hideSelect;
    bool records;
    bool enabled, isDefault, visible;
  };
  const Case cases[] = {
      {"selecting with records", fw::Request_Select, false, true, true, true, true},
      {"selecting an empty view", fw::Request_Select, false, false, false, false, true},
      {"not selecting, HideSelect", fw::Request_Change, true, true, false, false, false},
      {"not selecting, shown", fw::Request_Change, false, true, true, false, true},
  };
  Seed({{1, 1, "ONE"}, {2, 1, "TWO"}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StudentBrowse::Options o = Picker();
    o.subject = c.records ? 1 : 2;
    o.beforeAlerts = [&c](fw::BrowseClass& brw) { brw.HideSelect = c.hideSelect; };
    StudentBrowse b(*access, relate, errors, o);
    b.Request = c.request;
    QStringList popup;
    Script s;
    s.act([&] {
      EXPECT_EQ(b.brw.Selecting, c.request == fw::Request_Select);
      EXPECT_EQ(b.window.enabled(kSelect), c.enabled);
      EXPECT_EQ(b.window.prop(kSelect, ui::Prop_Default).toInt() != 0, c.isDefault);
      EXPECT_EQ(b.window.visible(kSelect), c.visible);
      auto* button = qobject_cast<QPushButton*>(ui::qt::QtBackend::controlWidget(b.window, kSelect));
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->isVisible(), c.visible);
      EXPECT_EQ(button->isEnabled(), c.enabled);
    });
    if (c.records) {
      // A selecting browse offers Select in the list's menu; others do not.
      s.act([&] { QTest::mouseClick(List(b)->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(b, 1)); })
          .then([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return false;
            for (QAction* a : menu->actions()) popup << a->text();
            menu->close();
            return true;
          });
    }
    s.act(Close(b));
    EXPECT_EQ(RunBrowse(b, s), fw::Response_Cancelled);
    if (c.records) {
      EXPECT_EQ(popup.contains("&Select"), c.request == fw::Request_Select) << popup.join(",").toStdString();
    }
  }
}

TEST_F(BrowseSelecting, DoubleClickSelectsTheRowAndFillsTheBufferAsAsked) {
  SeedSubjects(5);
  for (bool whole : {false, true}) {
    SCOPED_TRACE(whole ? "SelectWholeRecord" : "queue columns only");
    StudentBrowse::Options o = Picker();
    o.beforeAlerts = [whole](fw::BrowseClass& brw) { brw.SelectWholeRecord = whole; };
    StudentBrowse b(*access, relate, errors, o);
    b.Request = fw::Request_Select;
    Script s;
    s.act([&] {
      ASSERT_EQ(b.queue.rowCount(), 5);
      // The subject is not a column of the list: only a re-read brings it.
      QTest::mouseClick(List(b)->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(b, 3));
    });
    s.act([&] {
      ASSERT_EQ(Highlighted(b), "S03");
      access->set(kStuSubj, "777");
      QTest::mouseDClick(List(b)->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(b, 3));
    });
    EXPECT_EQ(RunBrowse(b, s), fw::Response_Completed);
    EXPECT_EQ(BufferText(), whole ? "3/30/S03" : "3/777/S03");
    EXPECT_TRUE(b.calls.empty());  // no update form for a selection
    EXPECT_TRUE(access->Buffers.empty());  // the saved buffer was dropped, not kept
  }
}

TEST_F(BrowseSelecting, EnterSelectsTheHighlightedRecord) {
  SeedSubjects(5);
  Load(1, 10, "S01");  // a selecting browse opens on the record in the buffer
  StudentBrowse::Options o = Picker();
  o.beforeAlerts = [](fw::BrowseClass& brw) { brw.SelectWholeRecord = true; };
  StudentBrowse b(*access, relate, errors, o);
  b.Request = fw::Request_Select;
  Script s;
  s.act(Press(b, Qt::Key_Down)).act(Press(b, Qt::Key_Down)).act([&] { ASSERT_EQ(Highlighted(b), "S03"); })
      .act(Press(b, Qt::Key_Down)).act(Press(b, Qt::Key_Return));
  EXPECT_EQ(RunBrowse(b, s), fw::Response_Completed);
  EXPECT_EQ(BufferText(), "4/40/S04");
}

TEST_F(BrowseSelecting, OpensOnTheRecordInTheBufferAndRestoresItWhenCancelled) {
  SeedSubjects(30);
  // The caller's buffer: record 12, with a subject the caller changed in it.
  Load(12, 120, "S12");
  StudentBrowse b(*access, relate, errors, Picker());
  b.Request = fw::Request_Select;
  Script s;
  s.act([&] {
    EXPECT_EQ(Highlighted(b), "S12");
    EXPECT_EQ(b.brw.CurrentChoice, 1);
    EXPECT_GT(b.brw.Buffer, 0);
  })
      .act(Press(b, Qt::Key_Down))
      .act([&] { EXPECT_EQ(access->text(kStuName), "S13"); })
      .act(Press(b, Qt::Key_Escape));
  EXPECT_EQ(RunBrowse(b, s), fw::Response_Cancelled);
  EXPECT_EQ(BufferText(), "12/120/S12");
  EXPECT_TRUE(access->Buffers.empty());
}

TEST_F(BrowseSelecting, BrowseThatIsNotSelectingLeavesTheBufferAsTheListLeftIt) {
  SeedSubjects(5);
  Load(99, 990, "CALLER");
  StudentBrowse b(*access, relate, errors, Picker());
  Script s;
  s.act([&] { EXPECT_EQ(b.brw.Buffer, 0); }).act(Press(b, Qt::Key_Down)).act(Close(b));
  EXPECT_EQ(RunBrowse(b, s), fw::Response_Cancelled);
  EXPECT_EQ(access->text(kStuName), "S02");
}

// --- A list that holds the whole file ------------------------------------------------

class BrowseFileLoaded : public BrowseTest {
 protected:
  static StudentBrowse::Options Loaded() {
    StudentBrowse::Options o;
    o.beforeAlerts = [](fw::BrowseClass& brw) { brw.FileLoaded = true; };
    return o;
  }
  static int ThumbPos(StudentBrowse& b) { return int(b.window.prop(kList, ui::Prop_VScrollPos).toInt()); }
  // First row the list shows (1-based).
  static int TopRow(StudentBrowse& b) { return List(b)->rowAt(0) + 1; }
  static bool RowShown(StudentBrowse& b, int row) {
    QTableView* t = List(b);
    return t->viewport()->rect().contains(t->visualRect(t->model()->index(row - 1, 0)).center());
  }
};

TEST_F(BrowseFileLoaded, HoldsEveryRecordAndScrollsWithoutReading) {
  SeedNamed(30);
  StudentBrowse b(*access, relate, errors, Loaded());
  int shown = 0;
  long long reads = 0;
  Script s;
  s.act([&] {
    shown = b.brw.ILC->GetItems();
    ASSERT_LT(shown, 30);
    EXPECT_EQ(b.queue.rowCount(), 30);
    EXPECT_EQ(b.brw.LastItems, INT32_MAX);
    EXPECT_EQ(Highlighted(b), "N00");
    reads = b.brw.RecordsRead;
  })
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 30);
        EXPECT_EQ(Highlighted(b), "N29");
        EXPECT_EQ(access->text(kStuName), "N29");
        EXPECT_TRUE(RowShown(b, 30));  // the list scrolled to its last row
        EXPECT_FALSE(RowShown(b, 1));
      })
      .act(Press(b, Qt::Key_Down))
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, 30); })
      .act(Press(b, Qt::Key_Home, Qt::ControlModifier))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 1);
        EXPECT_EQ(TopRow(b), 1);
        EXPECT_FALSE(RowShown(b, 30));
      })
      .act(Press(b, Qt::Key_Up))
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, 1); })
      .act(Press(b, Qt::Key_Down))
      .act(Press(b, Qt::Key_Down))
      .act([&] { EXPECT_EQ(Highlighted(b), "N02"); })
      .act([&] { Wheel(b, -1); })
      .act([&] { EXPECT_EQ(Highlighted(b), "N03"); })
      // A shorter list shows fewer rows but holds them all: nothing is reloaded.
      .act([&] {
        b.window.setProp(kList, ui::Prop_Height, 50);
        ui::Engine::current().post(ui::Event_Sized, 0, &b.window);
      })
      .then([&] { return b.brw.ILC->GetItems() < shown; })
      .act([&] {
        EXPECT_EQ(b.brw.LastItems, INT32_MAX);
        EXPECT_EQ(Highlighted(b), "N03");
        EXPECT_EQ(b.queue.rowCount(), 30);  // no row ever left the list
        EXPECT_EQ(b.brw.RecordsRead, reads);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseFileLoaded, PageKeysMoveAPageAndKeepTheHighlightsScreenRow) {
  SeedNamed(40);
  StudentBrowse b(*access, relate, errors, Loaded());
  int shown = 0;
  long long reads = 0;
  auto screenRow = [&b] { return b.brw.CurrentChoice - TopRow(b) + 1; };
  Script s;
  s.act([&] {
    shown = b.brw.ILC->GetItems();
    ASSERT_GE(shown, 4);
    reads = b.brw.RecordsRead;
  })
      .act(Press(b, Qt::Key_Down))
      .act(Press(b, Qt::Key_Down))  // screen row 3 of the first page
      .act(Press(b, Qt::Key_PageDown))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 3 + shown);
        EXPECT_EQ(b.brw.ILC->Choice(), 3 + shown);
        EXPECT_EQ(screenRow(), 3);
        EXPECT_EQ(access->text(kStuName), NameOf(2 + shown));
      })
      .act(Press(b, Qt::Key_PageDown))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 3 + 2 * shown);
        EXPECT_EQ(screenRow(), 3);
      })
      .act(Press(b, Qt::Key_PageUp))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 3 + shown);
        EXPECT_EQ(screenRow(), 3);
      })
      .act(Press(b, Qt::Key_PageUp))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 3);
        EXPECT_EQ(TopRow(b), 1);
      })
      .act(Press(b, Qt::Key_PageUp))
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, 1); })  // not above the first row
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .act(Press(b, Qt::Key_PageDown))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 40);  // not past the last
        EXPECT_TRUE(RowShown(b, 40));
        EXPECT_EQ(b.queue.rowCount(), 40);
        EXPECT_EQ(b.brw.RecordsRead, reads);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseFileLoaded, ThumbShowsAndTakesTheRowAmongAllRows) {
  SeedNamed(30);
  StudentBrowse b(*access, relate, errors, Loaded());
  int shown = 0, span = 0;
  Script s;
  s.act([&] {
    shown = b.brw.ILC->GetItems();
    span = 30 - shown;
    // More rows than the list shows: the thumb is there to scroll them.
    EXPECT_TRUE(Thumb(b)->isVisible());
    EXPECT_EQ(b.window.prop(kList, ui::Prop_VScroll).toInt(), 1);
  })
      .act(Press(b, Qt::Key_Down))
      .act([&] { EXPECT_EQ(ThumbPos(b), int(std::lround(2.0 * span / 30))); })
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .act([&] { EXPECT_EQ(ThumbPos(b), span); })
      .act(Press(b, Qt::Key_Home, Qt::ControlModifier))
      .act([&] { EXPECT_EQ(ThumbPos(b), 0); })
      // Dragged half way along its span: the row half way down the whole list.
      .act([&] { Thumb(b)->setSliderPosition(span / 2); })
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, int(std::lround(double(span / 2) / span * 30)));
        EXPECT_EQ(ThumbPos(b), span / 2);
        EXPECT_EQ(Highlighted(b), access->text(kStuName));
      })
      .act([&] { Thumb(b)->setSliderPosition(span); })  // the end of its span is the last row
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, 30); })
      .act([&] { Thumb(b)->setSliderPosition(1); })
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, 1); })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseFileLoaded, ShortFileHidesTheThumb) {
  SeedNamed(3);
  StudentBrowse b(*access, relate, errors, Loaded());
  Script s;
  s.act([&] {
    ASSERT_LE(b.queue.rowCount(), b.brw.ILC->GetItems());
    EXPECT_FALSE(Thumb(b)->isVisible());
  }).act(Close(b));
  RunBrowse(b, s);
}

// --- What the browse tells the driver --------------------------------------------------

// The primary file's operations while the browse runs: "R" a record read by
// the view, "[" and "]" the view's read bracket, "on"/"off" quick-scan.
class BrowseDriverHints : public BrowseTest {
 protected:
  void Record() {
    access->onCall = [this](const rt::FileNotice& n) {
      switch (n.op) {
        case rt::Op_NEXT:
        case rt::Op_PREVIOUS:
          if (n.by_view) log.push_back("R");
          break;
        case rt::Op_INVIEW: log.push_back("["); break;
        case rt::Op_ENDVIEW: log.push_back("]"); break;
        case rt::Op_SEND:
          if (n.args && n.args->text.rfind("QUICKSCAN=", 0) == 0) log.push_back(n.args->text.substr(10));
          break;
        default: break;
      }
    };
  }
  void Mark() { log.push_back("|"); }
  // Reads per bracket, in order, from the log entries after `from`.
  std::vector<int> Brackets(size_t from = 0) const {
    std::vector<int> out;
    int n = -1;
    for (size_t i = from; i < log.size(); ++i) {
      if (log[i] == "[") n = 0;
      else if (log[i] == "]" && n >= 0) out.push_back(n), n = -1;
      else if (log[i] == "R" && n >= 0) ++n;
    }
    return out;
  }
  // The log between two marks, reads of a run counted: "on R5 off".
  std::string Between(int mark) const {
    std::string out;
    int m = 0, reads = 0;
    auto flush = [&] {
      if (reads) out += (out.empty() ? "" : " ") + std::string("R") + std::to_string(reads);
      reads = 0;
    };
    for (const std::string& e : log) {
      if (e == "|") {
        if (m++ == mark) break;
        continue;
      }
      if (m != mark) continue;
      if (e == "R") ++reads;
      else if (e == "on" || e == "off") flush(), out += (out.empty() ? "" : " ") + e;
    }
    flush();
    return out;
  }
  std::vector<std::string> log;
};

TEST_F(BrowseDriverHints, PrefetchHintIsCappedAtSixtyReads) {
  SeedNamed(150);
  for (bool mrp : {true, false}) {
    SCOPED_TRACE(mrp ? "UseMRP" : "no hint");
    log.clear();
    Record();
    StudentBrowse::Options o;
    o.beforeAlerts = [mrp](fw::BrowseClass& brw) {
      brw.FileLoaded = true;  // one Fetch reads the whole file
      brw.SetUseMRP(mrp);
    };
    StudentBrowse b(*access, relate, errors, o);
    Script s;
    s.act([&] {
      EXPECT_EQ(b.queue.rowCount(), 150);
      EXPECT_EQ(b.view.GetProperty(rt::kPropPrefetchCount), "0");  // nothing announced is left over
    }).act(Close(b));
    RunBrowse(b, s);
    access->onCall = nullptr;
    std::vector<int> brackets = Brackets();
    if (mrp) {
      // 150 records and the read that finds no more: 60 + 60 + 31.
      EXPECT_EQ(brackets, (std::vector<int>{60, 60, 31}));
    } else {
      EXPECT_EQ(std::count(brackets.begin(), brackets.end(), 1), long(brackets.size()));
      EXPECT_EQ(brackets.size(), 151u);
    }
  }
}

TEST_F(BrowseDriverHints, PageReadAnnouncesOnlyTheRowsItWants) {
  SeedNamed(40);
  StudentBrowse b(*access, relate, errors, {});
  size_t from = 0;
  int page = 0;
  Script s;
  s.act([&] {
    page = b.brw.LastItems;
    Record();
    from = log.size();
  })
      .act(Press(b, Qt::Key_PageDown))
      .act([&] {
        access->onCall = nullptr;
        // A page down reads one page in one bracket (the edge row again, then the page).
        std::vector<int> brackets = Brackets(from);
        ASSERT_EQ(brackets.size(), 1u);
        EXPECT_LE(brackets[0], page + 1);
        EXPECT_GE(brackets[0], page);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseDriverHints, QuickScanOnlyWhileMoreThanOneRowIsRead) {
  SeedNamed(40);
  for (bool quick : {true, false}) {
    SCOPED_TRACE(quick ? "QuickScan" : "no quick scan");
    log.clear();
    Record();
    StudentBrowse::Options o;
    o.beforeAlerts = [quick](fw::BrowseClass& brw) { brw.QuickScan = quick; };
    StudentBrowse b(*access, relate, errors, o);
    int page = 0;
    Script s;
    s.act([&] {
      page = b.brw.LastItems;
      Mark();  // 1: a line down from the last row reads one record
      for (int i = 1; i < page; ++i) QTest::keyClick(List(b), Qt::Key_Down);
    })
        .act(Press(b, Qt::Key_Down))
        .act([&] { Mark(); })  // 2: a page down
        .act(Press(b, Qt::Key_PageDown))
        .act([&] { Mark(); })
        .act(Close(b));
    RunBrowse(b, s);
    access->onCall = nullptr;
    const std::string first = Between(0), line = Between(1), pageDown = Between(2);
    EXPECT_EQ(line, "R1");
    if (quick) {
      EXPECT_EQ(first.substr(0, 3), "on ") << first;
      EXPECT_EQ(first.substr(first.size() - 4), " off") << first;
      EXPECT_EQ(first.find(" on", 3), std::string::npos) << first;  // one stretch for the first page
      EXPECT_EQ(pageDown.substr(0, 3), "on ") << pageDown;
      EXPECT_EQ(pageDown.substr(pageDown.size() - 4), " off") << pageDown;
    } else {
      EXPECT_EQ(first.find("on"), std::string::npos) << first;
      EXPECT_EQ(pageDown.find("on"), std::string::npos) << pageDown;
    }
  }
}

}  // namespace
}  // namespace fwwin
