// A browse window over a real Kestrel table of students, run through the Qt
// back-end offscreen and driven with real key presses, clicks and wheel
// turns (see form_fixture.h for the Qt environment and the step script).
//
// Table STUDENTS: 0 STU:NUM LONG, 1 STU:SUBJ LONG, 2 STU:NAME STRING(20);
// key 0 STU:K_NUM primary on NUM; key 1 STU:K_SUBJ_NAME duplicates, no case,
// on SUBJ, NAME; key 2 STU:K_NAME_DESC duplicates on -NAME.
// Window: 1 the list (immediate, scroll bar), 2 insert, 3 change, 4 delete,
// 5 an entry the locator shows in, 6 select (only with Options::selectButton).
#pragma once

#include <QApplication>
#include <algorithm>
#include <functional>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>

#include "form_fixture.h"
#include "tests/runtime/kestrel/driver/child_process.h"
#include "framework/window/browse_class.h"
#include "framework/window/record_queue.h"
#include "framework/window/step_locator_class.h"
#include "framework/window/step_string_class.h"
#include "runtime/ui/key_codes.h"
#include "runtime/view/view.h"

namespace fwwin {

enum BrowseCtl { kList = 1, kInsert, kChange, kDelete, kLocEntry, kSelect };
enum StudentField { kStuNum = 0, kStuSubj = 1, kStuName = 2 };
enum StudentKey { kByNum = 0, kBySubjName = 1, kByNameDesc = 2 };

inline std::shared_ptr<const rt::FileDecl> StudentsDecl(const std::string& path) {
  rt::FileDeclBuilder b("STUDENTS", "STU", path);
  b.Long("STU:NUM").Long("STU:SUBJ").String("STU:NAME", 20);
  b.Key("STU:K_NUM", rt::kKeyPrimary, {"STU:NUM"});
  b.Key("STU:K_SUBJ_NAME", rt::kKeyDuplicates | rt::kKeyNoCase, {"STU:SUBJ", "STU:NAME"});
  b.Key("STU:K_NAME_DESC", rt::kKeyDuplicates, {"-STU:NAME"});
  return b.Build();
}

class StudentsAccess : public fwtest::KeyedAccess {
 public:
  StudentsAccess(rt::DeclaredFile* file, fw::ErrorClass* errors)
      : KeyedAccess(file, errors, {{kByNum, "STU:K_NUM", 0}, {kBySubjName, "STU:K_SUBJ_NAME", 0},
                                   {kByNameDesc, "STU:K_NAME_DESC", 0}}) {}
  // Sees every operation on the file before the driver does (the browse's
  // reads, read brackets and commands).
  bool FunctionCalled(rt::FileControlBlock& f, rt::FileNotice& n) override {
    if (onCall) onCall(n);
    return FileManager::FunctionCalled(f, n);
  }
  std::function<void(const rt::FileNotice&)> onCall;
};

// The queue's rows: the number and the name.
inline std::shared_ptr<const rt::FileDecl> RowDecl() {
  rt::FileDeclBuilder b("Q", "Q", "");
  b.Long("Q:NUM").String("Q:NAME", 20);
  return b.Build();
}

// The browse procedure's window manager; Run(1, request) is its update form.
class StudentBrowse : public fw::WindowManager {
 public:
  struct Options {
    int key = kBySubjName;
    int subject = 0;            // > 0: only that subject (a range on SUBJ)
    fw::StepClass* step = nullptr;
    bool locator = true;
    int listHeight = 100;       // dialog units
    int32_t askProcedure = 1;
    bool toolbar = false;       // toolbar buttons 3007 (page down) and 3009 (next row)
    std::function<void(fw::BrowseClass&)> beforeAlerts;  // the program's own set-up of the list
    bool selectButton = false;  // a select button (kSelect), the browse's SelectControl
  };

  StudentBrowse(StudentsAccess& access, fw::RelationManager& relate, fw::ErrorClass& errors, Options o)
      : options(o), access_(access), relate_(relate), errors_(errors), queue(RowDecl()),
        view(access.Block()), window(Definition(o.listHeight, o.toolbar, o.selectButton)) {}

  fw::Level Init() override {
    fw::Level r = WindowManager::Init();
    if (r != fw::Level::Benign) return r;
    Errors = &errors_;
    VCRRequest = &vcr;
    relate_.Open();
    FilesOpened = 1;
    Open(window);
    brw.Init(kList, &queue, &view, &relate_, this);
    brw.AddSortOrder(options.step, options.key);
    if (options.subject > 0) {
      subject_ = options.subject;
      brw.AddRange(access_.ref(kStuSubj), subjectValue_.ref());
      rt::setValueText(subjectValue_.ref(), std::to_string(subject_));
    }
    if (options.locator) {
      locator.Init(kLocEntry, access_.ref(kStuName), true, &brw);
      brw.AddLocator(&locator);
    }
    brw.AddField(access_.ref(kStuNum), queue.Field(1));
    brw.AddField(access_.ref(kStuName), queue.Field(2));
    brw.InsertControl = kInsert;
    brw.ChangeControl = kChange;
    brw.DeleteControl = kDelete;
    brw.AskProcedure = options.askProcedure;
    if (options.selectButton) brw.SelectControl = kSelect;
    if (options.toolbar) {
      AddItem(&toolbar);
      brw.AddToolbarTarget(&toolbar);
    }
    if (options.beforeAlerts) options.beforeAlerts(brw);
    SetAlerts();
    return fw::Level::Benign;
  }
  uint8_t Run(uint16_t number, uint8_t request) override {
    calls.push_back(request);
    return number == 1 && form ? form(request) : fw::Response_Cancelled;
  }
  uint8_t Run() override { return WindowManager::Run(); }
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

  static ui::WindowDef Definition(int listHeight, bool toolbar = false, bool select = false) {
    ui::WindowDef d;
    d.title = "Students";
    d.name = "StudentBrowse";
    d.width = 220;
    d.height = listHeight + 40;
    ui::ControlDef list;
    list.type = ui::Ctl_List;
    list.x = 4, list.y = 4, list.width = 160, list.height = listHeight;
    list.immediate = true;
    list.vscroll = true;
    list.columns = {ui::ListColumn{"Num", 30, 'R', 0, "@n5"}, ui::ListColumn{"Name", 100, 'L', 0, "@s20", 2}};
    d.controls.push_back(list);
    auto button = [&](const char* text, int y) {
      ui::ControlDef c;
      c.type = ui::Ctl_Button;
      c.text = text;
      c.x = 170, c.y = y, c.width = 44, c.height = 14;
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
    if (select) button("&Select", 84);
    if (toolbar) {
      button("Page down", 52);
      d.controls.back().number = fw::Toolbar_PageDown;
      button("Next", 68);
      d.controls.back().number = fw::Toolbar_Down;
    }
    return d;
  }

  Options options;
  std::function<uint8_t(uint8_t)> form;  // the update form; none: Cancelled
  std::vector<uint8_t> calls;            // requests the form was called with
  int32_t vcr = 0;

 private:
  StudentsAccess& access_;
  fw::RelationManager& relate_;
  fw::ErrorClass& errors_;
  fw::FieldValue subjectValue_{access_.ref(kStuSubj)};
  int subject_ = 0;

 public:
  fw::RecordQueue queue;
  rt::View view;
  ui::Window window;
  fw::BrowseClass brw;
  fw::StepLocatorClass locator;
  fw::ToolbarClass toolbar;
};

class BrowseTest : public TableWindowTest<StudentsAccess> {
 protected:
  BrowseTest() : TableWindowTest(StudentsDecl, "STUDENTS.KRL") {}

  // Adds students (number, subject, name).
  void Seed(const std::vector<std::tuple<int, int, std::string>>& rows) {
    ASSERT_EQ(access->Open(), fw::Level::Benign);
    for (const auto& [num, subj, name] : rows) {
      access->PrimeRecord();
      access->set(kStuNum, std::to_string(num));
      access->set(kStuSubj, std::to_string(subj));
      access->set(kStuName, name);
      ASSERT_EQ(access->Insert(), fw::Level::Benign) << name;
    }
    access->Close();
  }
  // n students of subject 1 named "<prefix>00", "<prefix>01" ..., numbered from `first`.
  void SeedNamed(int n, const std::string& prefix = "N", int first = 1, int subject = 1) {
    std::vector<std::tuple<int, int, std::string>> rows;
    for (int i = 0; i < n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%s%02d", prefix.c_str(), i);
      rows.emplace_back(first + i, subject, name);
    }
    Seed(rows);
  }

  // Runs the browse through `script`, which must run to its end; the last
  // step should close the window.
  uint8_t RunBrowse(StudentBrowse& b, Script& script) {
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

  // The names the page holds, top to bottom.
  static std::vector<std::string> Page(StudentBrowse& b) {
    std::vector<std::string> out;
    for (int r = 1; r <= b.queue.rowCount(); ++r) out.push_back(b.queue.value(r, 2));
    return out;
  }
  static std::string Highlighted(StudentBrowse& b) {
    int c = b.brw.CurrentChoice;
    return c >= 1 && c <= b.queue.rowCount() ? b.queue.value(c, 2) : std::string();
  }
  static QTableView* List(StudentBrowse& b) {
    return qobject_cast<QTableView*>(ui::qt::QtBackend::controlWidget(b.window, kList));
  }
  static QScrollBar* Thumb(StudentBrowse& b) {
    for (QScrollBar* s : ui::qt::QtBackend::windowWidget(b.window)->findChildren<QScrollBar*>())
      if (s->property("qv_control").toInt() == kList) return s;
    return nullptr;
  }
  static std::function<void()> Press(StudentBrowse& b, int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return [&b, qtKey, m] { QTest::keyClick(List(b), Qt::Key(qtKey), m); };
  }
  static std::function<void()> Type(StudentBrowse& b, const char* text) {
    return [&b, text] { QTest::keyClicks(List(b), text); };
  }
  static std::function<void()> Close(StudentBrowse& b) {
    return [&b] { ui::Engine::current().post(ui::Event_CloseWindow, 0, &b.window); };
  }
  // Screen point of row `row` (1-based) of the list.
  static QPoint RowPoint(StudentBrowse& b, int row) {
    QTableView* t = List(b);
    return t->visualRect(t->model()->index(row - 1, 1)).center();
  }
  // Answers the message box that is up with the button of that code.
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
  static void Wheel(StudentBrowse& b, int notches) {
    QTableView* t = List(b);
    QPoint at = t->viewport()->rect().center();
    QWheelEvent e(at, t->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(t->viewport(), &e);
  }
};

}  // namespace fwwin
