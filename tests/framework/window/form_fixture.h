// An update form over a real Kestrel table, run through the Qt back-end
// offscreen and driven with synthesised key presses and clicks.
//
// Table ITEMS: 0 ITM:NUM LONG (numbered automatically), 1 ITM:NAME STRING(20),
// 2 ITM:NOTE STRING(10); key 0 ITM:K_NUM primary on NUM, key 1 ITM:K_NAME
// unique on NAME (blank names left out).
// Form: 1 name entry, 2 note entry, 3 OK, 4 Cancel (response Cancelled), 5 Save.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cctype>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/data/error_class.h"
#include "framework/data/error_status.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/field_var.h"
#include "framework/window/window_manager.h"
#include "tests/framework/data/keyed_access.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/window.h"

namespace fwwin {

enum Ctl { kName = 1, kNote, kOk, kCancel, kSave };
enum Field { kNum = 0, kNameField = 1, kNoteField = 2 };

// Records the identifier of every message it shows.
class RecordingErrors : public fw::ErrorClass {
 public:
  uint32_t MessageBox(fw::Level level, std::string_view text, std::string_view caption, uint32_t icon,
                      uint32_t buttons, uint32_t defaultButton, uint32_t style) override {
    ids.push_back(GetErrorBufferId());
    return ErrorClass::MessageBox(level, text, caption, icon, buttons, defaultButton, style);
  }
  std::vector<int> ids;
};

inline std::shared_ptr<const rt::FileDecl> ItemsDecl(const std::string& path) {
  rt::FileDeclBuilder b("ITEMS", "ITM", path);
  b.Long("ITM:NUM").String("ITM:NAME", 20).String("ITM:NOTE", 10);
  b.Key("ITM:K_NUM", rt::kKeyPrimary, {"ITM:NUM"});
  b.Key("ITM:K_NAME", rt::kKeyExcludeBlank, {"ITM:NAME"});
  return b.Build();
}

// The file manager as the dictionary derives it.
class ItemsAccess : public fwtest::KeyedAccess {
 public:
  ItemsAccess(rt::DeclaredFile* file, fw::ErrorClass* errors)
      : KeyedAccess(file, errors, {{0, "ITM:K_NUM", 1}, {1, "ITM:K_NAME", 0}}) {}
};

// The form procedure's window manager, as an application writes it.
class ItemForm : public fw::WindowManager {
 public:
  ItemForm(ItemsAccess& access, fw::RelationManager& relate, fw::ErrorClass& errors)
      : access_(access), relate_(relate), errors_(errors), window(Definition()) {}

  // Set by the tests before Run.
  uint8_t insertAction = 2, changeAction = 2, deleteAction = 2, cancelAction = 3;
  bool refuseInsert = false;  // PrimeFields refuses the insert
  std::function<void()> afterOpen;      // runs in Init once the window is open
  std::function<void()> duringInsert;   // runs once, inside the first insert
  fw::FileManager* updateFile = nullptr;  // saved and restored with the record
  fw::ToolbarClass* toolbar = nullptr;
  int32_t vcr = 0;

  fw::Level Init() override {
    fw::Level r = WindowManager::Init();
    if (r != fw::Level::Benign) return r;
    FirstField = kName;
    VCRRequest = &vcr;
    Errors = &errors_;
    if (toolbar) AddItem(toolbar);
    HistoryKey = 584;  // Ctrl+H
    AddHistoryFile(access_.Block(), history_);
    AddHistoryField(kName, kNameField + 1);
    AddItem(kCancel, fw::Response_Cancelled);
    if (updateFile) AddUpdateFile(updateFile);
    OKControl = kOk;
    SaveControl = kSave;
    relate_.Open();
    FilesOpened = 1;
    Primary = &relate_;
    InsertAction_ = insertAction;
    ChangeAction_ = changeAction;
    DeleteAction_ = deleteAction;
    CancelAction = cancelAction;
    if (PrimeUpdate() != fw::Level::Benign) return fw::Level::Notify;
    window.bind(kName, &name_);
    window.bind(kNote, &note_);
    Open(window);
    if (afterOpen) afterOpen();
    SetAlerts();
    return fw::Level::Benign;
  }
  fw::Level InsertAction() override {
    if (duringInsert) std::exchange(duringInsert, nullptr)();
    return WindowManager::InsertAction();
  }
  void PrimeFields() override {
    if (refuseInsert) Response = fw::Response_Cancelled;
  }
  fw::Level Kill() override {
    if (WindowManager::Kill() != fw::Level::Benign) return fw::Level::Notify;
    if (FilesOpened) relate_.Close();
    return fw::Level::Benign;
  }
  // The procedure: runs the manager and closes its window.
  uint8_t Call() {
    uint8_t r = Run();
    window.close();
    return r;
  }

  static ui::WindowDef Definition() {
    ui::WindowDef d;
    d.title = "Item";
    d.name = "ItemForm";
    d.width = 200;
    d.height = 60;
    auto add = [&](ui::ControlType t, const char* text, int x, int y, int w) {
      ui::ControlDef c;
      c.type = t;
      c.text = text;
      c.x = x, c.y = y, c.width = w, c.height = 12;
      d.controls.push_back(c);
    };
    add(ui::Ctl_Entry, "@s20", 4, 4, 90);
    add(ui::Ctl_Entry, "@s10", 100, 4, 50);
    add(ui::Ctl_Button, "OK", 4, 30, 40);
    add(ui::Ctl_Button, "Cancel", 50, 30, 40);
    add(ui::Ctl_Button, "Save", 96, 30, 40);
    d.controls[kOk - 1].isDefault = true;  // Enter in an entry presses OK
    return d;
  }

 private:
  ItemsAccess& access_;
  fw::RelationManager& relate_;
  fw::ErrorClass& errors_;
  std::vector<uint8_t> history_;
  fw::FieldVar name_{access_.ref(kNameField)};
  fw::FieldVar note_{access_.ref(kNoteField)};

 public:
  ui::Window window;
};

// One QApplication for the whole run.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[15] = "fw_window_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// Steps run one after another from Qt timers while the form's loop runs; a
// step returns false to be tried again shortly (a dialog not up yet).
class Script {
 public:
  Script& then(std::function<bool()> step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  Script& act(std::function<void()> step) {
    return then([step] {
      step();
      return true;
    });
  }
  void prepend(std::function<bool()> step) { steps_.push_front(std::move(step)); }
  // Runs the steps; a run still going after 8 s is ended, and fails.
  void start(ui::Window& w) {
    window_ = &w;
    QTimer::singleShot(0, &context_, [this] { tick(); });
    QTimer::singleShot(8000, &context_, [this] {
      timedOut = true;
      watchdog();
    });
  }
  bool empty() const { return steps_.empty(); }
  bool finished() const { return steps_.empty() && !timedOut; }
  bool timedOut = false;

 private:
  // Ends a stuck run: answers No to (or closes) whatever dialog is up and
  // closes the window, again and again until the run is over.
  void watchdog() {
    if (QWidget* m = QApplication::activeModalWidget()) {
      auto* no = m->findChild<QPushButton*>("button_4");
      if (no) QTest::mouseClick(no, Qt::LeftButton); else m->close();
    }
    ui::Engine::current().post(ui::Event_CloseDown, 0, window_);
    QTimer::singleShot(200, &context_, [this] { watchdog(); });
  }
  void tick() {
    if (steps_.empty() || timedOut) return;
    if (steps_.front()()) steps_.pop_front();
    QTimer::singleShot(steps_.empty() ? 0 : 5, &context_, [this] { tick(); });
  }
  ui::Window* window_ = nullptr;
  std::deque<std::function<bool()>> steps_;
  QObject context_;
};

// A table in a scratch folder with its file and relation managers, shown
// through the Qt back-end: what every window test of this folder starts
// from. `Access` is the table's file manager.
template <typename Access>
class TableWindowTest : public ::testing::Test {
 protected:
  TableWindowTest(std::shared_ptr<const rt::FileDecl> (*decl)(const std::string&), const std::string& fileName) {
    kestrel::RegisterKestrelDriver();
    fw::ThreadErrorStatus() = fw::ErrorStatusClass{};
    rt::clearError();
    errors.Init(fw::ThreadErrorStatus);
    char tmpl[] = "/tmp/fwwin.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    file = std::make_unique<rt::DeclaredFile>(decl(dir_ + "/" + fileName));
    access = std::make_unique<Access>(file.get(), &errors);
    relate.Init(access.get(), false);
    backend_ = std::make_unique<ui::qt::QtBackend>();
  }
  ~TableWindowTest() override {
    backend_.reset();
    relate.Kill();
    access.reset();
    file.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  RecordingErrors errors;
  std::unique_ptr<rt::DeclaredFile> file;
  std::unique_ptr<Access> access;
  fw::RelationManager relate;
  std::string dir_;

 private:
  std::unique_ptr<ui::qt::QtBackend> backend_;
};

class FormTest : public TableWindowTest<ItemsAccess> {
 protected:
  FormTest() : TableWindowTest(ItemsDecl, "ITEMS.KRL") {}

  // Adds records with these names, numbered 1, 2, ...
  void Seed(const std::vector<std::string>& names) {
    ASSERT_EQ(access->Open(), fw::Level::Benign);
    for (const std::string& n : names) {
      access->PrimeRecord();
      access->set(kNameField, n);
      ASSERT_EQ(access->Insert(), fw::Level::Benign);
    }
    access->Close();
  }
  // The stored records as "num:name", in key order, read on a thread of
  // their own so that the form's record buffer stays as it is.
  std::vector<std::string> Stored() {
    std::vector<std::string> out;
    std::thread([&] {
      ItemsAccess reader(file.get(), &errors);
      reader.Open();
      reader.UseFile(fw::kUseRead);  // opened lazily
      rt::SetKey(reader.Block(), 0);
      while (reader.TryNext() == fw::Level::Benign)
        out.push_back(reader.text(kNum) + ":" + reader.text(kNameField));
      reader.Close();
    }).join();
    return out;
  }
  // Another station renames record `num`.
  void RenameElsewhere(int num, const std::string& name) {
    std::thread([&] {
      ItemsAccess other(file.get(), &errors);
      ASSERT_EQ(other.Open(), fw::Level::Benign);
      other.set(kNum, std::to_string(num));
      ASSERT_EQ(other.TryFetch(0), fw::Level::Benign);
      other.set(kNameField, name);
      ASSERT_EQ(other.TryUpdate(), fw::Level::Benign);
      other.Close();
    }).join();
  }
  // The caller's part of an insert: the file open and a primed record.
  void PrimeForInsert() {
    ASSERT_EQ(access->Open(), fw::Level::Benign);
    ASSERT_EQ(access->PrimeRecord(), fw::Level::Benign);
  }
  // Another station deletes record `num`.
  void DeleteElsewhere(int num) {
    std::thread([&] {
      ItemsAccess other(file.get(), &errors);
      ASSERT_EQ(other.Open(), fw::Level::Benign);
      other.set(kNum, std::to_string(num));
      ASSERT_EQ(other.TryFetch(0), fw::Level::Benign);
      ASSERT_EQ(rt::Delete(other.Block()), 0);
      other.Close();
    }).join();
  }
  // Reads record `num` into the buffer, watched, as a browse does before
  // calling a change or delete form.
  void Load(int num) {
    access->set(kNum, std::to_string(num));
    access->UseFile(fw::kUseRead);  // opening drops a watch asked for before
    rt::Watch(access->Block());
    ASSERT_EQ(access->TryFetch(0), fw::Level::Benign);
  }

  // Runs the form through `script`; the script must have run to its end.
  uint8_t RunForm(ItemForm& form, Script& script) {
    // Typing starts once the window is active: the form redisplays its
    // record when it gains the focus, which would drop what was typed.
    const bool scripted = !script.empty();
    // A form that deletes without opening its window starts at once.
    if (scripted) script.prepend([] { return true; });  // one turn of the loop after the activation
    if (scripted) script.prepend([&form] {
      QWidget* w = ui::qt::QtBackend::windowWidget(form.window);
      return !form.Opened || (w && w->isActiveWindow());
    });
    script.start(form.window);
    uint8_t r = form.Call();
    EXPECT_FALSE(script.timedOut);
    if (scripted) {
      EXPECT_TRUE(script.finished());
    }
    return r;
  }

  // --- input ---
  static QWidget* Widget(ItemForm& f, int control) { return ui::qt::QtBackend::controlWidget(f.window, control); }
  static std::function<void()> Type(ItemForm& f, int control, const char* text) {
    return [&f, control, text] {
      QWidget* w = Widget(f, control);
      QTest::mouseClick(w, Qt::LeftButton);
      QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(w, text);
    };
  }
  static std::function<void()> Click(ItemForm& f, int control) {
    return [&f, control] { QTest::mouseClick(Widget(f, control), Qt::LeftButton); };
  }
  static std::function<void()> Key(ItemForm& f, int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return [&f, qtKey, m] { QTest::keyClick(Widget(f, f.window.focus()), Qt::Key(qtKey), m); };
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
  // Keys as a fast typist's arrive while the program is busy: queued with
  // the window, delivered by Qt whenever the program next looks for input
  // ('\n' Enter, '\t' Tab, '\x1b' Esc, letters).
  static void TypeAhead(ItemForm& f, const std::string& keys) {
    QWindow* target = ui::qt::QtBackend::windowWidget(f.window)->windowHandle();
    ASSERT_NE(target, nullptr);
    for (char ch : keys) {
      int key = ch == '\n' ? Qt::Key_Return : ch == '\t' ? Qt::Key_Tab : ch == '\x1b' ? Qt::Key_Escape
                                                                                       : Qt::Key_A + (std::toupper(ch) - 'A');
      QString text = std::isalpha(static_cast<unsigned char>(ch)) ? QString(QChar(ch)) : QString();
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    }
  }
  static std::string Screen(ItemForm& f, int control) {
    auto* e = qobject_cast<QLineEdit*>(Widget(f, control));
    return e ? e->text().trimmed().toStdString() : "?";
  }
};

}  // namespace fwwin
