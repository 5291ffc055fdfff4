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

}  // namespace
}  // namespace fwwin
