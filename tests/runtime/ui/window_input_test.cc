// Keyboard and focus handling, mnemonics, entry completion and the accept-all pass.
#include <algorithm>
#include <memory>
#include <string>

#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/use_var.h"

namespace {

using namespace ui;
using uitest::ctl;
using uitest::Seen;

// Numbers only: refuses anything that is not an optional "-" and digits.
class DigitsCodec : public PictureCodec {
 public:
  std::string format(const std::string& v, const std::string&) const override { return v; }
  bool deformat(const std::string& t, const std::string&, std::string* v) const override {
    size_t b = t.find_first_not_of(' '), e = t.find_last_not_of(' ');
    std::string s = b == std::string::npos ? "" : t.substr(b, e - b + 1);
    for (size_t i = 0; i < s.size(); ++i)
      if (!(isdigit(static_cast<unsigned char>(s[i])) || (i == 0 && s[i] == '-'))) return false;
    *v = s.empty() ? "0" : s;
    return true;
  }
};

class WindowInput : public uitest::Headless {
 protected:
  void SetUp() override {
    Headless::SetUp();
    previousCodec_ = setPictureCodec(&codec_);
    WindowDef d;
    d.controls = {ctl(Ctl_Text, "Name"),     // 1
                  ctl(Ctl_Entry, "@n-14"),   // 2
                  ctl(Ctl_Entry, "@s20"),    // 3 hidden
                  ctl(Ctl_Entry, "@s20"),    // 4 disabled
                  ctl(Ctl_Entry, "@s20"),    // 5
                  ctl(Ctl_Button, "OK"),     // 6 default
                  ctl(Ctl_Button, "Exit")};  // 7
    d.controls[2].hidden = true;
    d.controls[3].disabled = true;
    d.controls[5].isDefault = true;
    w_ = std::make_unique<Window>(d);
    w_->bind(2, &numberVar_);
    w_->bind(5, &textVar_);
    w_->open();
  }
  void TearDown() override {
    w_.reset();
    setPictureCodec(previousCodec_);
    Headless::TearDown();
  }
  // Queues a key on whatever control has the focus when the step runs.
  void key(int code) {
    hb.then([this, code] { w_->inputKey(w_->focus(), code); });
  }
  void type(const std::string& text) {
    hb.then([this, text] { w_->inputText(w_->focus(), text); });
  }

  DigitsCodec codec_;
  PictureCodec* previousCodec_ = nullptr;
  int32_t number_ = 7;
  std::string text_ = "abc";
  Int32Var numberVar_{&number_};
  StringVar textVar_{&text_, 20};
  std::unique_ptr<Window> w_;
};

TEST_F(WindowInput, TabOrderSkipsHiddenDisabledAndNonFocusableControlsAndWraps) {
  EXPECT_EQ(w_->focus(), 2);
  for (int k : std::initializer_list<int>{Key_Tab, Key_Tab, Key_Tab, Key_Tab, Key_ShiftTab, Key_ShiftTab}) key(k);
  drain(*w_);
  EXPECT_EQ(hb.focusLog, (std::vector<int>{2, 5, 6, 7, 2, 7, 6}));
}

TEST_F(WindowInput, TypedValueIsStoredOnTabAndAcceptedEventFollows) {
  type("1234");
  key(Key_Tab);
  Seen seen = drain(*w_);
  EXPECT_EQ(number_, 1234);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], (std::pair<int, int>{Event_OpenWindow, 0}));
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Accepted, 2}));
  EXPECT_EQ(seen[2], (std::pair<int, int>{Event_Selected, 5}));
}

TEST_F(WindowInput, RefusedValueRaisesRejectedKeepsFocusAndVariable) {
  type("12x");
  key(Key_Tab);
  Seen seen = drain(*w_);
  EXPECT_EQ(number_, 7);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Rejected, 2}));
  EXPECT_EQ(w_->focus(), 2);
  EXPECT_EQ(hb.focusLog.back(), 2);
}

TEST_F(WindowInput, ClickOnButtonAfterRefusedValueReportsOneRejectionAndNoAccept) {
  type("1x");
  hb.then([this] {
    w_->inputFocus(7);  // the press moves the focus first
    w_->inputClick(7, Mouse_Left);
  });
  type("1");
  key(Key_Tab);
  Seen seen = drain(*w_);
  // The click asks first (Selecting); letting it through fails on the refused entry.
  Seen expected = {{Event_OpenWindow, 0}, {Event_Rejected, 2}, {Event_Selecting, 7}, {Event_Accepted, 2},
                   {Event_Selected, 5}, {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
}

TEST_F(WindowInput, EnterInEntryPressesDefaultButtonAndEscClosesWindow) {
  type("5");
  key(Key_Enter);
  key(Key_Esc);
  Seen seen;
  std::vector<int> keys;
  AcceptLoop loop(*w_);
  while (loop.next()) {
    seen.emplace_back(Engine::current().event(), Engine::current().field());
    keys.push_back(Engine::current().keyCode());
  }
  EXPECT_EQ(number_, 5);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_Accepted, 2}));
  EXPECT_EQ(seen[2], (std::pair<int, int>{Event_Accepted, 6}));
  EXPECT_EQ(seen[3], (std::pair<int, int>{Event_CloseWindow, 0}));
  EXPECT_EQ(keys, (std::vector<int>{0, Key_Enter, Key_Enter, Key_Esc}));
  EXPECT_EQ(hb.idleCloses, 0);
}

TEST_F(WindowInput, AlertedKeyBecomesAlertKeyEventInsteadOfDefault) {
  w_->alert(2, Key_Tab);
  w_->alert(0, Key_F1);
  key(Key_Tab);
  key(Key_F1);
  Seen seen = drain(*w_);
  EXPECT_EQ(seen[1], (std::pair<int, int>{Event_AlertKey, 2}));
  EXPECT_EQ(seen[2], (std::pair<int, int>{Event_AlertKey, 0}));
  EXPECT_EQ(w_->focus(), 2);  // Tab did not move the focus
  EXPECT_EQ(w_->prop(2, Prop_Alrt, 1).toInt(), Key_Tab);
}

TEST_F(WindowInput, AcceptAllPassAcceptsEachEntryThenCompletes) {
  hb.then([this] {
    w_->inputText(5, "123");
    w_->select(0);
    EXPECT_TRUE(w_->prop(0, Prop_AcceptAll).toInt());
  });
  Seen seen = drain(*w_);
  Seen expected = {{Event_OpenWindow, 0}, {Event_Accepted, 2}, {Event_Accepted, 5},
                   {Event_Completed, 0}, {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(text_, "123" + std::string(17, ' '));
  EXPECT_FALSE(w_->prop(0, Prop_AcceptAll).toInt());
}

TEST_F(WindowInput, AcceptAllStopsAtRefusedEntry) {
  hb.then([this] {
    w_->inputText(2, "abc");
    w_->select(0);
  });
  Seen seen = drain(*w_);
  Seen expected = {{Event_OpenWindow, 0}, {Event_Rejected, 2}, {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
}

TEST_F(WindowInput, DisplayAndUpdateMoveValuesBetweenVariablesAndScreen) {
  number_ = 42;
  w_->display();
  EXPECT_EQ(w_->prop(2, Prop_ScreenText).toString(), "42");
  w_->inputText(2, "43");
  w_->inputText(5, "55");
  EXPECT_TRUE(w_->update());
  EXPECT_EQ(number_, 43);
  EXPECT_EQ(text_.substr(0, 3), "55 ");
  w_->inputText(2, "4x");
  EXPECT_FALSE(w_->update(2));
  EXPECT_EQ(number_, 43);
  // A value beyond the variable's range is refused, not wrapped.
  w_->inputText(2, "99999999999");
  EXPECT_FALSE(w_->update(2));
  EXPECT_EQ(number_, 43);
}

TEST_F(WindowInput, ClickOnButtonCompletesEntryFirst) {
  type("77");
  hb.then([this] { w_->inputClick(7, Mouse_Left); });
  Seen seen = drain(*w_);
  EXPECT_EQ(number_, 77);
  Seen expected = {{Event_OpenWindow, 0}, {Event_Selecting, 7}, {Event_Accepted, 2},
                   {Event_Selected, 7},   {Event_Accepted, 7},  {Event_CloseDown, 0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w_->focus(), 7);
}

}  // namespace

namespace {

// Alt with a caption's '&' letter, taken in turn with the other input.
class Mnemonics : public uitest::Headless {
 protected:
  void SetUp() override {
    Headless::SetUp();
    WindowDef d;
    d.controls = {ctl(Ctl_Prompt, "&Nombre:"),  // 1
                  ctl(Ctl_Entry, "@s20"),       // 2
                  ctl(Ctl_Button, "&Editar"),   // 3
                  ctl(Ctl_Button, "&Borrar"),   // 4 hidden
                  ctl(Ctl_Button, "&Salir"),    // 5 disabled
                  ctl(Ctl_Button, "A && B"),    // 6: a plain '&'
                  ctl(Ctl_List)};               // 7
    d.controls[3].hidden = true;
    d.controls[4].disabled = true;
    d.controls[6].columns.resize(1);
    w_ = std::make_unique<Window>(d);
    w_->open();
  }
  std::unique_ptr<Window> w_;
};

TEST_F(Mnemonics, AltLetterPressesItsButtonWithoutTakingTheFocusAndAPromptFocusesTheNextControl) {
  struct Case {
    int key;
    int target;  // 0: no control answers it
  } cases[] = {{charKey('E', Key_Alt), 3}, {charKey('e', Key_Alt), 3},  {charKey('B', Key_Alt), 0},
               {charKey('S', Key_Alt), 0}, {charKey('N', Key_Alt), 1},  {charKey('A', Key_Alt), 0},
               {charKey('E'), 0},          {charKey('E', Key_Alt | Key_Ctrl), 0}};
  for (const Case& c : cases) EXPECT_EQ(w_->mnemonicTarget(c.key), c.target) << keyName(c.key);

  hb.then([this] { w_->select(7); });
  hb.then([this] { w_->inputKey(w_->focus(), charKey('E', Key_Alt)); });
  hb.then([this] { EXPECT_EQ(w_->focus(), 7) << "the list keeps the keyboard"; });
  hb.then([this] { w_->inputKey(w_->focus(), charKey('N', Key_Alt)); });
  hb.then([this] { EXPECT_EQ(w_->focus(), 2); });
  Seen seen = drain(*w_);
  EXPECT_NE(std::find(seen.begin(), seen.end(), std::pair<int, int>{Event_Accepted, 3}), seen.end());
}

// Names a screen reader reads: the caption without '&', else the prompt
// before the control, else its tip; a name the definition gives wins.
TEST_F(Mnemonics, AccessibleNamesComeFromCaptionsPromptsAndTips) {
  EXPECT_EQ(w_->accessibleName(1), "Nombre");  // the prompt itself, without ':'
  EXPECT_EQ(w_->accessibleName(2), "Nombre");  // the entry after it
  EXPECT_EQ(w_->accessibleName(3), "Editar");
  EXPECT_EQ(w_->accessibleName(6), "A & B");
  EXPECT_EQ(w_->accessibleName(7), "Nombre");
  WindowDef d;
  d.controls = {ctl(Ctl_Button), ctl(Ctl_Entry), ctl(Ctl_VarText, "@s10"), ctl(Ctl_List)};
  d.controls[0].tip = "Imprimir";
  d.controls[1].tip = "Fecha";
  d.controls[3].accessibleName = "Libreta";
  Window w(d);
  EXPECT_EQ(w.accessibleName(1), "Imprimir");
  EXPECT_EQ(w.accessibleName(2), "Fecha");
  EXPECT_EQ(w.accessibleName(3), "") << "a value speaks for itself";
  EXPECT_EQ(w.accessibleName(4), "Libreta");
}

// An editor laid over a list cell hands the keyboard back to the list when
// it is taken off the cell or destroyed, never to the next control.
TEST_F(Mnemonics, AnEditorLeavingItsCellGivesTheKeyboardBackToItsList) {
  for (bool destroy : {false, true}) {
    const int editor = w_->create(Ctl_Entry);
    w_->setProp(7, Prop_Edit, editor, 1);
    w_->select(editor);
    ASSERT_EQ(w_->focus(), editor);
    if (destroy)
      w_->destroy(editor, editor);
    else
      w_->setProp(7, Prop_Edit, 0, 1);
    EXPECT_EQ(w_->focus(), 7) << (destroy ? "destroyed" : "taken off");
    EXPECT_EQ(hb.focusLog.back(), 7);
    if (!destroy) w_->destroy(editor, editor);
  }
}

}  // namespace
