// Edit in place over a real Kestrel table of grades, shown through the Qt
// back-end offscreen and driven with real keys and clicks.
//
// Table GRADES: 0 GRD:NUM LONG (auto-numbered unless the test turns it
// off), 1 GRD:NAME STRING(20),
// 2 GRD:E1 LONG, 3 GRD:E2 LONG; key 0 GRD:K_NUM primary on NUM.
// Window: 1 the list (columns Num @n5, Name @s20, E1 @n12, E2 @n3),
// 2 insert, 3 change, 4 delete, 5 an entry outside the list, 6 a button.
// Column 1 is registered without an editor, column 2 with a plain entry,
// column 3 with EditE1 (its TakeEvent keeps E2 = 2 * E1 in the row), and
// column 4 is left to the manager but made not editable (Prop_ColEditable 0).
#pragma once

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "form_fixture.h"
#include "framework/window/browse_class.h"
#include "framework/window/browse_eip_manager.h"
#include "framework/window/edit_entry_class.h"
#include "framework/window/record_queue.h"
#include "runtime/core/file_control.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/view/view.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace fwwin {

enum EipCtl { kGList = 1, kGInsert, kGChange, kGDelete, kGOutEntry, kGOutButton };
enum GradeField { kGNum = 0, kGName = 1, kGE1 = 2, kGE2 = 3 };

inline std::shared_ptr<const rt::FileDecl> GradesDecl(const std::string& path) {
  rt::FileDeclBuilder b("GRADES", "GRD", path);
  b.Long("GRD:NUM").String("GRD:NAME", 20).Long("GRD:E1").Long("GRD:E2");
  b.Key("GRD:K_NUM", rt::kKeyPrimary, {"GRD:NUM"});
  return b.Build();
}

class GradesAccess : public fwtest::KeyedAccess {
 public:
  GradesAccess(rt::DeclaredFile* file, fw::ErrorClass* errors) : KeyedAccess(file, errors, {}) {}
  fw::Level PrimeFields() override {
    if (primeE1) set(kGE1, std::to_string(primeE1));
    return fw::Level::Benign;
  }
  // Set before the first open: the key numbers new records.
  bool autoNumber = true;
  // Non-zero: a new record starts with this E1.
  int primeE1 = 0;

 protected:
  void DescribeKeys() override { AddKey(0, "GRD:K_NUM", autoNumber ? 1 : 0); }
};

inline std::shared_ptr<const rt::FileDecl> GradeRowDecl() {
  rt::FileDeclBuilder b("Q", "Q", "");
  b.Long("Q:NUM").String("Q:NAME", 20).Long("Q:E1").Long("Q:E2");
  return b.Build();
}

// The grade column's editor: after the inherited handling it derives E2
// from what is typed, as the application's grade rules do.
class EditE1 : public fw::EditEntryClass {
 public:
  uint8_t TakeEvent(int event) override {
    uint8_t action = EditEntryClass::TakeEvent(event);
    ++events;
    if (action != fw::EditAction_None && action != fw::EditAction_Cancel) {
      ui::Window* w = ListWindow();
      long long e1 = w ? ui::PropValue(w->prop(Feq, ui::Prop_ScreenText).toString()).toInt() : 0;
      rt::setValueText(e2, std::to_string(e1 * 2));
    }
    return action;
  }
  rt::FieldRef e2;
  int events = 0;
};

class GradeBrowse : public fw::WindowManager {
 public:
  GradeBrowse(GradesAccess& access, fw::RelationManager& relate, fw::ErrorClass& errors, int listHeight = 100)
      : access_(access), relate_(relate), errors_(errors), queue(GradeRowDecl()), view(access.Block()),
        window(Definition(listHeight)) {}

  fw::Level Init() override {
    fw::Level r = WindowManager::Init();
    if (r != fw::Level::Benign) return r;
    Errors = &errors_;
    VCRRequest = &vcr;
    relate_.Open();
    FilesOpened = 1;
    Open(window);
    brw.Init(kGList, &queue, &view, &relate_, this);
    brw.AddSortOrder(nullptr, 0);
    for (int f = 0; f < 4; ++f) brw.AddField(access_.ref(f), queue.Field(f + 1));
    brw.InsertControl = kGInsert;
    brw.ChangeControl = kGChange;
    brw.DeleteControl = kGDelete;
    brw.AskProcedure = 0;
    brw.TabAction = tabAction;
    brw.EnterAction = enterAction;
    brw.ArrowAction = arrowAction;
    brw.FocusLossAction = focusLossAction;
    brw.DeleteAction = deleteAction;
    brw.AddEditControl(nullptr, 1);
    brw.AddEditControl(&name, 2);
    e1.e2 = queue.Field(4);
    brw.AddEditControl(&e1, 3);
    window.setProp(kGList, ui::Prop_ColEditable, 0, 4);
    SetAlerts();
    return fw::Level::Benign;
  }
  fw::Level TakeAccepted() override {
    if (ui::Engine::current().field() == kGOutButton) ++outPresses;
    return WindowManager::TakeAccepted();
  }
  fw::Level TakeEvent() override {
    events.push_back(ui::Engine::current().event());
    return WindowManager::TakeEvent();
  }
  fw::Level Kill() override {
    if (WindowManager::Kill() != fw::Level::Benign) return fw::Level::Notify;
    if (FilesOpened) relate_.Close();
    return fw::Level::Benign;
  }
  uint8_t Call() {
    uint8_t r = Run();
    window.close();
    return r;
  }

  static ui::WindowDef Definition(int listHeight) {
    ui::WindowDef d;
    d.title = "Grades";
    d.name = "GradeBrowse";
    d.width = 260;
    d.height = listHeight + 40;
    ui::ControlDef list;
    list.type = ui::Ctl_List;
    list.x = 4, list.y = 4, list.width = 200, list.height = listHeight;
    list.immediate = true;
    list.vscroll = true;
    list.columns = {ui::ListColumn{"Num", 30, 'R', 0, "@n5"}, ui::ListColumn{"Name", 90, 'L', 0, "@s20"},
                    ui::ListColumn{"E1", 30, 'R', 0, "@n12"}, ui::ListColumn{"E2", 30, 'R', 0, "@n3"}};
    d.controls.push_back(list);
    auto button = [&](const char* text, int y) {
      ui::ControlDef c;
      c.type = ui::Ctl_Button;
      c.text = text;
      c.x = 210, c.y = y, c.width = 44, c.height = 14;
      d.controls.push_back(c);
    };
    button("&Insert", 4);
    button("&Change", 20);
    button("&Delete", 36);
    ui::ControlDef e;
    e.type = ui::Ctl_Entry;
    e.text = "@s20";
    e.x = 4, e.y = listHeight + 10, e.width = 80, e.height = 12;
    d.controls.push_back(e);
    button("&Other", 52);
    return d;
  }

  uint8_t tabAction = 1, enterAction = 1, arrowAction = 25, focusLossAction = 1, deleteAction = 1;
  int32_t vcr = 0;
  int outPresses = 0;
  std::vector<int> events;  // every event this manager's own loop took

 private:
  GradesAccess& access_;
  fw::RelationManager& relate_;
  fw::ErrorClass& errors_;

 public:
  fw::RecordQueue queue;
  rt::View view;
  ui::Window window;
  fw::BrowseClass brw;
  fw::EditEntryClass name;
  EditE1 e1;
};

class EipTest : public TableWindowTest<GradesAccess> {
 protected:
  EipTest() : TableWindowTest(GradesDecl, "GRADES.KRL") {}

  // Rows numbered 1..n named "R01".. with E1 = number, E2 = 0.
  void Seed(int n) {
    ASSERT_EQ(access->Open(), fw::Level::Benign);
    for (int i = 1; i <= n; ++i) {
      access->PrimeRecord();
      char name[16];
      std::snprintf(name, sizeof name, "R%02d", i);
      access->set(kGNum, std::to_string(i));
      access->set(kGName, name);
      access->set(kGE1, std::to_string(i));
      access->set(kGE2, "0");
      ASSERT_EQ(access->Insert(), fw::Level::Benign);
    }
    access->Close();
  }
  // The stored record `num` as "NAME/E1/E2", "(none)" when there is none.
  std::string Stored(int num) {
    std::string out;
    std::thread([&] {
      GradesAccess reader(file.get(), nullptr);
      reader.Open();
      reader.set(kGNum, std::to_string(num));
      out = reader.TryFetch(0) == fw::Level::Benign
                ? reader.text(kGName) + "/" + reader.text(kGE1) + "/" + reader.text(kGE2)
                : "(none)";
      reader.Close();
    }).join();
    return out;
  }
  uint8_t RunBrowse(GradeBrowse& b, Script& script) {
    script.prepend([] { return true; });
    script.prepend([&b] {
      QWidget* w = ui::qt::QtBackend::windowWidget(b.window);
      return w && w->isActiveWindow() && b.brw.Loaded;
    });
    script.start(b.window);
    uint8_t r = b.Call();
    EXPECT_TRUE(script.finished());
    return r;
  }

  static QTableView* List(GradeBrowse& b) {
    return qobject_cast<QTableView*>(ui::qt::QtBackend::controlWidget(b.window, kGList));
  }
  static QWidget* Focused(GradeBrowse& b) { return ui::qt::QtBackend::controlWidget(b.window, b.window.focus()); }
  // The control laid over the highlighted row (0: none) and its column.
  static int Editor(GradeBrowse& b, int* column = nullptr) {
    for (int c = 1; c <= 4; ++c)
      if (int e = int(b.window.prop(kGList, ui::Prop_Edit, c).toInt())) {
        if (column) *column = c;
        return e;
      }
    return 0;
  }
  static int EditColumn(GradeBrowse& b) {
    int c = 0;
    Editor(b, &c);
    return c;
  }
  // A key to whatever has the focus.
  static std::function<void()> Key(GradeBrowse& b, int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return [&b, qtKey, m] { QTest::keyClick(Focused(b), Qt::Key(qtKey), m); };
  }
  static std::function<void()> Type(GradeBrowse& b, const char* text) {
    return [&b, text] { QTest::keyClicks(Focused(b), text); };
  }
  static std::function<void()> Click(GradeBrowse& b, int control) {
    return [&b, control] { QTest::mouseClick(ui::qt::QtBackend::controlWidget(b.window, control), Qt::LeftButton); };
  }
  static QPoint CellPoint(GradeBrowse& b, int row, int column) {
    QTableView* t = List(b);
    return t->visualRect(t->model()->index(row - 1, column - 1)).center();
  }
  static std::function<void()> ClickCell(GradeBrowse& b, int row, int column) {
    return [&b, row, column] { QTest::mouseClick(List(b)->viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(b, row, column)); };
  }
  static std::function<void()> DoubleClickCell(GradeBrowse& b, int row, int column) {
    return [&b, row, column] {
      QTest::mouseDClick(List(b)->viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(b, row, column));
    };
  }
  static std::function<void()> Close(GradeBrowse& b) {
    return [&b] { ui::Engine::current().post(ui::Event_CloseWindow, 0, &b.window); };
  }
  static std::function<bool()> Answer(uint32_t button) {
    return [button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return false;
      auto* b = box->findChild<QPushButton*>(QString("button_%1").arg(button));
      if (!b) return false;
      QTest::mouseClick(b, Qt::LeftButton);
      return true;
    };
  }
  // The row's cells as the list shows them, "1|R01|1|0".
  static std::string Row(GradeBrowse& b, int row) {
    std::string out;
    for (int f = 1; f <= 4; ++f) {
      std::string v = b.queue.value(row, f);
      v.erase(0, v.find_first_not_of(' '));
      v.erase(v.find_last_not_of(' ') + 1);
      out += (f > 1 ? "|" : "") + v;
    }
    return out;
  }
  static std::string Cell(GradeBrowse& b, int row, int column) {
    return List(b)->model()->index(row - 1, column - 1).data().toString().trimmed().toStdString();
  }
};

}  // namespace fwwin
