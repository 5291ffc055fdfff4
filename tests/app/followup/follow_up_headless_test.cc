// The follow-up window over a sample school, driven through the headless
// back-end: what the four lists show for the signed-in teacher, a change of
// subject, the buttons, the contents tab switch and "Salir".
#include <algorithm>
#include <fstream>
#include <functional>
#include <set>

#include "app/followup/follow_up_procedure.h"
#include "app/followup/historial_window.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "app/gradebook/grade_history.h"
#include "follow_up_school.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/scripted_presenter.h"

namespace app::testing {
namespace {

namespace ctl = app::followup;

class FollowUpHeadless : public FollowUpSchool {
 protected:
  void SetUp() override {
    FollowUpSchool::SetUp();
    previousBackend_ = ui::setBackend(&hb_);
    previousPresenter_ = rt::setMessagePresenter(&presenter_);
    // A teacher with at least two subjects.
    for (const auto& [dni, subjects] : TeacherSubjects())
      if (dni != 0 && subjects.size() >= 2 && teacher_ == 0) teacher_ = dni, subjects_ = subjects;
    ASSERT_NE(teacher_, 0);
    SignedIn(teacher_);
    p_ = std::make_unique<followup::FollowUpProcedure>();
  }
  void TearDown() override {
    p_.reset();
    rt::setMessagePresenter(previousPresenter_);
    ui::setBackend(previousBackend_);
    FollowUpSchool::TearDown();
  }

  void then(std::function<void()> f) { hb_.then(std::move(f)); }
  void click(int control) {
    hb_.then([this, control] { p_->window.inputClick(control, ui::Mouse_Left); });
  }
  void run() { p_->Run(); }

  static std::vector<std::string> Column(fw::RecordQueue& q, int field) {
    std::vector<std::string> out;
    for (int r = 1; r <= q.rowCount(); ++r) out.push_back(q.value(r, field));
    return out;
  }
  int32_t SubjectCourse(int32_t subject) {
    for (int r = 1; r <= p_->Queue1.rowCount(); ++r)
      if (Num(p_->Queue1.value(r, 7)) == subject) return Num(p_->Queue1.value(r, 8));
    return -1;
  }
  // The page of BRW2 holds the subject's rows, as many as the list shows.
  void ExpectGradeBookOf(int32_t subject) {
    const size_t rows = BookOf(subject).size();
    ASSERT_GT(rows, 0u);
    EXPECT_EQ(size_t(p_->Queue2.rowCount()), std::min(rows, size_t(p_->BRW2.LastItems)));
    for (const std::string& s : Column(p_->Queue2, 16)) EXPECT_EQ(Num(s), subject);
  }

  // What a "Historial" window showed.
  struct HistoryShown {
    std::vector<std::vector<std::string>> rows;
    std::string student, note;
  };
  // Right button on grade-book `row`, "Historial" (the menu's first item),
  // then what the window it opens shows, then "Cerrar".
  void ChooseHistorial(int row, std::vector<HistoryShown>* out) {
    then([this, row] {
      hb_.answerPopup(1);
      p_->window.inputClick(ctl::LIST_2, ui::Mouse_RightUp, row);
    });
    then([out] {
      ui::Window* w = nullptr;
      for (ui::Window* o : ui::Engine::current().windows())
        if (o->isOpen() && o->def().name == "Historial_Notas") w = o;
      ASSERT_NE(w, nullptr) << "the history window is open";
      HistoryShown s;
      ui::RowSource* src = w->control(followup::HISTORIAL_LIST)->list.source;
      for (int r = 1; r <= src->rowCount(); ++r) {
        std::vector<std::string> cells;
        for (int c = followup::HistCol_Date; c <= followup::HistCol_Who; ++c) cells.push_back(src->value(r, c));
        s.rows.push_back(cells);
      }
      s.student = w->prop(followup::HISTORIAL_ALUMNO, ui::Prop_ScreenText).toString();
      s.note = w->prop(0, ui::Prop_StatusText, 1).toString();
      out->push_back(s);
      w->inputClick(followup::HISTORIAL_CERRAR, ui::Mouse_Left);
    });
  }

  ui::HeadlessBackend hb_;
  ui::ScriptedPresenter presenter_;
  std::unique_ptr<followup::FollowUpProcedure> p_;
  int32_t teacher_ = 0;
  std::vector<int32_t> subjects_;

 private:
  ui::Backend* previousBackend_ = nullptr;
  rt::MessagePresenter* previousPresenter_ = nullptr;
};

TEST_F(FollowUpHeadless, ListsShowTheTeachersSubjectsTheGradeBookAndTheCourse) {
  then([this] {
    // BRW1: exactly this teacher's subjects, in key order.
    std::vector<int32_t> shown;
    for (const std::string& s : Column(p_->Queue1, 7)) shown.push_back(Num(s));
    EXPECT_EQ(shown, subjects_);
    for (const std::string& s : Column(p_->Queue1, 6)) EXPECT_EQ(Num(s), teacher_);
    // BRW2 and BRW4 follow the first subject.
    ExpectGradeBookOf(subjects_[0]);
    // The QVMATERIAS buffer holds the highlighted subject.
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    EXPECT_EQ(rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0), subjects_[0]);
    // Tab 2 is hidden unless the school switches it on; its lists still work.
    EXPECT_EQ(p_->window.prop(ctl::TAB2, ui::Prop_Hide).toInt(), 1);
    EXPECT_TRUE(p_->window.visible(ctl::TAB1));
    for (int c : {ctl::INSERT, ctl::DELETE, ctl::INSERT_2, ctl::DELETE_2}) EXPECT_FALSE(p_->window.visible(c)) << c;
    // The status bar says why the highlighted student has their status.
    const std::string why = p_->window.prop(0, ui::Prop_StatusText, 1).toString();
    EXPECT_EQ(why, followup::GradeRowFields(Access_QVLIBRETA->Block()).Explanation());
    EXPECT_NE(why.find(Trim(rt::getText(Access_QVLIBRETA->Block(),
                                        Access_QVLIBRETA->Block().decl().findField("QVL:ETADO")).value_or("?"))),
              std::string::npos) << why;
  });
  then([this] { p_->window.inputCloseRequest(); });
  run();
  EXPECT_FALSE(p_->window.isOpen());
}

TEST_F(FollowUpHeadless, ChoosingAnotherSubjectReloadsTheGradeBook) {
  then([this] { p_->window.inputChoice(ctl::LIST, 2); });
  then([this] {
    EXPECT_EQ(p_->BRW1.CurrentChoice, 2);
    ExpectGradeBookOf(subjects_[1]);
  });
  then([this] { p_->window.inputChoice(ctl::LIST, 1); });
  then([this] { ExpectGradeBookOf(subjects_[0]); });
  then([this] { p_->window.inputCloseRequest(); });
  run();
}

TEST_F(FollowUpHeadless, SalirRecalculatesAndSavesEveryRowOfTheSubjectAndNoOther) {
  // Spoil the stored results of the teacher's two subjects.
  const std::set<int32_t> spoilt = {subjects_[0], subjects_[1]};
  Book([&](rt::FileControlBlock& f) {
    const int32_t s = int32_t(rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0));
    if (!spoilt.count(s)) return false;
    rt::setText(f, f.decl().findField("QVL:ETADO"), "X");
    rt::setValueText(rt::FieldRef{&f, f.decl().findField("QVL:FINAL"), 0}, "9.99");
    return true;
  });
  std::filesystem::remove(GradeHistory::kFileName);
  const std::vector<BookRow> before = Book();
  then([this] { p_->window.inputChoice(ctl::LIST, 2); });
  click(ctl::BUTTON3);
  run();
  EXPECT_FALSE(p_->window.isOpen());

  // Expected: the rule on each row of the chosen subject, from the file.
  std::map<int32_t, std::string> expected;
  {
    rt::FileControlBlock f(QVLIBRETADecl());
    f.name = dir_ + "/QVLIBRETA.KRL";
    ASSERT_EQ(rt::Open(f, rt::kAccessRead | rt::kShareDenyNone), 0);
    rt::SetFile(f);
    followup::GradeRowFields rule(f);
    while (rt::Next(f) == 0) {
      if (rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) != subjects_[1]) continue;
      rule.Apply();
      expected[int32_t(rt::getInteger(f, f.decl().findField("QVL:NRO_LEGAJO")).value_or(0))] =
          Trim(rt::getText(f, f.decl().findField("QVL:ETADO")).value_or(""));
    }
    rt::Close(f);
  }
  const std::vector<BookRow> after = Book();
  ASSERT_EQ(after.size(), before.size());
  size_t recalculated = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i].subject == subjects_[1]) {
      ++recalculated;
      EXPECT_NE(after[i].etado, "X");
      EXPECT_EQ(after[i].etado, expected[after[i].legajo]) << after[i].legajo;
    } else {
      // The other subject of the teacher, and every other, as they were.
      EXPECT_EQ(after[i].etado, before[i].etado);
      EXPECT_EQ(after[i].final_grade, before[i].final_grade);
    }
  }
  EXPECT_EQ(recalculated, BookOf(subjects_[1]).size());

  // Each saved row left its history, signed by the teacher.
  GradeHistory history;
  ASSERT_EQ(history.OpenForReading(), 0);
  std::vector<GradeHistoryEntry> entries;
  ASSERT_EQ(history.Read(subjects_[1], 0, &entries), 0);
  std::set<int32_t> students;
  for (const GradeHistoryEntry& e : entries) {
    students.insert(e.student);
    EXPECT_EQ(e.dni, teacher_);
  }
  EXPECT_EQ(students.size(), recalculated);
  entries.clear();
  ASSERT_EQ(history.Read(subjects_[0], 0, &entries), 0);
  EXPECT_TRUE(entries.empty());
}

TEST_F(FollowUpHeadless, ClosingOtherwiseDoesNotRecalculate) {
  Book([&](rt::FileControlBlock& f) {
    if (rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) != subjects_[0]) return false;
    rt::setText(f, f.decl().findField("QVL:ETADO"), "X");
    return true;
  });
  then([this] { p_->window.inputCloseRequest(); });
  run();
  for (const BookRow& r : BookOf(subjects_[0])) EXPECT_EQ(r.etado, "X");
}

TEST_F(FollowUpHeadless, PlanillaPrintsTheSubjectInTheBuffers) {
  std::vector<int32_t> printed;
  p_->Imprimir_Planilla_Informe_Progreso = [&] {
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    printed.push_back(int32_t(rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0)));
  };
  then([this] { p_->window.inputChoice(ctl::LIST, 2); });
  click(ctl::BUTTON10);
  then([this] { p_->window.inputCloseRequest(); });
  run();
  EXPECT_EQ(printed, std::vector<int32_t>{subjects_[1]});
  EXPECT_TRUE(presenter_.shown.empty());
}

// Tab 2, shown by the school's setting: the course's students, the selected
// student's follow-up of the subject, and its buttons.
TEST_F(FollowUpHeadless, ContentsTabShowsWhenTheSchoolSwitchesItOn) {
  INIMgr.Update(followup::kShowContentsSector, followup::kShowContentsName, "1");
  auto checkTab = [this](int32_t subject) {
    const int32_t course = SubjectCourse(subject);
    ASSERT_GT(p_->Queue4.rowCount(), 0);
    for (const std::string& s : Column(p_->Queue4, 5)) EXPECT_EQ(Num(s), course);
    for (int r = 1; r <= p_->Queue5.rowCount(); ++r) {
      EXPECT_EQ(Num(p_->Queue5.value(r, 9)), subject);
      EXPECT_EQ(p_->Queue5.value(r, 8), p_->Queue4.value(p_->BRW4.CurrentChoice, 2));
    }
  };
  then([this] {
    EXPECT_EQ(p_->window.prop(ctl::TAB2, ui::Prop_Hide).toInt(), 0);
    p_->window.inputChoice(ctl::SHEET1, 2);
  });
  then([&] { checkTab(subjects_[0]); });
  then([this] { p_->window.inputChoice(ctl::LIST, 2); });
  then([&] { checkTab(subjects_[1]); });
  std::vector<std::string> calls;
  p_->Imprimir_Planilla_Informe_Contenidos = [&] { calls.push_back("contents sheet"); };
  p_->ABM_Contenidos = [&] { calls.push_back("contents maintenance"); };
  click(ctl::BUTTON9);
  click(ctl::BUTTON5);
  // After the maintenance the synchronisation gave the students their
  // follow-up records, and the lists show them.
  then([&] { checkTab(subjects_[1]); });
  then([this] { p_->window.inputCloseRequest(); });
  run();
  EXPECT_EQ(calls, (std::vector<std::string>{"contents sheet", "contents maintenance"}));
  EXPECT_TRUE(presenter_.shown.empty());
}

// Grades typed in place on the first row of the subject's grade book: the
// rule runs as each cell is left, the row is saved on Enter with its
// history, and a grade above 10 is refused at the cell.
TEST_F(FollowUpHeadless, GradesTypedInPlaceRunTheRuleAndSaveTheRow) {
  const int32_t subject = subjects_[0];
  int32_t legajo = 0;
  std::filesystem::remove(GradeHistory::kFileName);
  auto cell = [this](const char* label) {
    return Trim(rt::getValueText(p_->Queue2.Field(label)).value_or("?"));
  };
  auto type = [this](const std::string& text, int key) {
    then([this, text, key] {
      const int f = p_->window.focus();
      p_->window.inputText(f, text);
      p_->window.inputKey(f, key);
    });
  };
  then([&] { legajo = Num(p_->Queue2.value(1, 1)); });
  click(ctl::CHANGE);
  then([this] { EXPECT_GT(p_->window.focus(), ctl::DELETE) << "an editor over the first grade cell"; });
  // Eval. 1 .. Eval. 3, OLE 1: no OLE 2 yet, so the row needs recovery.
  for (const char* g : {"8", "9", "8", "9"}) type(g, ui::Key_Tab);
  then([&] {
    p_->Queue2.Get(1);
    EXPECT_EQ(cell("QVL:ETADO"), "RECUPERA");
    EXPECT_EQ(cell("QVL:ETAPA11"), "0.00");
  });
  // JIS 1 .. Eval. 6 blank (0), then OLE 2 = 85, a slip for 8: refused.
  for (int i = 0; i < 4; ++i) type("0", ui::Key_Tab);
  type("85", ui::Key_Tab);
  then([&] {
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_NE(presenter_.shown[0].text.find("85"), std::string::npos);
    p_->Queue2.Get(1);
    EXPECT_EQ(cell("QVL:ETAPA9"), "0.00");
  });
  then([this] {
    const int f = p_->window.focus();
    p_->window.inputText(f, "");
  });
  type("9", ui::Key_Enter);
  then([&] {
    p_->Queue2.Get(1);
    EXPECT_EQ(cell("QVL:ETAPA11"), "9.00");
    EXPECT_EQ(cell("QVL:FINAL"), "8.50");  // (8 + 9 + 8) / 3 = 8.33, half-point rounded
    EXPECT_EQ(cell("QVL:ETADO"), "APRUEBA");
    p_->window.inputCloseRequest();
  });
  run();
  bool found = false;
  for (const BookRow& r : BookOf(subject)) {
    if (r.legajo != legajo) continue;
    found = true;
    EXPECT_EQ(r.etado, "APRUEBA");
    EXPECT_EQ(r.final_grade, "8.50");
    EXPECT_EQ(r.etapa11, "9.00");
  }
  EXPECT_TRUE(found);
  // The save wrote the row's history, signed by the teacher.
  GradeHistory history;
  ASSERT_EQ(history.OpenForReading(), 0);
  std::vector<GradeHistoryEntry> entries;
  ASSERT_EQ(history.Read(subject, legajo, &entries), 0);
  std::set<std::string> fields;
  for (const GradeHistoryEntry& e : entries) {
    fields.insert(e.field);
    EXPECT_EQ(e.dni, teacher_);
  }
  for (const char* f : {"QVL:ETAPA1", "QVL:ETAPA9", "QVL:ETADO"}) EXPECT_TRUE(fields.count(f)) << f;
}

// A value the cell cannot hold ("8,5": the cell shows whole grades; 11) is
// refused at its cell whichever way the row is completed, and nothing is
// saved: Tab, Enter, Down, a click on another row, closing the window.
TEST_F(FollowUpHeadless, AValueTheCellCannotHoldIsRefusedOnEveryWayOfCompletingTheRow) {
  const int32_t subject = subjects_[0];
  struct Case {
    const char* name;
    const char* typed;
    std::function<void(ui::Window&)> complete;
  } cases[] = {
      {"Tab", "8,5", [](ui::Window& w) { w.inputKey(w.focus(), ui::Key_Tab); }},
      {"Enter", "11", [](ui::Window& w) { w.inputKey(w.focus(), ui::Key_Enter); }},
      {"Down", "8.5", [](ui::Window& w) { w.inputKey(w.focus(), ui::Key_Down); }},
      {"ClickOnAnotherRow", "99", [](ui::Window& w) { w.inputClick(ctl::LIST_2, ui::Mouse_Left, 2, 2); }},
      {"Close", "10,5", [](ui::Window& w) { w.inputCloseRequest(); }},
  };
  const std::vector<BookRow> before = BookOf(subject);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SignedIn(teacher_);
    p_ = std::make_unique<followup::FollowUpProcedure>();
    presenter_.shown.clear();
    click(ctl::CHANGE);
    then([this, &c] {
      ASSERT_GT(p_->window.focus(), ctl::DELETE);
      p_->window.inputText(p_->window.focus(), c.typed);
      c.complete(p_->window);
    });
    // Closing ends the edit whatever the cell held: the window goes.
    if (std::string(c.name) != "Close") {
      then([this] {
        EXPECT_GT(p_->window.focus(), ctl::DELETE) << "the cell stays open";
        p_->window.inputKey(p_->window.focus(), ui::Key_Esc);
      });
      then([this] { p_->window.inputCloseRequest(); });
    }
    run();
    ASSERT_FALSE(presenter_.shown.empty());
    EXPECT_NE(presenter_.shown[0].text.find(c.typed), std::string::npos) << presenter_.shown[0].text;
    EXPECT_NE(presenter_.shown[0].text.find("entero de 0 a 10"), std::string::npos);
    const std::vector<BookRow> after = BookOf(subject);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(after[i].etado, before[i].etado);
      EXPECT_EQ(after[i].final_grade, before[i].final_grade);
    }
  }
}

// The status line follows the row as it is typed: each cell left runs the
// rule and shows the new reason at once, without waiting for a save or a
// new selection; Esc brings back the stored row's reason, and an edit that
// moves on to the next row shows that row's.
TEST_F(FollowUpHeadless, TheStatusLineFollowsTheRowAsGradesAreTyped) {
  auto status = [this] { return p_->window.prop(0, ui::Prop_StatusText, 1).toString(); };
  auto typeInCell = [this](const std::string& text, int key) {
    then([this, text, key] {
      const int f = p_->window.focus();
      p_->window.inputText(f, text);
      p_->window.inputKey(f, key);
    });
  };
  std::string stored, afterBlock, afterFix, blocking;
  then([&] {
    stored = status();
    // A grade below 7 in Eval. 1 blocks the pass; one the row does not hold already.
    p_->Queue2.Get(1);
    blocking = Trim(rt::getValueText(p_->Queue2.Field("QVL:ETAPA1")).value_or("")) == "5.00" ? "4" : "5";
  });
  click(ctl::CHANGE);
  then([&] {
    const int f = p_->window.focus();
    p_->window.inputText(f, blocking);
    p_->window.inputKey(f, ui::Key_Tab);
  });
  then([&] {
    EXPECT_GT(p_->window.focus(), ctl::DELETE) << "still editing the row";
    afterBlock = status();
    p_->Queue2.Get(1);
    EXPECT_EQ(afterBlock, followup::GradeRowFields(p_->Queue2.Buffer()).Explanation());
    EXPECT_NE(afterBlock.find("RECUPERA: Eval. 1 = " + blocking + ",00"), std::string::npos) << afterBlock;
  });
  // Back to Eval. 1 and 9 instead: the reason moves on again.
  then([this] { p_->window.inputKey(p_->window.focus(), ui::Key_ShiftTab); });
  typeInCell("9", ui::Key_Tab);
  then([&] {
    afterFix = status();
    EXPECT_EQ(afterFix.find("Eval. 1 = " + blocking + ",00"), std::string::npos) << afterFix;
    p_->Queue2.Get(1);
    EXPECT_EQ(afterFix, followup::GradeRowFields(p_->Queue2.Buffer()).Explanation());
  });
  then([this] { p_->window.inputKey(p_->window.focus(), ui::Key_Esc); });
  then([&] { EXPECT_EQ(status(), stored); });
  // Down leaves the untouched row for the next one: its reason, as stored.
  click(ctl::CHANGE);
  then([this] { p_->window.inputKey(p_->window.focus(), ui::Key_Down); });
  then([&] {
    EXPECT_GT(p_->window.focus(), ctl::DELETE) << "editing the next row";
    EXPECT_EQ(p_->BRW2.CurrentChoice, 2);
    p_->Queue2.Get(2);
    EXPECT_EQ(status(), followup::GradeRowFields(p_->Queue2.Buffer()).Explanation());
    p_->window.inputKey(p_->window.focus(), ui::Key_Esc);
  });
  then([this] { p_->window.inputCloseRequest(); });
  run();
  EXPECT_NE(afterBlock, stored);
}

// "Historial" in the grade book's popup menu lists the row's recorded
// changes, oldest first, and only that row's: nothing before the school has
// a history file, the two saves typed here afterwards, nothing for a
// student whose grades were not saved.
TEST_F(FollowUpHeadless, HistorialListsTheRowsGradeChangesOldestFirst) {
  std::filesystem::remove(GradeHistory::kFileName);
  std::vector<HistoryShown> shown;  // one per "Historial" chosen
  auto saveFirstGrade = [this](const std::string* grade) {
    click(ctl::CHANGE);
    then([this, grade] {
      const int f = p_->window.focus();
      p_->window.inputText(f, grade ? *grade : "8");
      p_->window.inputKey(f, ui::Key_Enter);
    });
  };
  int32_t legajo = 0;
  std::string first = "6";  // a grade the row does not hold, so that the first save changes it
  then([&] {
    legajo = Num(p_->Queue2.value(1, 1));
    p_->Queue2.Get(1);
    if (Trim(rt::getValueText(p_->Queue2.Field("QVL:ETAPA1")).value_or("")) == "6.00") first = "5";
  });
  ChooseHistorial(1, &shown);
  saveFirstGrade(&first);
  saveFirstGrade(nullptr);  // 8
  ChooseHistorial(1, &shown);
  ChooseHistorial(2, &shown);
  then([this] { p_->window.inputCloseRequest(); });
  run();
  EXPECT_TRUE(presenter_.shown.empty());
  ASSERT_EQ(shown.size(), 3u);
  ASSERT_FALSE(hb_.popupsShown.empty());
  EXPECT_EQ(hb_.popupsShown[0], "Historial");

  // No history file yet: an empty list, and a word on why.
  EXPECT_TRUE(shown[0].rows.empty());
  EXPECT_FALSE(shown[0].note.empty());
  EXPECT_EQ(shown[0].student.rfind(std::to_string(legajo) + " ", 0), 0u) << shown[0].student;

  // Both saves, in order, each field a row; the teacher signs them all.
  const std::vector<std::vector<std::string>>& rows = shown[1].rows;
  std::vector<std::pair<std::string, std::string>> eval1;
  for (const auto& r : rows) {
    EXPECT_EQ(r[followup::HistCol_Who - 1], "DNI " + std::to_string(teacher_));
    EXPECT_EQ(r[followup::HistCol_Date - 1].size(), 10u) << r[0];  // dd/mm/yyyy
    EXPECT_EQ(r[followup::HistCol_Time - 1].find(' '), std::string::npos) << r[1];  // hh:mm:ss
    if (r[followup::HistCol_Field - 1] == "Eval. 1")
      eval1.emplace_back(r[followup::HistCol_Before - 1], r[followup::HistCol_After - 1]);
  }
  ASSERT_EQ(eval1.size(), 2u);
  EXPECT_EQ(eval1[0].second, first + ",00");
  EXPECT_EQ(eval1[1], std::make_pair(first + ",00", std::string("8,00")));
  // A first grade below 7 blocks the pass: the rule's status after that save.
  bool recupera = false;
  for (const auto& r : rows)
    if (r[followup::HistCol_Field - 1] == "Eval. 1" && r[followup::HistCol_After - 1] == first + ",00")
      recupera = r[followup::HistCol_Status - 1] == "RECUPERA";
  EXPECT_TRUE(recupera);
  // Exactly what the file holds for this student, nothing of the others.
  GradeHistory history;
  ASSERT_EQ(history.OpenForReading(), 0);
  std::vector<GradeHistoryEntry> entries;
  ASSERT_EQ(history.Read(subjects_[0], legajo, &entries), 0);
  EXPECT_EQ(rows.size(), entries.size());
  EXPECT_TRUE(shown[1].note.empty()) << shown[1].note;

  // Another student of the subject: nothing recorded.
  EXPECT_TRUE(shown[2].rows.empty());
  EXPECT_EQ(shown[2].student.rfind(std::to_string(legajo) + " ", 0), std::string::npos);
}

// A history file that cannot be read leaves the list empty and says so in
// the window's status bar, no message box.
TEST_F(FollowUpHeadless, AnUnreadableHistoryIsReportedInTheHistorialWindow) {
  {
    std::ofstream junk(GradeHistory::kFileName, std::ios::binary | std::ios::trunc);
    junk << std::string(4096, 'x');
  }
  std::vector<HistoryShown> shown;
  ChooseHistorial(1, &shown);
  then([this] { p_->window.inputCloseRequest(); });
  run();
  std::filesystem::remove(GradeHistory::kFileName);
  EXPECT_TRUE(presenter_.shown.empty());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].rows.empty());
  EXPECT_EQ(shown[0].note.rfind("No se pudo leer el historial", 0), 0u) << shown[0].note;
}

TEST_F(FollowUpHeadless, ARowChangedByAnotherStationIsReportedAndNotOverwritten) {
  const int32_t subject = subjects_[0];
  int32_t legajo = 0;
  auto onRow = [&](rt::FileControlBlock& f) {
    return rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) == subject &&
           rt::getInteger(f, f.decl().findField("QVL:NRO_LEGAJO")).value_or(0) == legajo;
  };
  then([&] { legajo = Num(p_->Queue2.value(1, 1)); });
  click(ctl::CHANGE);
  then([this] { p_->window.inputText(p_->window.focus(), "7"); });
  then([&] {
    // Another station gives the same row a recovery grade meanwhile.
    Book([&](rt::FileControlBlock& f) {
      if (!onRow(f)) return false;
      rt::setValueText(rt::FieldRef{&f, f.decl().findField("QVL:ETAPA12"), 0}, "6");
      return true;
    });
  });
  then([this] { p_->window.inputKey(p_->window.focus(), ui::Key_Enter); });
  then([this] { p_->window.inputKey(p_->window.focus(), ui::Key_Esc); });
  then([this] { p_->window.inputCloseRequest(); });
  run();
  ASSERT_GE(presenter_.shown.size(), 1u);
  EXPECT_NE(presenter_.shown[0].text.find("changed"), std::string::npos) << presenter_.shown[0].text;
  // The list has no field history: nothing to recall with Ctrl+H.
  EXPECT_EQ(presenter_.shown[0].text.find("Ctrl+H"), std::string::npos) << presenter_.shown[0].text;
  std::string etapa1, etapa12;
  Book([&](rt::FileControlBlock& f) {
    if (onRow(f)) {
      etapa1 = rt::getValueText(rt::FieldRef{&f, f.decl().findField("QVL:ETAPA1"), 0}).value_or("");
      etapa12 = rt::getValueText(rt::FieldRef{&f, f.decl().findField("QVL:ETAPA12"), 0}).value_or("");
    }
    return false;
  });
  EXPECT_EQ(etapa12, "6.00");   // the other station's change is kept
  EXPECT_NE(etapa1, "7.00");    // the typed grade was not written over it
}

// A letter typed in the subject list must not lose the teacher's subjects
// (its locator's field is the one the range fixes).
TEST_F(FollowUpHeadless, ALetterInTheSubjectListKeepsTheTeachersSubjects) {
  then([this] { p_->window.inputKey(ctl::LIST, 'M', 'M'); });
  then([this] {
    std::vector<int32_t> shown;
    for (const std::string& s : Column(p_->Queue1, 7)) shown.push_back(Num(s));
    EXPECT_EQ(shown, subjects_);
    ExpectGradeBookOf(Num(p_->Queue1.value(p_->BRW1.CurrentChoice, 7)));
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    EXPECT_EQ(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0), teacher_);
    p_->window.inputCloseRequest();
  });
  run();
}

}  // namespace
}  // namespace app::testing
