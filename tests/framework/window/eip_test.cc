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

}  // namespace
}  // namespace fwwin
