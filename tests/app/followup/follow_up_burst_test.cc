// A fast typist on the real follow-up window: every key of a class's grades
// is sent at once through the platform's key path (where Qt also looks for
// shortcuts such as "&Editar"'s Alt+E), before the program has handled the
// first of them, and the stored rows must hold exactly what was typed, with
// the rule's results. Rows are completed with each of the keys that complete
// a row (Tab at the row's end, Enter, Down), typed row by row and column by
// column, and once while another station holds the grade book in a save.
#include <QApplication>
#include <QMessageBox>
#include <QTableView>
#include <QWindow>
#include <QtTest/QTest>
#include <chrono>
#include <map>
#include <thread>

#include "app/followup/follow_up_procedure.h"
#include "app/followup/grade_row_fields.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "follow_up_qt_school.h"
#include "qt_steps.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/qt/qt_backend.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace app::testing {
namespace {

namespace fu = app::followup;

// The eleven edited grade columns of the list, left to right (list columns 3-12 and 14).
constexpr const char* kEdited[] = {"QVL:ETAPA1", "QVL:ETAPA2", "QVL:ETAPA3", "QVL:ETAPA4",  "QVL:ETAPA5",  "QVL:ETAPA6",
                                   "QVL:ETAPA7", "QVL:ETAPA8", "QVL:ETAPA9", "QVL:ETAPA10", "QVL:ETAPA12"};
constexpr const char* kResults[] = {"QVL:ETAPA11", "QVL:FINAL", "QVL:ETADO"};

struct Stroke {
  int key;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
};
using Strokes = std::vector<Stroke>;

void TypeValue(Strokes& k, const std::string& v) {
  for (char c : v) k.push_back({Qt::Key_0 + (c - '0')});
}

class FollowUpBurst : public FollowUpQtSchool {
 protected:
  void SetUp() override {
    FollowUpQtSchool::SetUp();
    // The teacher whose first subject (the one shown at open) has the largest class.
    size_t most = 0;
    for (const auto& [dni, subjects] : TeacherSubjects()) {
      if (dni == 0 || subjects.empty()) continue;
      if (size_t n = BookOf(subjects[0]).size(); n > most) most = n, teacher_ = dni, subject_ = subjects[0];
    }
    ASSERT_GE(most, 5u);
    SignedIn(teacher_);
  }
  // The subject's rows in the list's order (its key), each field as text.
  using Row = std::map<std::string, std::string>;
  std::vector<Row> Rows() const {
    std::vector<Row> out;
    rt::FileControlBlock f(QVLIBRETADecl());
    f.name = dir_ + "/QVLIBRETA.KRL";
    EXPECT_EQ(rt::Open(f, rt::kAccessRead | rt::kShareDenyNone), 0);
    rt::SetKey(f, f.decl().findKey("QVL:CLAVE_MATERIA"));
    while (rt::Next(f) == 0) {
      if (rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) != subject_) continue;
      Row r;
      for (const char* l : kEdited) r[l] = rt::getValueText(rt::findFieldRef(f, l)).value_or("");
      for (const char* l : kResults) r[l] = Trim(rt::getValueText(rt::findFieldRef(f, l)).value_or(""));
      r["QVL:NRO_LEGAJO"] = rt::getValueText(rt::findFieldRef(f, "QVL:NRO_LEGAJO")).value_or("");
      out.push_back(r);
    }
    rt::Close(f);
    return out;
  }

  // A stored row with `typed` (label -> whole grade) put in and the rule applied.
  static Row Expected(const Row& before, const std::map<std::string, int>& typed) {
    rt::FileControlBlock b(QVLIBRETADecl());
    for (const auto& [l, v] : before) rt::setValueText(rt::findFieldRef(b, l.c_str()), v);
    for (const auto& [l, v] : typed) rt::setValueText(rt::findFieldRef(b, l.c_str()), std::to_string(v));
    fu::GradeRowFields(b).Apply();
    Row r = before;
    for (const char* l : kEdited) r[l] = rt::getValueText(rt::findFieldRef(b, l)).value_or("");
    for (const char* l : kResults) r[l] = Trim(rt::getValueText(rt::findFieldRef(b, l)).value_or(""));
    return r;
  }

  // A grade for row i, column c: mostly passes, some sevens and sixes, some tens.
  static int Grade(int i, int c) { return std::array{7, 8, 10, 9, 6, 8, 10, 7, 9}[size_t((i * 5 + c * 3) % 9)]; }

  // Runs the follow-up window: once its grade book shows, every stroke of
  // `keys` goes to the window at once, then a close request behind them.
  // `first` runs just before the strokes are sent.
  void TypeAll(const Strokes& keys, const std::function<void()>& first = nullptr) {
    fu::FollowUpProcedure p;
    Steps s;
    s.then([&] {
      if (!p.BRW2.Loaded || p.Queue2.rowCount() == 0) return false;
      rt::FileControlBlock& m = Access_QVMATERIAS->Block();
      return rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0) == subject_;
    });
    s.act([&] {
      QWindow* w = ui::qt::QtBackend::windowWidget(p.window)->windowHandle();
      ASSERT_NE(w, nullptr);
      if (first) first();
      for (const Stroke& k : keys) QTest::keyClick(w, Qt::Key(k.key), k.mods);
      ui::Window* win = &p.window;
      ui::Engine::current().queueInput(win, [win] { win->inputCloseRequest(); });
    });
    s.start();
    p.Run();
    EXPECT_TRUE(s.finished());
  }

  int32_t teacher_ = 0;
  int32_t subject_ = 0;
};

// How a typed row ends: Tab past the last cell (TabAction 1: saved, the
// edit ends), Enter, or Down (saved, the next row opens in the same column:
// rows are then typed forward and backward in turn).
enum class End { Tab, Enter, Down };

class RowByRow : public FollowUpBurst, public ::testing::WithParamInterface<End> {};

TEST_P(RowByRow, EveryGradeOfTheClassLandsInItsCell) {
  const End end = GetParam();
  const std::vector<Row> before = Rows();
  const int n = std::min<int>(int(before.size()), 30);
  Strokes keys;
  std::vector<std::map<std::string, int>> typed(static_cast<size_t>(n));
  keys.push_back({Qt::Key_E, Qt::AltModifier});  // "&Editar" on the first row
  for (int i = 0; i < n; ++i) {
    const bool backward = end == End::Down && i % 2 == 1;
    for (int step = 0; step < 11; ++step) {
      const int c = backward ? 10 - step : step;
      typed[size_t(i)][kEdited[c]] = Grade(i, c);
      TypeValue(keys, std::to_string(Grade(i, c)));
      if (step < 10) keys.push_back(backward ? Stroke{Qt::Key_Tab, Qt::ShiftModifier} : Stroke{Qt::Key_Tab});
    }
    switch (end) {
      case End::Tab: keys.push_back({Qt::Key_Tab}); break;
      case End::Enter: keys.push_back({Qt::Key_Return}); break;
      case End::Down: keys.push_back({Qt::Key_Down}); break;
    }
    if (end != End::Down && i + 1 < n) {
      keys.push_back({Qt::Key_Down});  // the list's highlight to the next row
      keys.push_back({Qt::Key_E, Qt::AltModifier});
    }
  }
  if (end == End::Down) keys.push_back({Qt::Key_Escape});  // whatever the last Down opened
  TypeAll(keys);

  const std::vector<Row> after = Rows();
  ASSERT_EQ(after.size(), before.size());
  for (int i = 0; i < int(after.size()); ++i) {
    const Row want = i < n ? Expected(before[size_t(i)], typed[size_t(i)]) : before[size_t(i)];
    EXPECT_EQ(after[size_t(i)], want) << "row " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, RowByRow, ::testing::Values(End::Tab, End::Enter, End::Down),
                         [](const ::testing::TestParamInfo<End>& i) {
                           return std::string(i.param == End::Tab ? "Tab" : i.param == End::Enter ? "Enter" : "Down");
                         });

// "&Editar", three Tabs to "OLE 1", then a grade and Down for each student.
TEST_F(FollowUpBurst, AColumnTypedDownTheClassLandsInThatColumn) {
  const std::vector<Row> before = Rows();
  const int n = std::min<int>(int(before.size()), 30);
  Strokes keys{{Qt::Key_E, Qt::AltModifier}, {Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Tab}};
  for (int i = 0; i < n; ++i) {
    TypeValue(keys, std::to_string(Grade(i, 3)));
    keys.push_back({Qt::Key_Down});
  }
  keys.push_back({Qt::Key_Escape});
  TypeAll(keys);

  const std::vector<Row> after = Rows();
  ASSERT_EQ(after.size(), before.size());
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(after[size_t(i)], Expected(before[size_t(i)], {{"QVL:ETAPA4", Grade(i, 3)}})) << "row " << i + 1;
}

// "8,5" typed through the keyboard into a cell that shows whole grades
// reaches the cell's check whole (it was cut to "8," and stored as 8): it
// is refused with a message and nothing is saved.
TEST_F(FollowUpBurst, AFractionTypedIntoAGradeCellIsRefusedAloud) {
  const std::vector<Row> before = Rows();
  fu::FollowUpProcedure p;
  QString shown;
  Steps s;
  QWindow* w = nullptr;
  s.then([&] { return p.BRW2.Loaded && p.Queue2.rowCount() > 0; });
  s.act([&] {
    w = ui::qt::QtBackend::windowWidget(p.window)->windowHandle();
    for (Stroke k : Strokes{{Qt::Key_E, Qt::AltModifier}, {Qt::Key_8}, {Qt::Key_Comma}, {Qt::Key_5}, {Qt::Key_Tab}})
      QTest::keyClick(w, Qt::Key(k.key), k.mods);
  });
  s.then([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return false;
    shown = box->text();
    box->accept();
    return true;
  });
  s.act([&] { QTest::keyClick(w, Qt::Key_Escape); });
  s.act([&] { p.window.inputCloseRequest(); });
  s.start();
  p.Run();
  EXPECT_TRUE(s.finished());
  EXPECT_TRUE(shown.contains("8,5")) << shown.toStdString();
  EXPECT_EQ(Rows(), before);
}

// Another station holds the grade book in a save (its transaction open)
// while this station's burst arrives: the saves wait for it, and every
// typed grade still lands where it was typed.
TEST_F(FollowUpBurst, ABurstDuringAnotherStationsSaveLandsIntact) {
  const std::vector<Row> before = Rows();
  const int n = std::min<int>(int(before.size()), 6);
  const std::string lastLegajo = before.back().at("QVL:NRO_LEGAJO");
  kestrel::testing::ChildProcess other([&](kestrel::testing::ChildProcess& self) {
    int rc = 0;
    std::thread([&] {
      kestrel::RegisterKestrelDriver();
      rt::FileControlBlock f(QVLIBRETADecl());
      f.name = dir_ + "/QVLIBRETA.KRL";
      if (rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone) != 0) return void(rc = 10);
      for (int round = 0; round < 3; ++round) {
        // The class's last row, which this station's burst does not touch.
        if (rt::Logout(2, {&f}) != 0) return void(rc = 11);
        rt::SetKey(f, f.decl().findKey("QVL:CLAVE_MATERIA"));
        bool found = false;
        while (!found && rt::Next(f) == 0)
          found = rt::getInteger(f, f.decl().findField("QVL:COD_MATERIA")).value_or(0) == subject_ &&
                  rt::getValueText(rt::findFieldRef(f, "QVL:NRO_LEGAJO")).value_or("") == lastLegajo;
        if (!found) return void(rc = 12);
        rt::setValueText(rt::findFieldRef(f, "QVL:ETAPA5"), std::to_string(round + 1));
        if (rt::Put(f) != 0) return void(rc = 13);
        if (round == 0) self.Signal();  // holding: the burst may come
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        if (rt::Commit() != 0) return void(rc = 14);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      rt::Close(f);
    }).join();
    return rc;
  });
  ASSERT_TRUE(other.started());

  Strokes keys;
  std::vector<std::map<std::string, int>> typed(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    keys.push_back({Qt::Key_E, Qt::AltModifier});
    for (int c = 0; c < 11; ++c) {
      typed[size_t(i)][kEdited[c]] = Grade(i, c);
      TypeValue(keys, std::to_string(Grade(i, c)));
      keys.push_back({c < 10 ? Qt::Key_Tab : Qt::Key_Return});
    }
    keys.push_back({Qt::Key_Down});
  }
  bool holding = false;
  // The other station takes the grade book just before this one's keys arrive.
  TypeAll(keys, [&] { holding = other.Await(); });
  EXPECT_TRUE(holding);
  EXPECT_EQ(other.Join(), 0);

  const std::vector<Row> after = Rows();
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(after[size_t(i)], Expected(before[size_t(i)], typed[size_t(i)])) << "row " << i + 1;
  EXPECT_EQ(after.back().at("QVL:ETAPA5"), "3.00");  // the other station's last save
}

}  // namespace
}  // namespace app::testing
