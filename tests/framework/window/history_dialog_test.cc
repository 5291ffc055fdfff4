// The error history dialog driven offscreen through the Qt back-end: its
// buttons, its answers, and the copy of the history it shows.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <thread>

#include "framework/data/error_class.h"
#include "framework/data/error_status.h"
#include "framework/window/hist_handler_class.h"
#include "framework/window/history_dialog.h"
#include "framework/window/msg_box_class.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/window.h"

namespace {

using Step = std::function<void(ui::Window&)>;

class HistoryDialogTest : public ::testing::Test {
 protected:
  HistoryDialogTest() {
    fw::ThreadErrorStatus() = fw::ErrorStatusClass{};
    errors.Init(fw::ThreadErrorStatus);
    errors.SetHistoryThreshold(-1);
    backend_ = std::make_unique<ui::qt::QtBackend>();
    fw::InstallHistoryDialog();
  }
  ~HistoryDialogTest() override {
    fw::SetHistoryViewer(nullptr);
    backend_.reset();
  }

  void add(const std::string& text, const std::string& category = "ZOR", uint16_t id = 26) {
    errors.AddHistory(fw::HistoryEntry{category, text, id});
  }

  // Calls `show` (which opens the dialog) and runs `steps` on the dialog
  // window from Qt timers, one after another; returns what `show` returned.
  uint32_t drive(std::function<uint32_t()> show, std::vector<Step> steps) {
    std::deque<Step> pending(steps.begin(), steps.end());
    QObject context;
    std::function<void()> tick = [&] {
      ui::Window* w = dialog();
      if (w && !pending.empty()) {
        Step s = std::move(pending.front());
        pending.pop_front();
        s(*w);
      }
      if (!pending.empty() || !w) QTimer::singleShot(5, &context, tick);
    };
    QTimer::singleShot(0, &context, tick);
    // A stuck dialog is closed so that the test fails instead of hanging.
    QTimer::singleShot(8000, &context, [&] {
      stuck = true;
      if (ui::Window* w = dialog()) w->inputCloseRequest();
    });
    uint32_t answer = show();
    EXPECT_TRUE(pending.empty()) << pending.size() << " steps never ran";
    EXPECT_FALSE(stuck);
    return answer;
  }
  static ui::Window* dialog() {
    for (ui::Window* w : ui::Engine::current().windows())
      if (w->def().name == "HistoryMsg" && w->isOpen() && !w->closing()) return w;
    return nullptr;
  }
  static QPushButton* button(ui::Window& w, int control) {
    return qobject_cast<QPushButton*>(ui::qt::QtBackend::controlWidget(w, control));
  }
  static QAbstractItemModel* rows(ui::Window& w) {
    auto* table = qobject_cast<QTableView*>(ui::qt::QtBackend::controlWidget(w, fw::MsgBox_List));
    return table ? table->model() : nullptr;
  }
  static QString cell(ui::Window& w, int row, int column) {
    QAbstractItemModel* m = rows(w);
    return m->data(m->index(row, column), Qt::DisplayRole).toString().trimmed();
  }

  fw::ErrorClass errors;
  bool stuck = false;

 private:
  std::unique_ptr<ui::qt::QtBackend> backend_;
};

TEST_F(HistoryDialogTest, ViewHistoryPutsHelpOnControl100AndOkOn101) {
  add("First message");
  add("Second message", "KESTREL");
  QString title, helpText, okText;
  bool onlyTwo = true, okDefault = false;
  int shown = -1;
  uint32_t answer = drive([&] { return errors.ViewHistory(); },
                          {[&](ui::Window& w) {
                             title = QString::fromStdString(w.title());
                             helpText = button(w, 100)->text();
                             okText = button(w, 101)->text();
                             okDefault = w.prop(101, ui::Prop_Default).toInt() == 1;
                             for (int c = 102; c <= 107; ++c) onlyTwo &= !button(w, c)->isVisible();
                             onlyTwo &= button(w, 100)->isVisible() && button(w, 101)->isVisible();
                             shown = rows(w)->rowCount();
                             EXPECT_EQ(cell(w, 1, 0), "Second message");
                             EXPECT_EQ(cell(w, 1, 1), "KESTREL");
                             EXPECT_EQ(w.prop(fw::MsgBox_Image, ui::Prop_Icon).toString(),
                                       "~SYSICON:32515");  // the exclamation icon
                             // The image control draws its picture in a label inside a scroll area.
                             auto* image = ui::qt::QtBackend::controlWidget(w, fw::MsgBox_Image)
                                               ->findChild<QLabel*>("picture");
                             ASSERT_NE(image, nullptr);
                             EXPECT_FALSE(image->pixmap().isNull());
                           },
                           [&](ui::Window& w) { QTest::mouseClick(button(w, 101), Qt::LeftButton); }});
  EXPECT_EQ(title, "Errors History");
  EXPECT_EQ(helpText, "&Help");
  EXPECT_EQ(okText, "O&k");
  EXPECT_TRUE(okDefault);
  EXPECT_TRUE(onlyTwo);
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(answer, rt::Button_Ok);
  // Help answers Help.
  answer = drive([&] { return errors.ViewHistory(); },
                 {[&](ui::Window& w) { QTest::mouseClick(button(w, 100), Qt::LeftButton); }});
  EXPECT_EQ(answer, rt::Button_Help);
}

TEST_F(HistoryDialogTest, ButtonsFollowTheWalkFromTheHighestBit) {
  const uint32_t set = rt::Button_Yes | rt::Button_No | rt::Button_Cancel;
  std::vector<QString> texts;
  uint32_t answer = drive(
      [&] { return errors.HistoryMsg("Pregunta", rt::Icon_Question, set, rt::Button_No); },
      {[&](ui::Window& w) {
         for (int c = 100; c <= 103; ++c)
           texts.push_back(button(w, c)->isVisible() ? button(w, c)->text() : QString());
         EXPECT_EQ(w.title(), "Pregunta");
         EXPECT_EQ(w.prop(101, ui::Prop_Default).toInt(), 1);  // No
         EXPECT_EQ(w.prop(102, ui::Prop_Default).toInt(), 0);
         EXPECT_EQ(w.prop(fw::MsgBox_Image, ui::Prop_Icon).toString(), "~SYSICON:32514");
       },
       [&](ui::Window& w) { QTest::mouseClick(button(w, 100), Qt::LeftButton); }});
  EXPECT_EQ(texts, (std::vector<QString>{"&Cancel", "&No", "&Yes", ""}));
  EXPECT_EQ(answer, rt::Button_Cancel);
}

TEST_F(HistoryDialogTest, NoButtonsEndsOnlyByClosingWithTheDefault) {
  add("Only");
  bool anyVisible = true;
  uint32_t answer = drive([&] { return errors.HistoryMsg("", 0, 0, rt::Button_Retry); },
                          {[&](ui::Window& w) {
                             anyVisible = false;
                             for (int c = 100; c <= 107; ++c) anyVisible |= button(w, c)->isVisible();
                             EXPECT_EQ(w.title(), "Error");
                             // Pressing Enter presses nothing: there is no button.
                             QTest::keyClick(ui::qt::QtBackend::windowWidget(w), Qt::Key_Return);
                           },
                           [&](ui::Window& w) {
                             EXPECT_TRUE(w.isOpen());
                             w.inputCloseRequest();
                           }});
  EXPECT_FALSE(anyVisible);
  EXPECT_EQ(answer, rt::Button_Retry);
}

TEST_F(HistoryDialogTest, EmptyHistoryShowsAnEmptyList) {
  int shown = -1;
  drive([&] { return errors.ViewHistory(); },
        {[&](ui::Window& w) {
           shown = rows(w)->rowCount();
           w.inputCloseRequest();
         }});
  EXPECT_EQ(shown, 0);
}

TEST_F(HistoryDialogTest, MessagesAddedWhileOpenDoNotAppear) {
  add("Before");
  int before = -1, after = -1;
  size_t kept = 0;
  drive([&] { return errors.ViewHistory(); },
        {[&](ui::Window& w) {
           before = rows(w)->rowCount();
           // Another thread reports while the dialog is up: the lock is free.
           std::thread other([&] {
             for (int i = 0; i < 3; ++i) add("Later " + std::to_string(i));
           });
           other.join();
           kept = errors.CopyHistory().size();
           w.refreshRows(fw::MsgBox_List);
         },
         [&](ui::Window& w) {
           after = rows(w)->rowCount();
           EXPECT_EQ(cell(w, 0, 0), "Before");
           w.inputCloseRequest();
         }});
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(kept, 4u);
}

TEST_F(HistoryDialogTest, AMessageOfTheViewLevelShowsTheHistoryWithIt) {
  add("Earlier");
  errors.SetHistoryViewLevel(int32_t(fw::Level::Notify));
  errors.SetFile("QVLIBRETA");
  QString title, last;
  int shown = -1;
  fw::Level r = fw::Level::Benign;
  drive(
      [&] {
        r = errors.TakeError(30);  // "Invalid Key", a Notify message
        return 0u;
      },
      {[&](ui::Window& w) {
        title = QString::fromStdString(w.title());
        shown = rows(w)->rowCount();
        last = cell(w, shown - 1, 0);
        QTest::mouseClick(button(w, 100), Qt::LeftButton);  // its only button, Ok
      }});
  EXPECT_EQ(r, fw::Level::Notify);
  EXPECT_EQ(title, "Invalid Key");
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(last, "QVLIBRETA key file is invalid. Key must be rebuilt.");
}

TEST_F(HistoryDialogTest, WithoutTheDialogInstalledTheDefaultAnswers) {
  fw::SetHistoryViewer(nullptr);
  add("x");
  EXPECT_EQ(errors.HistoryMsg("c", 0, rt::Button_Ok | rt::Button_Cancel, rt::Button_Cancel),
            rt::Button_Cancel);
  EXPECT_TRUE(ui::Engine::current().windows().empty());
}

TEST(HistHandler, VlbProcAnswersCountsAndCells) {
  std::vector<fw::HistoryEntry> history{{"ZOR", "one", 1}, {"KESTREL", "two", 2}};
  fw::HistHandlerClass h;
  h.Init(nullptr, fw::MsgBox_List, &history, nullptr);
  h.LBColumns = 2;
  EXPECT_EQ(h.VLBProc(-1, 0), "2");
  EXPECT_EQ(h.VLBProc(-2, 0), "2");
  EXPECT_EQ(h.VLBProc(-3, 0), "1");
  EXPECT_EQ(h.VLBProc(2, 1), "two");
  EXPECT_EQ(h.VLBProc(2, 2), "KESTREL");
  EXPECT_EQ(h.VLBProc(2, 3), "");
  EXPECT_EQ(h.VLBProc(3, 1), "");
  EXPECT_EQ(h.VLBProc(0, 1), "");
  EXPECT_FALSE(h.ResetRequired());
}

TEST(MsgBox, FetchStdButtonMapsOnlyVisibleButtons) {
  fw::MsgBoxClass box(nullptr, nullptr, "", 0, rt::Button_Ok | rt::Button_Help, rt::Button_Ok);
  box.MsgButtons = 2;
  box.MsgButtonID = {rt::Button_Help, rt::Button_Ok};
  EXPECT_EQ(box.FetchStdButton(100), rt::Button_Help);
  EXPECT_EQ(box.FetchStdButton(101), rt::Button_Ok);
  EXPECT_EQ(box.FetchStdButton(102), 0u);
  EXPECT_EQ(box.FetchStdButton(99), 0u);
  // The list's columns come from the format text.
  ui::WindowDef d = fw::HistoryWindowDef();
  const ui::ControlDef& list = d.controls[1];
  ASSERT_EQ(list.columns.size(), 2u);
  EXPECT_EQ(list.columns[0].header, "Message");
  EXPECT_EQ(list.columns[0].width, 217);
  EXPECT_EQ(list.columns[1].header, "Category");
  EXPECT_EQ(list.columns[1].picture, "@s255");
}

}  // namespace
