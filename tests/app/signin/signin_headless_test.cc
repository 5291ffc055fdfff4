// Main's sign-in window over the sample school, driven through the headless
// back-end: the two states, the identity lookup, the password check and
// what the window leaves behind.
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/signin/main_procedure.h"
#include "app/signin/signin_window.h"
#include "framework/window/request_codes.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/scripted_presenter.h"
#include "signin_school.h"

namespace app::testing {
namespace {

namespace ctl = app::signin;

class SignInHeadless : public SignInSchool {
 protected:
  void SetUp() override {
    SignInSchool::SetUp();
    previousBackend_ = ui::setBackend(&hb_);
    previousPresenter_ = rt::setMessagePresenter(&presenter_);
    p_.followUp = [this] {
      ++followUps_;
      docenteAtFollowUp_ = TrimmedDocente();
      rt::FileControlBlock& m = Access_QVMATERIAS->Block();
      dniInBuffer_ = int32_t(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0));
    };
  }
  void TearDown() override {
    rt::setMessagePresenter(previousPresenter_);
    ui::setBackend(previousBackend_);
    SignInSchool::TearDown();
  }

  // Queued user actions, run one per wait of the window's loop.
  void type(std::string text) {
    hb_.then([this, text] { p_.window.inputText(p_.window.focus(), text); });
  }
  void key(int code) {
    hb_.then([this, code] { p_.window.inputKey(p_.window.focus(), code); });
  }
  void click(int control) {
    hb_.then([this, control] { p_.window.inputClick(control, ui::Mouse_Left); });
  }
  void focusOn(int control) {
    hb_.then([this, control] { p_.window.inputFocus(control); });
  }
  void check(std::function<void()> f) { hb_.then(std::move(f)); }
  void run() { p_.Run(); }

  bool shown(int control) { return p_.window.visible(control); }
  long long prop(int control, int id) { return p_.window.prop(control, id).toInt(); }

  ui::HeadlessBackend hb_;
  ui::ScriptedPresenter presenter_;
  MainProcedure p_;
  int followUps_ = 0;
  std::string docenteAtFollowUp_;
  int32_t dniInBuffer_ = 0;

 private:
  ui::Backend* previousBackend_ = nullptr;
  rt::MessagePresenter* previousPresenter_ = nullptr;
};

TEST_F(SignInHeadless, OpensInTheIdentityStateWithTheKeyboardInTheNumberEntry) {
  check([this] {
    EXPECT_EQ(p_.window.focus(), ctl::AUXILIAR_DNI);
    for (int c : {ctl::STRING1, ctl::AUXILIAR_DNI, ctl::LINE1, ctl::BUTTON4, ctl::STRING4, ctl::BUTTON3}) EXPECT_TRUE(shown(c)) << c;
    for (int c : {ctl::AUXILIAR_DOCENTE, ctl::STRING2, ctl::AUXILIAR_FNAC, ctl::BUTTON2}) EXPECT_FALSE(shown(c)) << c;
  });
  click(ctl::BUTTON3);
  run();
  EXPECT_EQ(followUps_, 0);
  EXPECT_EQ(GlobalResponse, fw::Response_Cancelled);
  EXPECT_FALSE(p_.window.isOpen());
}

TEST_F(SignInHeadless, KnownNumberTurnsToThePasswordStateWithTheTeachersName) {
  type(std::to_string(teacher(0).dni));
  key(ui::Key_Tab);
  check([this] {
    for (int c : {ctl::STRING1, ctl::AUXILIAR_DNI, ctl::BUTTON4}) EXPECT_FALSE(shown(c)) << c;
    for (int c : {ctl::AUXILIAR_DOCENTE, ctl::STRING2, ctl::AUXILIAR_FNAC, ctl::BUTTON2, ctl::BUTTON3}) EXPECT_TRUE(shown(c)) << c;
    EXPECT_EQ(prop(ctl::AUXILIAR_DOCENTE, ui::Prop_Ypos), 8);
    EXPECT_EQ(prop(ctl::BUTTON2, ui::Prop_Xpos), 116);
    EXPECT_EQ(prop(ctl::STRING2, ui::Prop_Ypos), 30);
    EXPECT_EQ(prop(ctl::AUXILIAR_FNAC, ui::Prop_Ypos), 52);
    EXPECT_EQ(p_.window.focus(), ctl::AUXILIAR_FNAC);
    EXPECT_EQ(TrimmedDocente(), Trimmed(teacher(0).name));
    EXPECT_EQ(AUXILIAR_DOCENTE.size(), kAuxiliarDocenteChars);
  });
  click(ctl::BUTTON3);
  run();
  EXPECT_EQ(followUps_, 0);
}

TEST_F(SignInHeadless, UnknownNumberSaysNotFoundAndZeroChangesNothing) {
  key(ui::Key_Tab);  // nothing typed: number 0
  check([this] {
    EXPECT_FALSE(shown(ctl::AUXILIAR_DOCENTE));
    EXPECT_TRUE(shown(ctl::AUXILIAR_DNI));
  });
  focusOn(ctl::AUXILIAR_DNI);
  type("12345");
  key(ui::Key_Tab);
  check([this] {
    EXPECT_TRUE(shown(ctl::AUXILIAR_DOCENTE));
    EXPECT_EQ(TrimmedDocente(), "No encontrado .....");
    EXPECT_EQ(prop(ctl::AUXILIAR_DOCENTE, ui::Prop_Ypos), 68);  // under the entry
    EXPECT_TRUE(shown(ctl::AUXILIAR_DNI));
    EXPECT_TRUE(shown(ctl::BUTTON4));
    EXPECT_FALSE(shown(ctl::BUTTON2));
    EXPECT_FALSE(shown(ctl::AUXILIAR_FNAC));
  });
  // A second try with a known number still gets through.
  focusOn(ctl::AUXILIAR_DNI);
  type(std::to_string(teacher(1).dni));
  click(ctl::BUTTON4);  // leaving the entry completes it
  check([this] { EXPECT_TRUE(shown(ctl::AUXILIAR_FNAC)); });
  type(ShortDate(teacher(1).birth_date));
  click(ctl::BUTTON2);
  run();
  EXPECT_EQ(followUps_, 1);
  EXPECT_EQ(dniInBuffer_, teacher(1).dni);
}

// One sign-in attempt: a number, a date typed as given, "Aceptar"; when the
// window is still open afterwards, "Salir".
struct Attempt {
  const char* what;
  std::function<int32_t()> dni;
  std::function<std::string()> date;
  bool signsIn;
};

class SignInAttempts : public SignInHeadless, public ::testing::WithParamInterface<Attempt> {};

TEST_P(SignInAttempts, BirthDateComparedAsADayNumber) {
  const Attempt& a = GetParam();
  type(std::to_string(a.dni()));
  key(ui::Key_Tab);
  type(a.date());
  click(ctl::BUTTON2);
  check([this] { EXPECT_TRUE(shown(ctl::AUXILIAR_FNAC)); });  // still there: the date was refused
  click(ctl::BUTTON3);
  run();
  EXPECT_EQ(followUps_, a.signsIn ? 1 : 0) << a.what;
  if (a.signsIn) {
    EXPECT_EQ(dniInBuffer_, a.dni());
    EXPECT_EQ(docenteAtFollowUp_, TrimmedDocente());
  }
  EXPECT_FALSE(p_.window.isOpen());
}

std::string Padded(int32_t date) {
  rt::CivilDate c;
  rt::SplitStdDate(date, &c);
  char s[16];
  snprintf(s, sizeof s, "%02d/%02d/%04d", c.day, c.month, c.year);
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignInAttempts,
    ::testing::Values(
        Attempt{"stored spelling", [] { return SignInSchool::TeacherDni(0); },
                [] { return Padded(SignInSchool::TeacherBirth(0)); }, true},
        Attempt{"without leading zeros", [] { return SignInSchool::TeacherDni(2); },
                [] { return SignInSchool::ShortDateOf(SignInSchool::TeacherBirth(2)); }, true},
        Attempt{"a day off", [] { return SignInSchool::TeacherDni(0); },
                [] { return Padded(SignInSchool::TeacherBirth(0) + 1); }, false},
        Attempt{"the teacher's second subject record's date",
                [] { return SignInSchool::TeacherDni(0); }, [] { return Padded(kSecondRecordBirth); }, false},
        Attempt{"no birth date stored, none typed", [] { return kNoBirthDateDni; }, [] { return std::string(); },
                false},
        Attempt{"not a date", [] { return SignInSchool::TeacherDni(0); }, [] { return std::string("31/02/1970"); },
                false}),
    [](const ::testing::TestParamInfo<Attempt>& i) { return "Case" + std::to_string(i.index); });

TEST_F(SignInHeadless, SalirKeepsThePlaceInTheSettingsFileAndTheNextRunUsesIt) {
  check([this] { p_.window.inputMoved(37, 21); });
  click(ctl::BUTTON3);
  run();
  std::ifstream ini("QVAPP.INI");
  std::stringstream text;
  text << ini.rdbuf();
  EXPECT_NE(text.str().find("[Main]"), std::string::npos) << text.str();

  MainProcedure again;
  again.followUp = p_.followUp;
  hb_.then([&] {
    EXPECT_EQ(again.window.prop(0, ui::Prop_Xpos).toInt(), 37);
    EXPECT_EQ(again.window.prop(0, ui::Prop_Ypos).toInt(), 21);
    again.window.inputClick(ctl::BUTTON3, ui::Mouse_Left);
  });
  again.Run();
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(SignInHeadless, UnwritableSettingsFileIsReportedOnceAndTheProgramGoesOn) {
  std::filesystem::create_directory("QVAPP.INI");  // cannot be replaced by a file
  click(ctl::BUTTON3);
  run();
  MainProcedure again;
  hb_.then([&] { again.window.inputClick(ctl::BUTTON3, ui::Mouse_Left); });
  again.Run();
  std::filesystem::remove("QVAPP.INI");
  ASSERT_EQ(presenter_.shown.size(), 1u);
  EXPECT_NE(presenter_.shown[0].text.find("QVAPP.INI"), std::string::npos) << presenter_.shown[0].text;
  EXPECT_FALSE(again.window.isOpen());
}

TEST_F(SignInHeadless, SigningInOpensTheFollowUpWindowAndMainEndsWithIt) {
  MainProcedure real;  // the program's own follow-up call
  hb_.then([&] { real.window.inputText(real.window.focus(), std::to_string(teacher(0).dni)); });
  hb_.then([&] { real.window.inputKey(real.window.focus(), ui::Key_Tab); });
  hb_.then([&] { real.window.inputText(real.window.focus(), Padded(teacher(0).birth_date)); });
  hb_.then([&] { real.window.inputClick(ctl::BUTTON2, ui::Mouse_Left); });
  bool followUpOpen = false;
  hb_.then([&] {
    ui::Window* w = ui::Engine::current().target();
    followUpOpen = w && w != &real.window && w->isOpen();
    if (w) w->inputCloseRequest();  // closed without "Salir"
  });
  real.Run();
  EXPECT_TRUE(followUpOpen);
  EXPECT_TRUE(presenter_.shown.empty());
  EXPECT_FALSE(real.window.isOpen());
  EXPECT_EQ(hb_.idleCloses, 0);  // ended by itself, not by the back-end running out of input
}

}  // namespace
}  // namespace app::testing
