// The whole program on the screens school laptops have, 1366x768 at 100 %
// and 1920x1080 at 150 % (Qt's offscreen platform given that screen, the
// scale as the desktop sets it): signed in, "Planilla" and its preview, the
// contents maintenance, "Salir". Every window must lie inside the screen's
// free area with every button on it, and the buttons that lead on are
// clicked. The follow-up window starts from a position saved on a larger
// screen. Each screen runs in a process of its own (a Qt application has
// one platform).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/program.h"
#include "app/signin/main_procedure.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/std_date.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/window.h"
#include "tools/qvdata/commands.h"

namespace {

namespace fs = std::filesystem;

struct ScreenCase {
  const char* name;
  int width, height;
  const char* scale;  // QT_SCALE_FACTOR, "" for none
};
void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.name; }

// Drives the running program from timer ticks and writes what it finds
// wrong, and each window's size, to `report`.
class Walk {
 public:
  explicit Walk(std::ostream& report) : report_(report) {}

  void then(std::function<bool()> step) { steps_.push_back(std::move(step)); }
  void start() { QTimer::singleShot(0, &context_, [this] { tick(); }); }
  int faults = 0;
  bool done() const { return steps_.empty(); }
  int passed() const { return passed_; }

  // The open window of the program that typing goes to, as Qt shows it.
  static QWidget* Target() {
    ui::Window* w = ui::Engine::current().target();
    return w ? ui::qt::QtBackend::windowWidget(*w) : nullptr;
  }
  // A visible button of `top` by its caption (without '&') or its tip.
  static QAbstractButton* Button(QWidget* top, const QString& name) {
    if (!top) return nullptr;
    for (QAbstractButton* b : top->findChildren<QAbstractButton*>()) {
      if (!b->isVisible()) continue;
      if (QString(b->text()).remove('&') == name || b->toolTip() == name) return b;
    }
    return nullptr;
  }
  // The window and every button on it inside the free area of its screen.
  void Check(QWidget* top, const char* what) {
    const QRect a = top->screen()->availableGeometry();
    const QRect f = top->frameGeometry();
    report_ << "SIZE " << what << " " << f.width() << "x" << f.height() << " at " << f.x() << "," << f.y()
            << " on " << a.width() << "x" << a.height() << "\n";
    if (!a.contains(f)) Fault(std::string(what) + " is not inside the screen");
    for (QAbstractButton* b : top->findChildren<QAbstractButton*>()) {
      if (!b->isVisible()) continue;
      const QRect r(b->mapToGlobal(QPoint(0, 0)), b->size());
      if (!a.contains(r))
        Fault(std::string(what) + ": button \"" + b->text().toStdString() + b->toolTip().toStdString() +
              "\" is off the screen");
    }
  }
  void Fault(const std::string& what) {
    ++faults;
    report_ << "FAULT " << what << "\n";
  }

 private:
  void tick() {
    if (!steps_.empty() && steps_.front()()) {
      steps_.pop_front();
      ++passed_;
    }
    if (!steps_.empty()) QTimer::singleShot(10, &context_, [this] { tick(); });
  }
  std::ostream& report_;
  int passed_ = 0;
  std::deque<std::function<bool()>> steps_;
  QObject context_;
};

// The first teacher of the subjects file, given the birth date 1 February
// 1980 on each of their subjects: identity and birth date as typed.
std::pair<std::string, std::string> Teacher(const std::string& dir) {
  rt::FileControlBlock f(app::QVMATERIASDecl());
  f.name = dir + "/QVMaterias.KRL";
  if (rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone) != 0) return {};
  const int dniField = f.decl().findField("QVM:DNI_DOCENTE");
  int64_t dni = 0;
  rt::SetFile(f);
  while (rt::Next(f) == 0) {
    const int64_t d = rt::getInteger(f, dniField).value_or(0);
    if (d == 0 || (dni != 0 && d != dni)) continue;
    dni = d;
    rt::setDate(f, f.decl().findField("QVM:QVP_FECHANAC"), rt::MakeStdDate(1980, 2, 1));
    if (rt::Put(f) != 0) dni = 0;
  }
  rt::Close(f);
  if (dni == 0) return {};
  return {std::to_string(dni), "01/02/1980"};
}

// The child: the program on the screen of `c`, walked through; its exit
// status is the number of faults found.
int RunOnScreen(const ScreenCase& c, const std::string& dir, const std::string& reportPath) {
  const std::string config = dir + "/screen.json";
  std::ofstream(config) << "{\"screens\": [{\"name\": \"laptop\", \"x\": 0, \"y\": 0, \"width\": " << c.width
                        << ", \"height\": " << c.height << ", \"logicalDpi\": 96, \"dpr\": 1}]}";
  ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
  if (*c.scale) ::setenv("QT_SCALE_FACTOR", c.scale, 1);
  if (::chdir(dir.c_str()) != 0) return 100;
  const auto [dni, birth] = Teacher(dir);
  if (dni.empty()) return 101;
  std::ofstream report(reportPath);
  kestrel::RegisterKestrelDriver();
  int argc = 1;
  char name[] = "qvnotas";
  char* argv[] = {name, nullptr};
  QApplication qapp(argc, argv);
  ui::qt::QtBackend backend;
  Walk walk(report);
  auto has = [](const char* button) { return [button] { return Walk::Button(Walk::Target(), button) != nullptr; }; };
  auto click = [&walk](const char* button) {
    return [&walk, button] {
      QAbstractButton* b = Walk::Button(Walk::Target(), button);
      if (!b) walk.Fault(std::string("no button ") + button);
      else QTest::mouseClick(b, Qt::LeftButton);
      return true;
    };
  };
  // Sign-in: the identity, then the birth date, then "Aceptar".
  walk.then([] { return Walk::Target() && QApplication::focusWidget(); });
  // Typed as the platform delivers keys, so that they wait their turn.
  auto type = [](const std::string& text) {
    QWindow* w = Walk::Target()->windowHandle();
    for (char ch : text) QTest::keyClick(w, ch);
  };
  walk.then([&] {
    walk.Check(Walk::Target(), "sign-in");
    type(dni);
    QTest::keyClick(Walk::Target()->windowHandle(), Qt::Key_Tab);
    return true;
  });
  // The birth date's entry, once the identity is found.
  walk.then([] {
    auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return !ui::Engine::current().inputPending() && e && e->text().contains('/');
  });
  walk.then([&] {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(birth));
    // Tab to "Aceptar", and the space bar presses it.
    QTest::keyClick(Walk::Target()->windowHandle(), Qt::Key_Tab);
    QTest::keyClick(Walk::Target()->windowHandle(), Qt::Key_Space);
    return true;
  });
  // The follow-up window, from a position saved off this screen.
  walk.then(has("Planilla"));
  walk.then([&] {
    walk.Check(Walk::Target(), "follow-up");
    return true;
  });
  walk.then(click("Planilla"));
  walk.then(has("Exit without printing the report"));
  walk.then([&] {
    walk.Check(Walk::Target(), "preview");
    return true;
  });
  walk.then(click("Exit without printing the report"));
  // Tab 2 (shown by the school's setting) and its "Contenidos".
  walk.then(has("Planilla"));
  walk.then([&] {
    QTabBar* bar = Walk::Target()->findChild<QTabBar*>();
    if (!bar || bar->count() < 2) {
      walk.Fault("the follow-up window shows no second tab");
      return true;
    }
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    return true;
  });
  walk.then(has("Contenidos"));
  walk.then(click("Contenidos"));
  walk.then(has("Agregar"));
  walk.then([&] {
    walk.Check(Walk::Target(), "contents");
    return true;
  });
  walk.then(click("Salir"));
  walk.then(has("Planilla"));
  walk.then(click("Salir"));
  walk.start();
  QTimer::singleShot(90000, [&] {
    walk.Fault("the walk did not finish");
    if (QWidget* t = Walk::Target()) t->grab().save(QString::fromStdString(reportPath + ".png"));
    if (ui::Window* w = ui::Engine::current().target()) ui::Engine::current().post(514, 0, w);
  });
  {
    app::ThreadObjects thread;
    app::RunProgram(app::Main);
  }
  if (!walk.done()) walk.Fault("the program ended before the walk did, after step " + std::to_string(walk.passed()));
  return walk.faults;
}

class Screens : public ::testing::TestWithParam<ScreenCase> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qvscreens.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::ostringstream out, err;
    ASSERT_EQ(qvdata::RunQvdata({"demo", dir_, "--seed", "3"}, out, err), 0) << err.str();
    // Tab 2 shown; the follow-up window saved far right and down, as on a large screen.
    std::ofstream(dir_ + "/QVAPP.INI") << "[Ventana_Seguimiento_Notas]\nMostrarContenidos=1\nMaximize=No\n"
                                          "Minimize=No\nXPos=2400\nYPos=1400\n";
  }
  void TearDown() override {
    std::error_code ec;
    if (!::testing::Test::HasFailure()) fs::remove_all(dir_, ec);
  }
  std::string dir_;
};

TEST_P(Screens, EveryWindowLiesInsideTheScreenAndItsButtonsAreClicked) {
  const std::string report = dir_ + "/report.txt";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(120);
    ::_exit(std::min(RunOnScreen(GetParam(), dir_, report), 99));
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  std::ifstream in(report);
  std::stringstream text;
  text << in.rdbuf();
  ASSERT_TRUE(WIFEXITED(status)) << text.str();
  EXPECT_EQ(WEXITSTATUS(status), 0) << text.str();
  EXPECT_NE(text.str().find("SIZE contents"), std::string::npos) << text.str();
  std::cout << text.str();
}

INSTANTIATE_TEST_SUITE_P(Laptops, Screens,
                         ::testing::Values(ScreenCase{"At1366x768", 1366, 768, ""},
                                           ScreenCase{"At1920x1080Scaled150", 1920, 1080, "1.5"}),
                         [](const ::testing::TestParamInfo<ScreenCase>& i) { return std::string(i.param.name); });

}  // namespace
