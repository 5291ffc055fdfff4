// Main's sign-in window through the real Qt back-end (offscreen), with key
// presses and clicks synthesised at the Qt level: what a teacher sees and
// what the window leaves in QVAPP.INI.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "app/signin/main_procedure.h"
#include "app/signin/signin_window.h"
#include "framework/window/request_codes.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "signin_school.h"

namespace app::testing {
namespace {

namespace ctl = app::signin;
using ui::qt::QtBackend;

// One QApplication for the whole run, gone before the exit handlers.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "app_signin_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class SignInQt : public SignInSchool {
 protected:
  void SetUp() override {
    SignInSchool::SetUp();
    backend_ = std::make_unique<QtBackend>();
    p_.followUp = [this] {
      ++followUps_;
      rt::FileControlBlock& m = Access_QVMATERIAS->Block();
      dniInBuffer_ = int32_t(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0));
    };
  }
  void TearDown() override {
    backend_.reset();
    SignInSchool::TearDown();
  }

  // Steps run one after another from Qt timers while the window's loop
  // runs; a step returning false is tried again a little later. A watchdog
  // ends a stuck run.
  SignInQt& then(std::function<bool()> step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  SignInQt& act(std::function<void()> step) {
    return then([step] {
      step();
      return true;
    });
  }
  void run(MainProcedure& p) {
    QObject context;
    std::function<void()> tick = [&] {
      if (steps_.empty() || timedOut_) return;
      if (steps_.front()()) steps_.pop_front();
      QTimer::singleShot(steps_.empty() ? 0 : 5, &context, tick);
    };
    // Nothing is typed before the window has opened and put the keyboard
    // in the number entry.
    steps_.push_front([&p] { return p.window.isOpen() && p.window.focus() == ctl::AUXILIAR_DNI; });
    QTimer::singleShot(0, &context, tick);
    QTimer::singleShot(10000, &context, [&] {
      if (steps_.empty()) return;
      timedOut_ = true;
      if (QWidget* m = QApplication::activeModalWidget()) m->close();
      if (QWidget* salir = QtBackend::controlWidget(p.window, ctl::BUTTON3))
        QTest::mouseClick(salir, Qt::LeftButton);
    });
    p.Run();
    EXPECT_FALSE(timedOut_) << steps_.size() << " steps left";
    EXPECT_TRUE(steps_.empty());
    steps_.clear();
  }
  void run() { run(p_); }

  QWidget* widget(int control) { return QtBackend::controlWidget(p_.window, control); }
  QWidget* focused() { return widget(p_.window.focus()); }
  bool shown(int control) { return widget(control) && widget(control)->isVisible(); }
  QString shownText(int control) {
    auto* label = qobject_cast<QLabel*>(widget(control));
    return label ? label->text().trimmed() : QString("(no label)");
  }
  // Replaces what the focused entry holds with `text`, typed key by key.
  void retype(const std::string& text) {
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focused(), Qt::Key_Backspace);
    QTest::keyClicks(focused(), QString::fromStdString(text));
  }
  void click(int control) { QTest::mouseClick(widget(control), Qt::LeftButton); }
  // Answers the message box that is up with its only button, keeping its text.
  std::function<bool()> acknowledge(std::string* text) {
    return [text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return false;
      *text = box->text().toStdString();
      auto buttons = box->findChildren<QPushButton*>();
      if (buttons.isEmpty()) return false;
      QTest::mouseClick(buttons.front(), Qt::LeftButton);
      return true;
    };
  }

  std::unique_ptr<QtBackend> backend_;
  MainProcedure p_;
  int followUps_ = 0;
  int32_t dniInBuffer_ = 0;

 private:
  std::deque<std::function<bool()>> steps_;
  bool timedOut_ = false;
};

std::string Padded(int32_t date) {
  rt::CivilDate c;
  rt::SplitStdDate(date, &c);
  char s[16];
  snprintf(s, sizeof s, "%02d/%02d/%04d", c.day, c.month, c.year);
  return s;
}

TEST_F(SignInQt, WrongNumberThenTheTeachersWrongDateThenTheRightOneSpelledShort) {
  const std::string dni = std::to_string(TeacherDni(1));
  act([&] {
    EXPECT_EQ(p_.window.focus(), ctl::AUXILIAR_DNI);
    EXPECT_FALSE(shown(ctl::AUXILIAR_DOCENTE));
    retype("12345");
    QTest::keyClick(focused(), Qt::Key_Tab);
  });
  act([&] {
    EXPECT_TRUE(shown(ctl::AUXILIAR_DOCENTE));
    EXPECT_EQ(shownText(ctl::AUXILIAR_DOCENTE), "No encontrado .....");
    EXPECT_TRUE(shown(ctl::AUXILIAR_DNI));
    EXPECT_TRUE(shown(ctl::BUTTON4));
    EXPECT_FALSE(shown(ctl::BUTTON2));
    EXPECT_FALSE(shown(ctl::AUXILIAR_FNAC));
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);  // back to the number
  });
  act([&] {
    EXPECT_EQ(p_.window.focus(), ctl::AUXILIAR_DNI);
    retype(dni);
    click(ctl::BUTTON4);  // leaving the entry completes it: the lookup
  });
  act([&] {
    EXPECT_FALSE(shown(ctl::STRING1));
    EXPECT_FALSE(shown(ctl::AUXILIAR_DNI));
    EXPECT_FALSE(shown(ctl::BUTTON4));
    EXPECT_TRUE(shown(ctl::STRING2));
    EXPECT_TRUE(shown(ctl::AUXILIAR_FNAC));
    EXPECT_TRUE(shown(ctl::BUTTON2));
    EXPECT_EQ(shownText(ctl::AUXILIAR_DOCENTE).toStdString(), Trimmed(teacher(1).name));
    EXPECT_EQ(widget(ctl::BUTTON2)->geometry(), widget(ctl::BUTTON4)->geometry());  // in its place
    EXPECT_EQ(QApplication::focusWidget(), widget(ctl::AUXILIAR_FNAC));
    retype(Padded(TeacherBirth(1) + 1));
    click(ctl::BUTTON2);
  });
  act([&] {
    EXPECT_EQ(followUps_, 0);  // refused without a word
    EXPECT_TRUE(shown(ctl::AUXILIAR_FNAC));
    QTest::mouseClick(widget(ctl::AUXILIAR_FNAC), Qt::LeftButton);
    retype(ShortDate(TeacherBirth(1)));  // "1/2/1980" for 01/02/1980
    click(ctl::BUTTON2);
  });
  run();
  EXPECT_EQ(followUps_, 1);
  EXPECT_EQ(dniInBuffer_, TeacherDni(1));
  EXPECT_FALSE(p_.window.isOpen());
}

TEST_F(SignInQt, SalirClosesAndThePlaceIsKeptInQVAPP_INIForTheNextRun) {
  long long x = 0, y = 0;
  act([&] { QtBackend::windowWidget(p_.window)->move(140, 90); });
  then([&] {
    x = p_.window.prop(0, ui::Prop_Xpos).toInt();
    y = p_.window.prop(0, ui::Prop_Ypos).toInt();
    return x != 0 || y != 0;  // the move has reached the engine
  });
  act([&] { click(ctl::BUTTON3); });
  run();
  EXPECT_EQ(followUps_, 0);
  EXPECT_EQ(GlobalResponse, fw::Response_Cancelled);
  EXPECT_FALSE(p_.window.isOpen());
  std::ifstream ini("QVAPP.INI");
  std::stringstream text;
  text << ini.rdbuf();
  EXPECT_NE(text.str().find("[Main]"), std::string::npos) << text.str();

  MainProcedure again;
  act([&] {
    EXPECT_EQ(again.window.prop(0, ui::Prop_Xpos).toInt(), x);
    EXPECT_EQ(again.window.prop(0, ui::Prop_Ypos).toInt(), y);
    QTest::mouseClick(QtBackend::controlWidget(again.window, ctl::BUTTON3), Qt::LeftButton);
  });
  run(again);
}

// QVAPP.INI cannot be written: a directory of that name (which stops root
// too) or a read-only folder. The teacher still signs in; closing tells,
// once, that the settings were not saved, naming the file.
class SignInQtUnwritable : public SignInQt, public ::testing::WithParamInterface<bool> {};

TEST_P(SignInQtUnwritable, SignInWorksAndTheUnsavedSettingsAreToldOnce) {
  namespace fs = std::filesystem;
  const bool readOnlyFolder = GetParam();
  if (readOnlyFolder) {
    fs::permissions(".", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (::access(".", W_OK) == 0) {
      fs::permissions(".", fs::perms::owner_write, fs::perm_options::add);
      GTEST_SKIP() << "the folder stays writable (running as root)";
    }
  } else {
    fs::create_directory("QVAPP.INI");
  }
  std::string message;
  act([&] { retype(std::to_string(TeacherDni(0))); });
  act([&] { QTest::keyClick(focused(), Qt::Key_Tab); });
  then([&] { return shown(ctl::AUXILIAR_FNAC); });
  act([&] {
    retype(Padded(TeacherBirth(0)));
    click(ctl::BUTTON2);
  });
  then(acknowledge(&message));  // shown as the window closes and saves its place
  run();
  if (readOnlyFolder)
    fs::permissions(".", fs::perms::owner_write, fs::perm_options::add);
  else
    fs::remove("QVAPP.INI");
  EXPECT_EQ(followUps_, 1);
  EXPECT_NE(message.find("QVAPP.INI"), std::string::npos) << message;
  EXPECT_NE(message.find("No se pudo escribir"), std::string::npos) << message;
  EXPECT_EQ(INIMgr.failedWrites() > 0, true);
}

INSTANTIATE_TEST_SUITE_P(Settings, SignInQtUnwritable, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "ReadOnlyFolder" : "DirectoryInTheWay";
                         });

}  // namespace
}  // namespace app::testing
