// Edit in place over a real Kestrel table, through the Qt back-end
// offscreen, with real keys and clicks.
#include "eip_fixture.h"

namespace fwwin {
namespace {

// Starts a change edit of the highlighted row through the change button.
std::function<void()> StartChange(GradeBrowse& b) {
  return [&b] { QTest::mouseClick(ui::qt::QtBackend::controlWidget(b.window, kGChange), Qt::LeftButton); };
}

TEST_F(EipTest, TabAndShiftTabSkipColumnsWithoutEditorOrNotEditableAndTheRowIsSaved) {
  Seed(5);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act([&] {
        // Column 1 has no editor: the edit opens in column 2, column 1 is grey.
        ASSERT_EQ(EditColumn(b), 2);
        EXPECT_EQ(b.window.focus(), Editor(b));
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_ColColor, 1).toInt(), ui::Color_GrayText);
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_ColColor, 2).toInt(), ui::Color_None);
        // The entry lies exactly over the highlighted row's cell.
        QWidget* e = Focused(b);
        EXPECT_EQ(e->geometry(), List(b)->visualRect(List(b)->model()->index(0, 1)));
        EXPECT_TRUE(e->isVisible());
      })
      .act(Type(b, "ZED"))
      .act(Key(b, Qt::Key_Tab))
      .act([&] { EXPECT_EQ(EditColumn(b), 3); })
      .act(Key(b, Qt::Key_Backtab, Qt::ShiftModifier))
      .act([&] { EXPECT_EQ(EditColumn(b), 2); })
      // Shift+Tab in the first editable column: nothing to its left is edited.
      .act(Key(b, Qt::Key_Backtab, Qt::ShiftModifier))
      .act([&] {
        EXPECT_EQ(EditColumn(b), 2);
        EXPECT_EQ(b.window.focus(), Editor(b));
      })
      .act(Key(b, Qt::Key_Tab))
      .act(Type(b, "7"))
      // Column 4 is not editable: Tab completes the row (TabAction 1: save).
      .act(Key(b, Qt::Key_Tab))
      .act([&] {
        EXPECT_EQ(Editor(b), 0);
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_ColColor, 1).toInt(), ui::Color_None);
        EXPECT_EQ(Row(b, 1), "1|ZED|7|14");
        EXPECT_EQ(b.brw.CurrentChoice, 1);
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "ZED/7/14");
  EXPECT_EQ(Stored(2), "R02/2/0");
  EXPECT_GT(b.e1.events, 0);
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(EipTest, TheEntryStaysOnItsCellWhenAColumnToItsLeftIsResized) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Key(b, Qt::Key_Tab))
      .act([&] {
        QTableView* t = List(b);
        t->horizontalHeader()->resizeSection(1, t->horizontalHeader()->sectionSize(1) + 40);
      })
      .act([&] {
        QTableView* t = List(b);
        EXPECT_EQ(Focused(b)->geometry(), t->visualRect(t->model()->index(0, 2)));
      })
      .act(Key(b, Qt::Key_Escape))
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(EipTest, TheSameRowSavedTwiceKeepsTheSecondValue) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "FIRST"))
      .act(Key(b, Qt::Key_Return))
      .act(StartChange(b))
      .act(Type(b, "SECOND"))
      .act(Key(b, Qt::Key_Return))
      .act([&] { EXPECT_EQ(Row(b, 1), "1|SECOND|1|0"); })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "SECOND/1/0");
}

// TabAction in the last editable column: 1 saves and ends, 9 saves and opens
// the next row, 0 asks (No writes nothing, Yes saves).
struct TabCase {
  uint8_t tab;
  uint32_t answer;  // 0: no question expected
  const char* stored1;
  int editRowAfter;  // 0: the edit ended
};
class EipTabAction : public EipTest, public ::testing::WithParamInterface<TabCase> {};

TEST_P(EipTabAction, TabInTheLastEditableColumn) {
  const TabCase c = GetParam();
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  b.tabAction = c.tab;
  Script s;
  s.act(StartChange(b)).act(Key(b, Qt::Key_Tab)).act(Type(b, "8")).act(Key(b, Qt::Key_Tab));
  if (c.answer) s.then(Answer(c.answer));
  s.act([&] {
     if (c.editRowAfter) {
       EXPECT_EQ(b.brw.CurrentChoice, c.editRowAfter);
       EXPECT_EQ(EditColumn(b), 2);
       EXPECT_EQ(b.window.focus(), Editor(b));
     } else {
       EXPECT_EQ(Editor(b), 0);
     }
   });
  if (c.editRowAfter) s.act(Key(b, Qt::Key_Escape));  // leaves the next row untouched
  s.act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), c.stored1);
  EXPECT_EQ(Stored(2), "R02/2/0");
}

INSTANTIATE_TEST_SUITE_P(Tab, EipTabAction,
                         ::testing::Values(TabCase{1, 0, "R01/8/16", 0}, TabCase{9, 0, "R01/8/16", 2},
                                           TabCase{0, rt::Button_No, "R01/1/0", 0},
                                           TabCase{0, rt::Button_Yes, "R01/8/16", 0}));

TEST_F(EipTest, DownWithArrowAction25SavesAndEditsTheSameColumnOfTheNextRow) {
  Seed(5);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Key(b, Qt::Key_Tab))
      .act(Type(b, "9"))
      .act(Key(b, Qt::Key_Down))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 2);
        EXPECT_EQ(EditColumn(b), 3);
        EXPECT_EQ(b.window.focus(), Editor(b));
        EXPECT_EQ(Row(b, 1), "1|R01|9|18");
      })
      .act(Type(b, "4"))
      .act(Key(b, Qt::Key_Up))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 1);
        EXPECT_EQ(EditColumn(b), 3);
      })
      .act(Key(b, Qt::Key_Escape))
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "R01/9/18");
  EXPECT_EQ(Stored(2), "R02/4/8");
}

TEST_F(EipTest, EnterSavesATypedRowAndNeitherWritesNorAsksForAnUntouchedOne) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  b.enterAction = 3;  // ask
  Script s;
  s.act(StartChange(b))
      .act(Key(b, Qt::Key_Return))
      .act([&] {
        // Nothing typed: no question, the edit is over.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(Editor(b), 0);
        b.brw.EnterAction = 1;
      })
      .act(StartChange(b))
      .act(Type(b, "NEW"))
      .act(Key(b, Qt::Key_Return))
      .act([&] {
        EXPECT_EQ(Editor(b), 0);
        EXPECT_EQ(b.brw.EIP->Response, fw::Response_Completed);
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "NEW/1/0");
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(EipTest, EscAbandonsAChangedRowWhichShowsTheStoredValuesAgain) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "GONE"))
      .act(Key(b, Qt::Key_Tab))
      .act([&] { EXPECT_EQ(Row(b, 1), "1|GONE|1|0"); })
      .act(Key(b, Qt::Key_Escape))
      .act([&] {
        EXPECT_EQ(Editor(b), 0);
        EXPECT_EQ(Row(b, 1), "1|R01|1|0");
        EXPECT_EQ(Cell(b, 1, 2), "R01");
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "R01/1/0");
}

TEST_F(EipTest, EscAbandonsAnInsertedRowAndGivesItsNumberBack) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(EipTest::Click(b, kGInsert))
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), 4);
        EXPECT_EQ(b.brw.CurrentChoice, 2);  // after the highlighted row
        EXPECT_EQ(EditColumn(b), 2);
      })
      .act(Type(b, "X"))
      .act(Key(b, Qt::Key_Escape))
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), 3);
        EXPECT_EQ(Row(b, 2), "2|R02|2|0");
      })
      .act(EipTest::Click(b, kGInsert))
      .act(Type(b, "KEPT"))
      .act(Key(b, Qt::Key_Return))
      .act([&] { EXPECT_EQ(b.queue.rowCount(), 4); })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(4), "KEPT/0/0");
  EXPECT_EQ(Stored(5), "(none)");
}

// DeleteAction: 1 deletes without a question, 4 after the relation
// manager's question, 2 deletes nothing.
struct DeleteCase {
  uint8_t action;
  uint32_t answer;
  const char* stored1;
};
class EipDeleteAction : public EipTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(EipDeleteAction, DeleteButton) {
  const DeleteCase c = GetParam();
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  b.deleteAction = c.action;
  Script s;
  s.act(EipTest::Click(b, kGDelete));
  if (c.answer) s.then(Answer(c.answer));
  s.act([&] {
     EXPECT_EQ(Editor(b), 0);  // a delete never starts an edit
     EXPECT_EQ(b.queue.rowCount(), std::string(c.stored1) == "(none)" ? 2 : 3);
   }).act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), c.stored1);
  EXPECT_EQ(Stored(2), "R02/2/0");
}

INSTANTIATE_TEST_SUITE_P(Delete, EipDeleteAction,
                         ::testing::Values(DeleteCase{1, 0, "(none)"}, DeleteCase{2, 0, "R01/1/0"},
                                           DeleteCase{4, rt::Button_Yes, "(none)"},
                                           DeleteCase{4, rt::Button_No, "R01/1/0"}));

TEST_F(EipTest, ClickOnAnotherRowAnsweredCancelKeepsEditingOtherwiseTheClickedRowIsHighlighted) {
  Seed(5);
  GradeBrowse b(*access, relate, errors);
  b.focusLossAction = 3;  // ask
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "ONE"))
      .act(ClickCell(b, 3, 2))
      .then(Answer(rt::Button_Cancel))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 1);
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_Choice).toInt(), 1);
        EXPECT_EQ(EditColumn(b), 2);
        EXPECT_EQ(b.window.focus(), Editor(b));
        EXPECT_EQ(Row(b, 1), "1|ONE|1|0");
      })
      .act(ClickCell(b, 3, 2))
      .then(Answer(rt::Button_Yes))
      .act([&] {
        EXPECT_EQ(Editor(b), 0);
        EXPECT_EQ(b.brw.CurrentChoice, 3);
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_Choice).toInt(), 3);
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "ONE/1/0");
  EXPECT_EQ(Stored(3), "R03/3/0");
}

TEST_F(EipTest, ClickOnAnotherCellOfTheRowMovesTheEntryWithoutCompletingTheRow) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  b.focusLossAction = 3;  // would ask, if the row were completed
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "TWO"))
      .act(ClickCell(b, 1, 3))
      .act([&] {
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(EditColumn(b), 3);
        EXPECT_EQ(b.window.focus(), Editor(b));
        EXPECT_EQ(Row(b, 1), "1|TWO|1|0");
      })
      .act(Key(b, Qt::Key_Escape))
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "R01/1/0");
}

TEST_F(EipTest, ClickOnAButtonOutsideTheListSavesTheRowThenPressesTheButton) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "OUT"))
      .act([&] { b.events.clear(); })
      .act(EipTest::Click(b, kGOutButton))
      .act([&] {
        EXPECT_EQ(Editor(b), 0);
        EXPECT_EQ(b.outPresses, 1);
        auto sel = std::find(b.events.begin(), b.events.end(), int(ui::Event_Selecting));
        ASSERT_NE(sel, b.events.end());
        EXPECT_NE(std::find(sel, b.events.end(), int(ui::Event_Accepted)), b.events.end());
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "OUT/1/0");
  EXPECT_EQ(b.outPresses, 1);
}

TEST_F(EipTest, ClosingTheWindowMidEditSavesTheRowAndTheWindowCloses) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b)).act(Type(b, "BYE")).act(Close(b));
  RunBrowse(b, s);
  EXPECT_FALSE(b.window.isOpen());
  EXPECT_EQ(Stored(1), "BYE/1/0");
}

TEST_F(EipTest, ClosingTheWindowEndsTheEditEvenWhenTheUserChoosesCancel) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  b.focusLossAction = 3;
  Script s;
  s.act(StartChange(b)).act(Type(b, "BYE")).act(Close(b)).then(Answer(rt::Button_Cancel));
  RunBrowse(b, s);
  EXPECT_FALSE(b.window.isOpen());
  EXPECT_EQ(Stored(1), "R01/1/0");
}

TEST_F(EipTest, ResizeMinimiseAndMaximiseAreRefusedDuringAnEdit) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  int width = 0;
  Script s;
  s.act(StartChange(b))
      .act([&] {
        width = b.window.def().width;
        b.window.inputResized(width + 40, b.window.def().height + 20);
        b.window.inputStateChanged(true, false);
      })
      .act([&] {
        EXPECT_EQ(b.window.def().width, width);
        EXPECT_FALSE(b.window.prop(0, ui::Prop_Maximize).toInt());
        EXPECT_EQ(EditColumn(b), 2);
      })
      .act(Key(b, Qt::Key_Escape))
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(EipTest, DoubleClickStartsTheChangeInTheClickedColumn) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(ClickCell(b, 2, 3))
      .act(DoubleClickCell(b, 2, 3))
      .act([&] {
        EXPECT_EQ(b.brw.CurrentChoice, 2);
        EXPECT_EQ(EditColumn(b), 3);
      })
      .act(Type(b, "5"))
      .act(Key(b, Qt::Key_Return))
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(2), "R02/5/10");
}

// A full page loses a row to the new one: row 1 when the last row is
// highlighted (the new row is last), otherwise the last row.
TEST_F(EipTest, InsertOnAFullPage) {
  Seed(30);
  GradeBrowse b(*access, relate, errors, 60);
  int page = 0;
  Script s;
  s.act([&] {
     page = b.brw.LastItems;
     ASSERT_GE(page, 3);
     ASSERT_LT(page, 30);
   })
      .act(EipTest::Click(b, kGInsert))
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), page);
        EXPECT_EQ(b.brw.CurrentChoice, 2);
        EXPECT_EQ(Row(b, 1), "1|R01|1|0");
        EXPECT_EQ(b.queue.value(page, 1).find(std::to_string(page)), std::string::npos);
      })
      .act(Key(b, Qt::Key_Escape))
      .act([&] {
        for (int i = 1; i < page; ++i) QTest::keyClick(List(b), Qt::Key_Down);
      })
      .act([&] { ASSERT_EQ(b.brw.CurrentChoice, page); })
      .act(EipTest::Click(b, kGInsert))
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), page);
        EXPECT_EQ(b.brw.CurrentChoice, page);
        EXPECT_EQ(Row(b, 1), "2|R02|2|0");  // row 1 left the page
        EXPECT_EQ(EditColumn(b), 2);
      })
      .act(Type(b, "LAST"))
      .act(Key(b, Qt::Key_Return))
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(31), "LAST/0/0");
}

TEST_F(EipTest, AValueThePictureCannotHoldIsRefusedAtTheCellAndNothingIsWritten) {
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  std::vector<std::string> shown;
  Script s;
  s.act(StartChange(b))
      .act(Key(b, Qt::Key_Tab))
      .act(Type(b, "99999999999"))  // fits the picture, not the 32-bit field
      .act(Key(b, Qt::Key_Tab))
      .then([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return false;
        shown.push_back(box->text().toStdString());
        box->accept();
        return true;
      })
      .act([&] {
        EXPECT_EQ(EditColumn(b), 3);  // still in the refused cell
        EXPECT_EQ(Row(b, 1), "1|R01|1|0");
      })
      .act(Key(b, Qt::Key_Return))  // the row is refused again: nothing is written
      .then(Answer(rt::Button_Ok))
      .act([&] { EXPECT_EQ(EditColumn(b), 3); })
      .act(Key(b, Qt::Key_Escape))
      .act(Close(b));
  RunBrowse(b, s);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("99999999999"), std::string::npos) << shown[0];
  EXPECT_NE(shown[0].find("@n12"), std::string::npos);
  EXPECT_EQ(Stored(1), "R01/1/0");
}

// Keys typed faster than rows are saved and cells opened: all posted to the
// window at once, they must land in the cells they were typed for.
TEST_F(EipTest, ABurstOfKeysAcrossCellsAndRowsArrivesIntact) {
  Seed(5);
  GradeBrowse b(*access, relate, errors);
  auto burst = [&b] {
    QWindow* target = ui::qt::QtBackend::windowWidget(b.window)->windowHandle();
    ASSERT_NE(target, nullptr);
    const std::pair<int, const char*> keys[] = {
        {Qt::Key_X, "X"}, {Qt::Key_Y, "Y"}, {Qt::Key_Tab, ""}, {Qt::Key_3, "3"}, {Qt::Key_1, "1"},
        {Qt::Key_Down, ""}, {Qt::Key_4, "4"}, {Qt::Key_Down, ""}, {Qt::Key_5, "5"}, {Qt::Key_Return, ""}};
    for (const auto& [key, text] : keys) {
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    }
  };
  Script s;
  s.act(StartChange(b))
      .act(burst)
      .then([&] { return Editor(b) == 0 && b.brw.CurrentChoice == 3; })
      .act([&] {
        EXPECT_EQ(Row(b, 1), "1|XY|31|62");
        EXPECT_EQ(Row(b, 2), "2|R02|4|8");
        EXPECT_EQ(Row(b, 3), "3|R03|5|10");
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(1), "XY/31/62");
  EXPECT_EQ(Stored(2), "R02/4/8");
  EXPECT_EQ(Stored(3), "R03/5/10");
  EXPECT_EQ(Stored(4), "R04/4/0");
}

// An insert on a page of three rows, completed with Enter. The cases differ
// only in data: where the new row goes (Insert 0 after the highlighted row,
// 9 in its place, 10 after the last row), whether the new record holds
// values before anything is typed (a number from the file, a primed E1:
// WasPrimed, so an untouched row is still saved), and a required E1
// (EditClass::Req) left zero, which keeps the edit in that cell.
struct InsertCase {
  const char* name;
  uint8_t insert;
  bool autoNumber;
  int primeE1;
  bool reqE1;
  int highlight;      // row highlighted before the insert
  const char* typed;  // into the Name cell, "" for none
  const char* e1;     // typed into the E1 cell after a Tab, nullptr for none
  const char* order;  // the page's numbers during the edit
  int refusedColumn;  // 0: Enter ends the edit
  uint8_t response;
  int key;             // stored record to look at afterwards
  const char* stored;  // as Stored(key)
};
void PrintTo(const InsertCase& c, std::ostream* os) { *os << c.name; }
class EipInsert : public EipTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(EipInsert, EnterOnANewRow) {
  const InsertCase c = GetParam();
  access->autoNumber = c.autoNumber;
  Seed(3);
  access->primeE1 = c.primeE1;
  GradeBrowse b(*access, relate, errors);
  auto num = [&b](int row) {
    const std::string r = Row(b, row);
    return r.substr(0, r.find('|'));
  };
  Script s;
  s.act(ClickCell(b, c.highlight, 2))
      .act([&] {
        ASSERT_EQ(b.brw.CurrentChoice, c.highlight);
        b.brw.CheckEIP();
        b.brw.EIP->Insert = c.insert;
        b.e1.Req = c.reqE1;
      })
      .act(EipTest::Click(b, kGInsert))
      .act([&] {
        std::string order;
        for (int r = 1; r <= b.queue.rowCount(); ++r) order += (r > 1 ? "," : "") + num(r);
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(num(b.brw.CurrentChoice), c.autoNumber ? "4" : "0");  // the new row is the edited one
        EXPECT_EQ(b.window.prop(kGList, ui::Prop_Choice).toInt(), b.brw.CurrentChoice);
        EXPECT_EQ(EditColumn(b), 2);
      });
  if (*c.typed) s.act(Type(b, c.typed));
  if (c.e1) s.act(Key(b, Qt::Key_Tab)).act(Type(b, c.e1));
  s.act(Key(b, Qt::Key_Return)).act([&] {
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // nothing asked, nothing refused aloud
    EXPECT_EQ(EditColumn(b), c.refusedColumn);
    if (c.refusedColumn) {
      EXPECT_EQ(b.window.focus(), Editor(b));
    }
  });
  if (c.refusedColumn) s.act(Key(b, Qt::Key_Escape));
  s.act([&] { EXPECT_EQ(b.brw.EIP->Response, c.response); }).act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(Stored(c.key), c.stored);
  EXPECT_EQ(Stored(3), "R03/3/0");
  EXPECT_TRUE(errors.ids.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Insert, EipInsert,
    ::testing::Values(
        InsertCase{"After", 0, true, 0, false, 2, "NEW", nullptr, "1,2,4,3", 0, fw::Response_Completed, 4, "NEW/0/0"},
        InsertCase{"InPlace", 9, true, 0, false, 2, "NEW", nullptr, "1,4,2,3", 0, fw::Response_Completed, 4, "NEW/0/0"},
        InsertCase{"AtEnd", 10, true, 0, false, 1, "NEW", nullptr, "1,2,3,4", 0, fw::Response_Completed, 4, "NEW/0/0"},
        InsertCase{"NumberedUntouched", 0, true, 0, false, 3, "", nullptr, "1,2,3,4", 0, fw::Response_Completed, 4,
                   "/0/0"},
        InsertCase{"PrimedUntouched", 0, false, 5, false, 3, "", nullptr, "1,2,3,0", 0, fw::Response_Completed, 0,
                   "/5/0"},
        InsertCase{"BlankUntouched", 0, false, 0, false, 3, "", nullptr, "1,2,3,0", 0, fw::Response_Cancelled, 0,
                   "(none)"},
        InsertCase{"RequiredLeftZero", 0, true, 0, true, 1, "X", nullptr, "1,4,2,3", 3, fw::Response_Cancelled, 4,
                   "(none)"},
        InsertCase{"RequiredGiven", 0, true, 0, true, 1, "X", "6", "1,4,2,3", 0, fw::Response_Completed, 4,
                   "X/6/12"}),
    [](const ::testing::TestParamInfo<InsertCase>& i) { return std::string(i.param.name); });

// Another process changes the edited record: the write is refused with
// message 7 (the other version is read in), the stored record keeps the
// other version and the typed row stays on screen, still being edited.
TEST_F(EipTest, RecordChangedByAnotherProcessWhileEditedIsNotOverwritten) {
  kestrel::testing::ChildProcess child([this](kestrel::testing::ChildProcess& self) {
    if (!self.Await()) return 10;
    bool ok = false;
    std::thread([&] {
      GradesAccess other(file.get(), nullptr);
      if (other.Open() != fw::Level::Benign) return;
      other.set(kGNum, "1");
      if (other.TryFetch(0) == fw::Level::Benign) {
        other.set(kGName, "THEIRS");
        ok = other.TryUpdate() == fw::Level::Benign;
      }
      other.Close();
    }).join();
    self.Signal();
    return ok ? 0 : 11;
  });
  ASSERT_TRUE(child.started());
  Seed(3);
  GradeBrowse b(*access, relate, errors);
  Script s;
  s.act(StartChange(b))
      .act(Type(b, "MINE"))
      .act([&] {
        child.Signal();
        ASSERT_TRUE(child.Await());
      })
      .act(Key(b, Qt::Key_Return))
      .then(Answer(rt::Button_Ok))
      .act([&] {
        EXPECT_EQ(EditColumn(b), 2);
        EXPECT_EQ(b.window.focus(), Editor(b));
        EXPECT_EQ(Row(b, 1), "1|MINE|1|0");
        EXPECT_EQ(b.brw.EIP->Again, 1);
        EXPECT_EQ(b.brw.EIP->Response, fw::Response_Cancelled);
        EXPECT_EQ(Stored(1), "THEIRS/1/0");
      })
      .act(Key(b, Qt::Key_Escape))
      .act([&] { EXPECT_EQ(Row(b, 1), "1|THEIRS|1|0"); })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(child.Join(), 0);
  EXPECT_EQ(Stored(1), "THEIRS/1/0");
  EXPECT_EQ(errors.ids, std::vector<int>{7});
}

}  // namespace
}  // namespace fwwin
