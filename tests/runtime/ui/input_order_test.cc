// Input taken in order, the state a nested loop gives back, what each event
// carries of its input, and requests a loop may refuse.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/use_var.h"

namespace {

using namespace ui;
using uitest::ctl;
using uitest::Seen;

class InputOrder : public uitest::Headless {
 protected:
  // 1 name entry, 2 note entry, 3 OK (default), 4 Exit, 5 list.
  static WindowDef form() {
    WindowDef d;
    d.controls = {ctl(Ctl_Entry, "@s10"), ctl(Ctl_Entry, "@s10"), ctl(Ctl_Button, "OK"),
                  ctl(Ctl_Button, "Exit"), ctl(Ctl_List)};
    d.controls[2].isDefault = true;
    d.controls[4].columns.resize(1);
    return d;
  }
  // Raw input as a back-end reports it: applied when the engine says so.
  void queue(Window& w, std::function<void()> apply) { Engine::current().queueInput(&w, std::move(apply)); }
  // Typing a text and a key into whatever entry has the focus then.
  void typeAhead(Window& w, const std::string& text, int key) {
    queue(w, [&w, text] { w.inputText(w.focus(), text); });
    queue(w, [&w, key] { w.inputKey(w.focus(), key); });
  }
};

// Three records typed at once while the program is busy: every record is
// saved with what was typed for it, the second field included.
TEST_F(InputOrder, TypedAheadInputActsOnlyAfterTheEventsBeforeIt) {
  Window w(form());
  std::string name, note;
  StringVar nameVar(&name), noteVar(&note);
  w.bind(1, &nameVar);
  w.bind(2, &noteVar);
  w.open();
  hb.then([&] {
    for (const char* n : {"Ana", "Bea", "Cid"}) {
      typeAhead(w, n, Key_Tab);
      typeAhead(w, std::string("n") + n, Key_Enter);
    }
    queue(w, [&w] { w.inputKey(w.focus(), Key_Esc); });
  });
  std::vector<std::string> saved;
  AcceptLoop loop(w);
  while (loop.next()) {
    Engine& e = Engine::current();
    if (e.event() == Event_Accepted && e.field() == 3) {
      // The save, then a blank record with the focus back on the name.
      saved.push_back(name + "/" + note);
      name.clear();
      note.clear();
      w.display();
      w.select(1);
    }
  }
  EXPECT_EQ(saved, (std::vector<std::string>{"Ana/nAna", "Bea/nBea", "Cid/nCid"}));
}

TEST_F(InputOrder, AcceptAllPassFinishesBeforeTheNextInputActs) {
  Window w(form());
  std::string name;
  StringVar nameVar(&name);
  w.bind(1, &nameVar);
  w.open();
  hb.then([&] {
    w.inputText(1, "Ana");
    w.select(0);
    typeAhead(w, "Bea", Key_Tab);
  });
  std::string atCompletion;
  AcceptLoop loop(w);
  while (loop.next())
    if (Engine::current().event() == Event_Completed) atCompletion = name;
  EXPECT_EQ(atCompletion, "Ana");
  EXPECT_EQ(name, "Bea");
}

TEST_F(InputOrder, InputForAWindowThatClosesIsDropped) {
  Window w(form());
  w.open();
  int applied = 0;
  queue(w, [&] { ++applied; });
  w.close();
  Window other(form());
  other.open();
  drain(other);
  EXPECT_EQ(applied, 0);
}

// An inner loop (a procedure called from a handler) leaves the handler's
// own event, control, key code and mouse position as they were.
TEST_F(InputOrder, NestedLoopGivesBackTheOuterCurrentEvent) {
  Window outer(form()), inner(form());
  outer.open();
  hb.then([&] {
    outer.inputMousePosition(12, 34);
    outer.inputClick(3, Mouse_Left);  // OK does not have the focus: Selecting
  });
  struct Seen {
    int event, field, key, mouseX;
  };
  std::vector<Seen> afterInner;
  AcceptLoop loop(outer);
  while (loop.next()) {
    Engine& e = Engine::current();
    if (e.event() != Event_Selecting) continue;
    inner.open(&outer);
    hb.then([&] { inner.inputKey(inner.focus(), Key_F1 + 1); });
    hb.then([&] { inner.inputCloseRequest(); });
    {
      AcceptLoop nested(inner);
      while (nested.next()) {
      }
    }
    inner.close();
    afterInner.push_back({e.event(), e.field(), e.keyCode(), int(outer.prop(0, Prop_MouseX).toInt())});
    break;
  }
  ASSERT_EQ(afterInner.size(), 1u);
  EXPECT_EQ(afterInner[0].event, Event_Selecting);
  EXPECT_EQ(afterInner[0].field, 3);
  EXPECT_EQ(afterInner[0].key, Mouse_Left);
  EXPECT_EQ(afterInner[0].mouseX, 12);
}

// Two inputs reported together: each event still carries the key code,
// character and mouse position of the input that raised it.
TEST_F(InputOrder, EachEventCarriesTheKeyCodeOfItsOwnInput) {
  WindowDef d = form();
  d.controls[4].alerts = {Mouse_RightUp};
  Window w(d);
  w.open();
  hb.then([&] {
    w.inputText(1, "Ana");
    w.inputKey(1, Key_Tab, '\t');
    w.inputMousePosition(50, 60);
    w.inputClick(5, Mouse_RightUp);
    w.inputKey(2, 'X', 'x');
    w.alert(2, 'X');
  });
  struct Got {
    int event, field, key, mouseX;
    unsigned char ch;
  };
  std::vector<Got> got;
  AcceptLoop loop(w);
  while (loop.next()) {
    Engine& e = Engine::current();
    got.push_back({e.event(), e.field(), e.keyCode(), int(w.prop(0, Prop_MouseX).toInt()), e.keyChar()});
  }
  // The letter was typed before the alert: no event of its own.
  std::vector<Got> expected = {{Event_OpenWindow, 0, 0, 0, 0},
                               {Event_Accepted, 1, Key_Tab, 0, '\t'},
                               {Event_Selected, 2, Key_Tab, 0, '\t'},
                               {Event_AlertKey, 5, Mouse_RightUp, 50, 0},
                               {Event_CloseDown, 0, Mouse_RightUp, 50, 0}};
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].event, expected[i].event);
    EXPECT_EQ(got[i].field, expected[i].field);
    EXPECT_EQ(got[i].key, expected[i].key);
    EXPECT_EQ(got[i].mouseX, expected[i].mouseX);
    EXPECT_EQ(got[i].ch, expected[i].ch);
  }
}

TEST_F(InputOrder, MouseFocusOnAnEntryReportsTheMouseKey) {
  Window w(form());
  w.open();
  hb.then([&] {
    w.inputMousePosition(7, 8);
    w.inputFocus(2, Mouse_Left);
  });
  int key = -1, mouseY = -1;
  AcceptLoop loop(w);
  while (loop.next())
    if (Engine::current().event() == Event_Selected) {
      key = Engine::current().keyCode();
      mouseY = int(w.prop(0, Prop_MouseY).toInt());
    }
  EXPECT_EQ(key, Mouse_Left);
  EXPECT_EQ(mouseY, 8);
}

// A new size or state is asked for first; consuming the request keeps the
// window as it was, letting it through makes the change and reports it.
TEST_F(InputOrder, SizeAndStateRequestsCanBeRefused) {
  struct Case {
    const char* name;
    std::function<void(Window&)> input;
    int ask, done;
  } cases[] = {
      {"size", [](Window& w) { w.inputResized(300, 150); }, Event_Size, Event_Sized},
      {"maximize", [](Window& w) { w.inputStateChanged(true, false); }, Event_Maximize, Event_Maximized},
      {"iconize", [](Window& w) { w.inputStateChanged(false, true); }, Event_Iconize, Event_Iconized},
  };
  for (const Case& c : cases) {
    for (bool refuse : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (refuse ? " refused" : " let through"));
      Window w(form());
      w.open();
      hb.then([&] { c.input(w); });
      std::vector<int> events;
      AcceptLoop loop(w);
      while (loop.next()) {
        events.push_back(Engine::current().event());
        if (refuse && Engine::current().event() == c.ask) loop.cycle();
      }
      EXPECT_EQ(std::count(events.begin(), events.end(), c.ask), 1);
      EXPECT_EQ(std::count(events.begin(), events.end(), c.done), refuse ? 0 : 1);
      bool changed = w.prop(0, Prop_Width).toInt() == 300 || w.prop(0, Prop_Maximize).toInt() ||
                     w.prop(0, Prop_Iconize).toInt();
      EXPECT_EQ(changed, !refuse);
    }
  }
}

// A click on a button that does not have the focus asks with Selecting:
// let through, the focus moves and the button is pressed; consumed, or
// dropped by a loop that ends on it, nothing happens. A Selecting the
// program posts itself presses nothing.
TEST_F(InputOrder, ClickOnAButtonAsksWithSelectingFirst) {
  enum Way { LetThrough, Consume, Drop, Posted };
  for (Way way : {LetThrough, Consume, Drop, Posted}) {
    SCOPED_TRACE(way);
    Window w(form());
    w.open();
    hb.then([&] {
      if (way == Posted)
        Engine::current().post(Event_Selecting, 4, &w);
      else
        w.inputClick(4, Mouse_Left);
    });
    Seen seen;
    {
      AcceptLoop loop(w);
      while (loop.next()) {
        Engine& e = Engine::current();
        seen.emplace_back(e.event(), e.field());
        if (e.event() != Event_Selecting) continue;
        EXPECT_EQ(e.keyCode(), way == Posted ? 0 : Mouse_Left);
        if (way == Consume) loop.cycle();
        if (way == Drop) break;
      }
    }
    if (way == Drop) seen = drain(w);
    bool pressed = std::find(seen.begin(), seen.end(), std::pair<int, int>{Event_Accepted, 4}) != seen.end();
    EXPECT_EQ(pressed, way == LetThrough);
    EXPECT_EQ(w.focus(), way == LetThrough ? 4 : 1);
  }
}

}  // namespace
