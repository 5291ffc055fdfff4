// The whole way through the real program's windows, shown by the Qt
// back-end offscreen and driven with real key presses: sign in (a wrong
// number, the right one, a wrong date, the right date spelt 1/2/1980), pick
// a subject, type the class's grades across the grid with Tab and Enter,
// checking each row's "Prom. OLE", "FINAL" and status on screen after every
// cell, "Salir", the files, and the same values when the window opens again.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QtTest/QTest>
#include <deque>
#include <set>

#include "app/followup/follow_up_procedure.h"
#include "app/followup/historial_window.h"
#include "app/gradebook/grade_history.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "app/signin/main_procedure.h"
#include "app/signin/signin_window.h"
#include "follow_up_qt_school.h"
#include "qt_steps.h"
#include "runtime/core/std_date.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/qt/qt_backend.h"

namespace app::testing {
namespace {

namespace fu = app::followup;
namespace si = app::signin;

constexpr const char* kRowLabels[] = {"QVL:NRO_LEGAJO", "QVL:ALUMNO",  "QVL:ETAPA1",  "QVL:ETAPA2",    "QVL:ETAPA3",
                                      "QVL:ETAPA4",     "QVL:ETAPA5",  "QVL:ETAPA6",  "QVL:ETAPA7",    "QVL:ETAPA8",
                                      "QVL:ETAPA9",     "QVL:ETAPA10", "QVL:ETAPA11", "QVL:ETAPA12",   "QVL:FINAL",
                                      "QVL:COD_MATERIA", "QVL:NRO_REGISTRO", "QVL:DICIEMBRE", "QVL:MARZO", "QVL:ETADO",
                                      "QVL:AC",         "QVL:AM"};

class FollowUpQt : public FollowUpQtSchool {
 protected:
  // Gives every subject record of `dni` the birth date 1 February 1980.
  static void BirthDate1980(int32_t dni) {
    rt::FileControlBlock f(QVMATERIASDecl());
    f.name = dir_ + "/QVMaterias.KRL";
    ASSERT_EQ(rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
    rt::SetFile(f);
    while (rt::Next(f) == 0) {
      if (rt::getInteger(f, f.decl().findField("QVM:DNI_DOCENTE")).value_or(0) != dni) continue;
      rt::setDate(f, f.decl().findField("QVM:QVP_FECHANAC"), rt::MakeStdDate(1980, 2, 1));
      ASSERT_EQ(rt::Put(f), 0);
    }
    rt::Close(f);
  }

  static QWidget* Widget(ui::Window& w, int control) { return ui::qt::QtBackend::controlWidget(w, control); }
  static QTableView* Book(ui::Window& w) { return qobject_cast<QTableView*>(Widget(w, fu::LIST_2)); }
  static std::string Screen(ui::Window& w, int row, int column) {
    return Book(w)->model()->index(row - 1, column - 1).data().toString().trimmed().toStdString();
  }
  // What the grade book's column shows for a row's field value.
  static std::string Shown(rt::FileControlBlock& row, int column) {
    const std::string value = rt::getValueText(rt::findFieldRef(row, kRowLabels[column - 1])).value_or("");
    static const ui::WindowDef def = fu::FollowUpWindow();
    return QString::fromStdString(
               ui::pictureCodec().format(value, def.controls[fu::LIST_2 - 1].columns[size_t(column - 1)].picture))
        .trimmed()
        .toStdString();
  }
  // The grades typed into row i (0-based), columns 3 to 12.
  static std::vector<std::string> GradesOf(int i) {
    const int base = 6 + i % 5;  // 6: the row needs recovery
    return {std::to_string(base), "8", std::to_string(10 - i % 3), "9", "0",
            std::to_string(7 + i % 4), "0", "0", std::to_string(7 + i % 2), "0"};
  }

};

TEST_F(FollowUpQt, SignInTypeAClassesGradesSalirAndReopen) {
  int32_t teacher = 0;
  std::vector<int32_t> subjects;
  for (const auto& [dni, s] : TeacherSubjects())
    if (dni != 0 && s.size() >= 2 && teacher == 0) teacher = dni, subjects = s;
  ASSERT_NE(teacher, 0);
  BirthDate1980(teacher);
  const int32_t subject = subjects[1];

  MainProcedure main;
  fu::FollowUpProcedure* open = nullptr;
  main.followUp = [&] {  // what Ventana_Seguimiento_Notas does, with the procedure in reach
    fu::FollowUpProcedure p;
    open = &p;
    p.Run();
    open = nullptr;
  };
  ui::Window& sw = main.window;
  auto focused = [](ui::Window& w) { return ui::qt::QtBackend::controlWidget(w, w.focus()); };
  std::map<int32_t, std::array<std::string, 3>> expected;  // legajo: Prom. OLE, FINAL, status as shown

  Steps s;
  s.then([&] { return focused(sw) && focused(sw)->isVisible(); });
  // A number nobody has.
  s.act([&] {
    QTest::keyClicks(focused(sw), "12345");
    QTest::keyClick(focused(sw), Qt::Key_Tab);
  });
  s.act([&] { EXPECT_EQ(Trim(AUXILIAR_DOCENTE), "No encontrado ....."); });
  // The teacher's number.
  s.act([&] {
    QWidget* e = Widget(sw, si::AUXILIAR_DNI);
    QTest::mouseClick(e, Qt::LeftButton);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, std::to_string(teacher).c_str());
    QTest::keyClick(e, Qt::Key_Tab);
  });
  s.act([&] {
    EXPECT_TRUE(sw.visible(si::AUXILIAR_FNAC));
    EXPECT_NE(Trim(AUXILIAR_DOCENTE), "No encontrado .....");
  });
  // A wrong date: nothing happens.
  s.act([&] {
    QTest::keyClicks(Widget(sw, si::AUXILIAR_FNAC), "2/2/1980");
    QTest::mouseClick(Widget(sw, si::BUTTON2), Qt::LeftButton);
  });
  s.act([&] {
    EXPECT_EQ(open, nullptr);
    EXPECT_TRUE(sw.isOpen());
  });
  // The right date, spelt without leading zeros.
  s.act([&] {
    QWidget* e = Widget(sw, si::AUXILIAR_FNAC);
    QTest::mouseClick(e, Qt::LeftButton);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, "1/2/1980");
    QTest::mouseClick(Widget(sw, si::BUTTON2), Qt::LeftButton);
  });
  s.then([&] { return open && open->BRW2.Loaded && Book(open->window) && Book(open->window)->isVisible(); });
  // The sheet shows its one visible tab, captioned, above the grade book.
  s.act([&] {
    auto* bar = Widget(open->window, fu::SHEET1)->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), 1);
    EXPECT_EQ(bar->tabText(0), "Informe de Progreso");
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->height(), 0);
  });
  // The teacher's second subject, chosen with the keyboard.
  s.act([&] {
    QWidget* combo = Widget(open->window, fu::LIST);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
  });
  s.then([&] {
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    return rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0) == subject &&
           open->Queue2.rowCount() > 0 && Num(open->Queue2.value(1, 16)) == subject;
  });

  // The whole class, row by row.
  const int students = int(BookOf(subject).size());
  ASSERT_GT(students, 0);
  auto scratch = std::make_shared<rt::FileControlBlock>(QVLIBRETADecl());
  for (int i = 0; i < students; ++i) {
    s.act([&, i] {
      if (i > 0) QTest::keyClick(Book(open->window), Qt::Key_Down);
    });
    s.act([&, scratch] {
      // The row as it is, to follow the rule beside the screen.
      const int row = open->BRW2.CurrentChoice;
      open->Queue2.Get(size_t(row));
      for (const char* l : kRowLabels)
        rt::assignValue(rt::findFieldRef(*scratch, l), open->Queue2.Field(l));
      QTest::mouseClick(Widget(open->window, fu::CHANGE), Qt::LeftButton);
    });
    const std::vector<std::string> grades = GradesOf(i);
    for (size_t c = 0; c < grades.size(); ++c) {
      s.act([&, scratch, c, g = grades[c]] {
        QTest::keyClicks(focused(open->window), g.c_str());
        QTest::keyClick(focused(open->window), Qt::Key_Tab);  // after column 12: "Recupera"
        rt::setValueText(rt::findFieldRef(*scratch, kRowLabels[c + 2]), g);
        fu::GradeRowFields(*scratch).Apply();
      });
      s.act([&, scratch, c] {
        const int row = open->BRW2.CurrentChoice;
        for (int col : {13, 15, 20})
          EXPECT_EQ(Screen(open->window, row, col), Shown(*scratch, col)) << "row " << row << " cell " << c + 3;
        if (c + 1 == 10)
          expected[int32_t(rt::getInteger(*scratch, scratch->decl().findField("QVL:NRO_LEGAJO")).value_or(0))] = {
              Shown(*scratch, 13), Shown(*scratch, 15), Shown(*scratch, 20)};
      });
    }
    // "Recupera" left as it is; Enter saves the row.
    s.act([&] {
      EXPECT_GT(open->window.focus(), fu::DELETE) << "the recovery cell's editor";
      QTest::keyClick(focused(open->window), Qt::Key_Return);
    });
    s.act([&] { EXPECT_LE(open->window.focus(), fu::DELETE) << "the row was saved"; });
  }
  s.act([&] { QTest::mouseClick(Widget(open->window, fu::BUTTON3), Qt::LeftButton); });
  s.start();
  main.Run();
  EXPECT_TRUE(s.finished());
  EXPECT_FALSE(sw.isOpen());
  ASSERT_EQ(int(expected.size()), students);
  std::set<std::string> statuses;
  for (const auto& [legajo, shown] : expected) statuses.insert(shown[2]);
  EXPECT_TRUE(statuses.count("APRUEBA") && statuses.count("RECUPERA")) << "the class has both outcomes";

  // The files hold what the screen showed.
  rt::FileControlBlock shown(QVLIBRETADecl());
  for (const BookRow& r : BookOf(subject)) {
    rt::setValueText(rt::findFieldRef(shown, "QVL:ETAPA11"), r.etapa11);
    rt::setValueText(rt::findFieldRef(shown, "QVL:FINAL"), r.final_grade);
    rt::setText(shown, shown.decl().findField("QVL:ETADO"), r.etado);
    const std::array<std::string, 3> file = {Shown(shown, 13), Shown(shown, 15), Shown(shown, 20)};
    EXPECT_EQ(file, expected[r.legajo]) << r.legajo;
  }

  // Opened again: the same values on screen.
  SignedIn(teacher);
  fu::FollowUpProcedure again;
  Steps s2;
  s2.then([&] { return again.BRW2.Loaded && Book(again.window) && Book(again.window)->isVisible(); });
  s2.act([&] {
    QWidget* combo = Widget(again.window, fu::LIST);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
  });
  s2.then([&] { return again.Queue2.rowCount() > 0 && Num(again.Queue2.value(1, 16)) == subject; });
  s2.act([&] {
    for (int row = 1; row <= again.Queue2.rowCount(); ++row) {
      const int32_t legajo = Num(again.Queue2.value(row, 1));
      const std::array<std::string, 3> screen = {Screen(again.window, row, 13), Screen(again.window, row, 15),
                                                 Screen(again.window, row, 20)};
      EXPECT_EQ(screen, expected[legajo]) << legajo;
    }
    again.window.inputCloseRequest();
  });
  s2.start();
  again.Run();
  EXPECT_TRUE(s2.finished());
}


// On screen: a grade typed and saved, then the right button on its row,
// "Historial" from the menu, and the change in the window that opens.
TEST_F(FollowUpQt, HistorialFromTheRowsMenuShowsTheSavedChange) {
  int32_t teacher = 0;
  for (const auto& [dni, s] : TeacherSubjects())
    if (dni != 0 && teacher == 0) teacher = dni;
  ASSERT_NE(teacher, 0);
  SignedIn(teacher);
  std::filesystem::remove(GradeHistory::kFileName);
  fu::FollowUpProcedure p;
  auto focused = [&p] { return ui::qt::QtBackend::controlWidget(p.window, p.window.focus()); };
  ui::Window* history = nullptr;
  QStringList menu;
  std::vector<std::vector<std::string>> listed;
  std::string grade;  // one the row does not hold, so that the save changes it

  Steps s;
  s.then([&] { return p.BRW2.Loaded && Book(p.window) && Book(p.window)->isVisible(); });
  s.act([&] {
    p.Queue2.Get(1);
    grade = Trim(rt::getValueText(p.Queue2.Field("QVL:ETAPA1")).value_or("")) == "6.00" ? "4" : "6";
    QTest::mouseClick(Widget(p.window, fu::CHANGE), Qt::LeftButton);
  });
  s.then([&] { return p.window.focus() > fu::DELETE && focused(); });
  s.act([&] {
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focused(), grade.c_str());
    QTest::keyClick(focused(), Qt::Key_Return);
  });
  s.then([&] { return p.window.focus() <= fu::DELETE; });
  s.act([&] {
    QTableView* t = Book(p.window);
    QTest::mouseClick(t->viewport(), Qt::RightButton, Qt::NoModifier, t->visualRect(t->model()->index(0, 1)).center());
  });
  s.then([&] {
    auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!m) return false;
    for (QAction* a : m->actions()) menu << a->text();
    m->setActiveAction(m->actions().value(0));
    QTest::keyClick(m, Qt::Key_Return);
    return true;
  });
  s.then([&] {
    for (ui::Window* w : ui::Engine::current().windows())
      if (w->isOpen() && w->def().name == "Historial_Notas") history = w;
    auto* list = history ? qobject_cast<QTableView*>(Widget(*history, fu::HISTORIAL_LIST)) : nullptr;
    if (!list || !list->isVisible()) return false;
    for (int r = 0; r < list->model()->rowCount(); ++r) {
      std::vector<std::string> cells;
      for (int c = 0; c < list->model()->columnCount(); ++c)
        cells.push_back(list->model()->index(r, c).data().toString().trimmed().toStdString());
      listed.push_back(cells);
    }
    QTest::mouseClick(Widget(*history, fu::HISTORIAL_CERRAR), Qt::LeftButton);
    return true;
  });
  s.then([&] { return !history->isOpen(); });
  s.act([&] { p.window.inputCloseRequest(); });
  s.start();
  p.Run();
  EXPECT_TRUE(s.finished());
  EXPECT_EQ(menu, QStringList{"Historial"});
  ASSERT_FALSE(listed.empty());
  const std::vector<std::string>& first = listed.front();
  ASSERT_EQ(first.size(), 8u);
  EXPECT_EQ(first[fu::HistCol_Field - 1], "Eval. 1");
  EXPECT_EQ(first[fu::HistCol_After - 1], grade + ",00");
  EXPECT_EQ(first[fu::HistCol_Who - 1], "DNI " + std::to_string(teacher));
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// A screen reader's view of the follow-up window: every control shown has
// a name a person understands and the role of what it is, a grade cell is
// read with its column's header, and the grade list's description is the
// status line's explanation of the highlighted row.
TEST_F(FollowUpQt, EveryControlHasANameAndRoleAScreenReaderReads) {
  int32_t teacher = 0;
  for (const auto& [dni, s] : TeacherSubjects())
    if (dni != 0 && teacher == 0) teacher = dni;
  SignedIn(teacher);
  fu::FollowUpProcedure p;
  Steps s;
  s.then([&] { return p.BRW2.Loaded && p.Queue2.rowCount() > 0 && Book(p.window) && Book(p.window)->isVisible(); });
  s.act([&] {
    EXPECT_EQ(p.window.focus(), fu::LIST_2) << "the grade list holds the keyboard";
    int named = 0;
    for (ui::Control* c : p.window.controls()) {
      QWidget* w = Widget(p.window, c->number());
      if (!w || !w->isVisible()) continue;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(a, nullptr) << c->def.label;
      EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << c->def.label;
      ++named;
      if (c->type() == ui::Ctl_Button) {
        EXPECT_EQ(a->role(), QAccessible::Button) << c->def.label;
      }
    }
    EXPECT_GE(named, 12);
    QAccessibleInterface* book = QAccessible::queryAccessibleInterface(Book(p.window));
    EXPECT_EQ(book->text(QAccessible::Name), "Libreta de calificaciones");
    EXPECT_EQ(book->role(), QAccessible::Table);
    ASSERT_NE(book->tableInterface(), nullptr);
    QAccessibleInterface* cell = book->tableInterface()->cellAt(0, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->text(QAccessible::Name).startsWith("Eval. 1:")) << cell->text(QAccessible::Name).toStdString();
    const QString why = QString::fromStdString(p.window.prop(0, ui::Prop_StatusText, 1).toString());
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(book->text(QAccessible::Description), why);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Widget(p.window, fu::QVM_CICLO))->text(QAccessible::Name).left(6),
              "Ciclo:");
    p.window.inputCloseRequest();
  });
  s.start();
  p.Run();
  EXPECT_TRUE(s.finished());
}

}  // namespace
}  // namespace app::testing
