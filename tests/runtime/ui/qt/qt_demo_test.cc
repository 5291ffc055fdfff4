// The demo window procedure driven through the Qt back-end, offscreen, with
// input synthesised at the Qt level.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "demo_procedure.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/list_model.h"
#include "runtime/ui/qt/qt_backend.h"

namespace {

using demo::Procedure;
using ui::qt::QtBackend;

// One QApplication for the whole run, gone before the exit handlers (Qt's
// own globals must outlive it).
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[11] = "ui_qt_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Steps that run one after another from Qt timers while the procedure's
// event loop runs. A step returns false to be tried again a little later
// (waiting for a dialog to appear). A watchdog ends a stuck run.
class Script {
 public:
  explicit Script(Procedure& p) : p_(p) {}
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
  int run() {
    QTimer::singleShot(0, &context_, [this] { tick(); });
    QTimer::singleShot(8000, &context_, [this] {
      if (steps_.empty()) return;
      timedOut = true;
      if (QWidget* m = QApplication::activeModalWidget()) m->close();
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      ui::Engine::current().post(ui::Event_CloseDown, 0, &p_.window);
    });
    return p_.run();
  }
  bool finished() const { return steps_.empty(); }
  bool timedOut = false;

 private:
  void tick() {
    if (steps_.empty() || timedOut) return;
    if (steps_.front()()) steps_.pop_front();
    QTimer::singleShot(steps_.empty() ? 0 : 5, &context_, [this] { tick(); });
  }
  Procedure& p_;
  std::deque<std::function<bool()>> steps_;
  QObject context_;  // its timers die with the script
};

class QtDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<QtBackend>();
  }
  void TearDown() override { backend_.reset(); }

  QWidget* widget(int control) { return QtBackend::controlWidget(p.window, control); }
  QWidget* focused() { return widget(p.window.focus()); }
  QTableView* table() { return qobject_cast<QTableView*>(widget(demo::List)); }
  void key(int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(focused(), Qt::Key(qtKey), m);
  }
  // Answers the message box that is up with the button of that code.
  static std::function<bool()> answer(uint32_t button) {
    return [button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return false;
      auto* b = box->findChild<QPushButton*>(QString("button_%1").arg(button));
      if (!b) return false;
      QTest::mouseClick(b, Qt::LeftButton);
      return true;
    };
  }
  QString cell(int row, int column) {
    return table()->model()->index(row - 1, column - 1).data().toString().trimmed();
  }

  std::unique_ptr<QtBackend> backend_;
  Procedure p;
};

TEST_F(QtDemo, EntryTabOrderEnterAndNestedMessageBoxYesNo) {
  Script s(p);
  s.act([&] { QTest::keyClicks(focused(), "1234"); })
      .act([&] { key(Qt::Key_Tab); })
      .act([&] { EXPECT_EQ(p.window.focus(), demo::Date); })
      .act([&] { QTest::keyClicks(focused(), "01/02/80"); })
      .act([&] { key(Qt::Key_Tab); })  // to the default button
      .act([&] { EXPECT_EQ(p.window.focus(), demo::Accept); })
      .act([&] { key(Qt::Key_Tab, Qt::ShiftModifier); })
      .act([&] { key(Qt::Key_Tab, Qt::ShiftModifier); })
      .act([&] {
        EXPECT_EQ(p.window.focus(), demo::Number);
        key(Qt::Key_Return);  // presses the default button: a nested modal question
      })
      .then(answer(rt::Button_No))
      .act([&] { QTest::mouseClick(widget(demo::Accept), Qt::LeftButton); })
      .then(answer(rt::Button_Yes));
  EXPECT_EQ(s.run(), 1);
  EXPECT_TRUE(s.finished());
  EXPECT_EQ(p.number, 1234);
  EXPECT_EQ(p.date, 65413);  // 1 February 1980: day 4 is 1 January 1801
  // Every Tab completes the entry it leaves, changed or not.
  std::vector<std::string> expected = {"accepted 2", "accepted 3", "accepted 3", "accepted 2",
                                       "accepted 4", "no",         "accepted 4", "yes"};
  EXPECT_EQ(p.log, expected);
}

TEST_F(QtDemo, RejectedDateKeepsFocusAndEscClosesWindow) {
  Script s(p);
  s.act([&] { key(Qt::Key_Tab); })
      .act([&] { QTest::keyClicks(focused(), "31/02/80"); })
      .act([&] { key(Qt::Key_Tab); })
      .act([&] {
        EXPECT_EQ(p.window.focus(), demo::Date);
        EXPECT_EQ(QApplication::focusWidget(), widget(demo::Date));
      })
      .act([&] { key(Qt::Key_Escape); });
  EXPECT_EQ(s.run(), 2);
  EXPECT_EQ(p.date, 0);
  std::vector<std::string> expected = {"accepted 2", "rejected 3", "close"};
  EXPECT_EQ(p.log, expected);
}

TEST_F(QtDemo, ListScrolledWithKeyboardReadsOnlyItsPage) {
  Script s(p);
  long long before = 0;
  s.act([&] {
     ASSERT_GE(p.page.items, 2);
     QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                       table()->visualRect(table()->model()->index(0, 1)).center());
   })
      .act([&] {
        EXPECT_EQ(p.window.focus(), demo::List);
        before = static_cast<ui::qt::ListModel*>(table()->model())->cellsRead;
        for (int i = 0; i < p.page.items + 1; ++i) key(Qt::Key_Down);
      })
      .act([&] {
        // Two rows past the first page: the page moved by two.
        EXPECT_EQ(p.page.offset, 2);
        EXPECT_EQ(table()->model()->rowCount(), p.page.items);
        EXPECT_EQ(cell(1, 1), "3");
        EXPECT_EQ(cell(p.page.items, 2), "Alumno " + QString::number(p.page.items + 2));
        EXPECT_EQ(table()->currentIndex().row(), p.page.items - 1);
        QTest::qWait(20);  // let the view repaint
        long long read = static_cast<ui::qt::ListModel*>(table()->model())->cellsRead - before;
        EXPECT_LE(read, 3LL * p.page.items * (p.page.items + 3));  // pages, never the 100 rows
        key(Qt::Key_PageDown);
        key(Qt::Key_End, Qt::ControlModifier);
      })
      .act([&] {
        EXPECT_EQ(cell(p.page.items, 1), "100");
        key(Qt::Key_Escape);
      });
  s.run();
  EXPECT_TRUE(s.finished());
  EXPECT_EQ(p.log.back(), "close");
}

TEST_F(QtDemo, ListThumbPostsScrollAndDragEvents) {
  Script s(p);
  s.act([&] {
    QScrollBar* thumb = nullptr;
    for (auto* sb : QtBackend::windowWidget(p.window)->findChildren<QScrollBar*>())
      if (sb->property("qv_control").toInt() == demo::List) thumb = sb;
    ASSERT_NE(thumb, nullptr);
    EXPECT_TRUE(thumb->isVisible());
    EXPECT_LE(thumb->geometry().left(), table()->geometry().right() + 1);
    thumb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    thumb->setSliderPosition(60);  // a drag moves the slider
  }).act([&] { key(Qt::Key_Escape); });
  s.run();
  std::vector<std::string> expected = {"row " + std::to_string(p.page.items + 1), "drag 60", "close"};
  EXPECT_EQ(p.log, expected);
}

TEST_F(QtDemo, TimerUpdatesCounterThenStops) {
  Script s(p);
  s.then([&] { return p.ticks >= 3; })
      .act([&] { QTest::qWait(120); })
      .act([&] {
        EXPECT_EQ(p.ticks, 3);
        EXPECT_EQ(qobject_cast<QLabel*>(widget(demo::Ticks))->text().trimmed(), "3");
        QTest::mouseClick(widget(demo::Exit), Qt::LeftButton);
      });
  EXPECT_EQ(s.run(), 2);
  EXPECT_FALSE(s.timedOut);
}

TEST_F(QtDemo, ControlCreatedAtRunTimeOverListCellAndDestroyed) {
  Script s(p);
  QPointer<QWidget> editor;
  s.act([&] { key(Qt::Key_F2); })
      .act([&] {
        ASSERT_EQ(p.log.back(), "edit 10");
        editor = widget(10);
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->parentWidget(), table()->viewport());
        EXPECT_EQ(editor->geometry(), table()->visualRect(table()->model()->index(0, 1)));
        EXPECT_EQ(qobject_cast<QLineEdit*>(editor.data())->text().trimmed(), "Alumno 1");
        qobject_cast<QLineEdit*>(editor.data())->selectAll();
        QTest::keyClicks(editor, "Perez");
        QTest::keyClick(editor, Qt::Key_Return);
      })
      .act([&] { EXPECT_TRUE(editor.isNull()); })
      .act([&] {
        EXPECT_FALSE(p.window.exists(10));
        EXPECT_EQ(cell(1, 2), "Perez");
        EXPECT_EQ(p.window.focus(), demo::List);
        QTest::mouseClick(widget(demo::Exit), Qt::LeftButton);
      });
  EXPECT_EQ(s.run(), 2);
  EXPECT_TRUE(s.finished());
}

TEST_F(QtDemo, HiddenAndDisabledControlsTakeNoInput) {
  Script s(p);
  s.act([&] {
     EXPECT_FALSE(widget(demo::Hidden)->isVisible());
     EXPECT_FALSE(widget(demo::Disabled)->isEnabled());
     QTest::mouseClick(widget(demo::Disabled), Qt::LeftButton);
     p.window.unhide(demo::Hidden);
     p.window.enable(demo::Disabled);
   })
      .act([&] {
        EXPECT_TRUE(widget(demo::Hidden)->isVisible());
        p.window.hide(demo::Hidden);
        p.window.disable(demo::Disabled);
        for (int i = 0; i < 4; ++i) key(Qt::Key_Tab);  // Number, Date, Accept, Exit, List
      })
      .act([&] {
        EXPECT_EQ(p.window.focus(), demo::List);
        key(Qt::Key_Tab);
      })
      .act([&] {
        EXPECT_EQ(p.window.focus(), demo::Number);  // wrapped past hidden and disabled
        key(Qt::Key_Escape);
      });
  s.run();
  EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "impossible"), 0);
  EXPECT_TRUE(s.finished());
}

TEST_F(QtDemo, RightClickPopupMenuReturnsChosenEntry) {
  Script s(p);
  s.act([&] {
     QRect r = table()->visualRect(table()->model()->index(1, 0));
     QTest::mousePress(table()->viewport(), Qt::RightButton, {}, r.center());
     QTest::mouseRelease(table()->viewport(), Qt::RightButton, {}, r.center());
   })
      .then([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return false;
        EXPECT_EQ(menu->actions().size(), 4);
        EXPECT_FALSE(menu->actions()[3]->isEnabled());
        menu->setActiveAction(menu->actions()[1]);
        QTest::keyClick(menu, Qt::Key_Return);
        return true;
      })
      .act([&] {
        EXPECT_EQ(p.window.prop(demo::List, ui::Prop_Choice).toInt(), 2);
        key(Qt::Key_Escape);
      });
  s.run();
  EXPECT_TRUE(s.finished());
  ASSERT_GE(p.log.size(), 1u);
  EXPECT_EQ(p.log[0], "popup 2");
}

TEST_F(QtDemo, WindowSavedAsPngHasItsSizeAndContent) {
  Script s(p);
  std::string path = (std::filesystem::temp_directory_path() /
                      ("qv_demo_" + std::to_string(::getpid()) + ".png")).string();
  s.act([&] {
    ASSERT_TRUE(p.window.savePng(path));
    QImage img(QString::fromStdString(path));
    QWidget* w = QtBackend::windowWidget(p.window);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), w->size() * w->devicePixelRatio());
    EXPECT_GT(w->width(), 300);  // 300 dialog units are wider than 300 pixels
    QRgb first = img.pixel(0, 0);
    int different = 0;
    for (int y = 0; y < img.height(); y += 3)
      for (int x = 0; x < img.width(); x += 3) different += img.pixel(x, y) != first;
    EXPECT_GT(different, 100);
    key(Qt::Key_Escape);
  });
  s.run();
  std::filesystem::remove(path);
  EXPECT_TRUE(s.finished());
}

}  // namespace

namespace {

TEST_F(QtDemo, SnapshotFolderFromEnvironmentGetsThePictureOfEachWindow) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("qv_snap_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  qputenv("QV_UI_SNAPSHOT_DIR", dir.string().c_str());
  Script s(p);
  s.act([&] { key(Qt::Key_Escape); });
  s.run();
  qunsetenv("QV_UI_SNAPSHOT_DIR");
  std::vector<std::string> names;
  for (auto& f : fs::directory_iterator(dir)) names.push_back(f.path().filename().string());
  fs::remove_all(dir);
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 2u);  // when first idle, and when closing
  EXPECT_EQ(names[0].rfind("Demo-close-", 0), 0u) << names[0];
  EXPECT_EQ(names[1].rfind("Demo-open-", 0), 0u) << names[1];
}

}  // namespace
