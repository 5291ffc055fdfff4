// Every control kind as a Qt widget, sheets with tabs, fonts and dialog units.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QWindow>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <future>
#include <thread>

#include "runtime/core/message_presenter.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/window_view.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace {

using namespace ui;
using qt::QtBackend;

ControlDef def(ControlType t, std::string text, int x, int y, int w, int h) {
  ControlDef c;
  c.type = t;
  c.text = std::move(text);
  c.x = x, c.y = y, c.width = w, c.height = h;
  return c;
}

class QtControls : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<QtBackend>();
    // A wait for an event that never comes ends the windows instead of hanging.
    QTimer::singleShot(8000, &watchdog_, [] {
      Engine& e = Engine::current();
      for (Window* w : e.windows()) e.post(Event_CloseDown, 0, w);
    });
  }
  void TearDown() override { backend_.reset(); }
  QObject watchdog_;
  template <class T>
  T* widget(Window& w, int n) {
    return qobject_cast<T*>(QtBackend::controlWidget(w, n));
  }
  std::unique_ptr<QtBackend> backend_;
};

TEST_F(QtControls, EveryKindGetsItsWidgetWithDefinitionState) {
  WindowDef d;
  d.width = 450, d.height = 300;
  d.fontName = "Consolas";
  d.fontSize = 8;
  d.controls = {
      def(Ctl_Text, "&Nombre", 4, 4, Auto, Auto),                  // 1
      def(Ctl_VarText, "@s20", 4, 16, 100, 12),                     // 2
      def(Ctl_Entry, "@n-14", 4, 30, 60, 12),                       // 3
      def(Ctl_MultiLine, "@s255", 4, 44, 100, 30),                  // 4
      def(Ctl_Button, "Aceptar", 120, 4, 80, 24),                   // 5
      def(Ctl_Check, "Activo", 120, 30, 60, 12),                    // 6
      def(Ctl_Line, "", 4, 80, 392, 0),                             // 7
      def(Ctl_Box, "", 200, 4, 40, 40),                             // 8
      def(Ctl_Image, "", 250, 4, 20, 20),                           // 9
      def(Ctl_Progress, "", 4, 90, 100, 10),                        // 10
      def(Ctl_List, "", 4, 104, 200, 60),                           // 11
      def(Ctl_DropList, "", 210, 104, 100, 12),                     // 12
  };
  d.controls[2].bold = true;
  d.controls[1].color = rgb(0, 128, 255);
  d.controls[4].icon = "C:\\ICONOS\\OK04.ico";
  d.controls[8].icon = "C:\\ICONOS\\SALIR.ico";
  d.controls[10].columns = parseListFormat("30R|_~Nro~@n4@120L|M~Alumno~@s30@");
  d.controls[11].columns = d.controls[10].columns;
  d.controls[11].dropRows = 20;
  Window w(d);
  std::string name = "Ana";
  int32_t active = 1, count = 7;
  StringVar nameVar(&name);
  Int32Var activeVar(&active), countVar(&count);
  TableRowSource rows;
  rows.rows = {{"1", "Ana"}, {"2", "Luis"}};
  w.bind(2, &nameVar);
  w.bind(6, &activeVar);
  w.bind(3, &countVar);
  w.setRowSource(11, &rows);
  w.setRowSource(12, &rows);
  w.open();
  w.display();
  w.setProp(10, Prop_Progress, 40);

  EXPECT_EQ(widget<QLabel>(w, 1)->text(), "Nombre");
  EXPECT_EQ(widget<QLabel>(w, 2)->text().trimmed(), "Ana");
  EXPECT_EQ(widget<QLabel>(w, 2)->palette().color(QPalette::WindowText), QColor(0, 128, 255));
  QLineEdit* entry = widget<QLineEdit>(w, 3);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text().trimmed(), "7");
  EXPECT_TRUE(entry->font().bold());
  EXPECT_TRUE(QFontInfo(entry->font()).fixedPitch());  // Consolas maps to a fixed-pitch family
  EXPECT_NE(widget<QPlainTextEdit>(w, 4), nullptr);
  EXPECT_FALSE(widget<QPushButton>(w, 5)->icon().isNull());
  EXPECT_TRUE(widget<QCheckBox>(w, 6)->isChecked());
  QFrame* line = widget<QFrame>(w, 7);
  EXPECT_GT(line->width(), 10 * line->height());
  EXPECT_NE(widget<QFrame>(w, 8), nullptr);
  EXPECT_FALSE(QtBackend::controlWidget(w, 9)->findChild<QLabel*>("picture")->pixmap().isNull());
  EXPECT_EQ(widget<QProgressBar>(w, 10)->value(), 40);
  QTableView* list = widget<QTableView>(w, 11);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "Alumno");
  EXPECT_EQ(list->model()->rowCount(), 2);
  // Dialog units follow the font: 120 units are 30 average characters wide.
  EXPECT_NEAR(list->columnWidth(1), 4 * list->columnWidth(0), 2);
  EXPECT_EQ(w.prop(12, Prop_Items).toInt(), 20);
  EXPECT_EQ(widget<QComboBox>(w, 12)->count(), 2);

  // Input: typing into the entry and toggling the check box.
  entry->setFocus();
  entry->selectAll();
  QTest::keyClicks(entry, "12");
  QTest::mouseClick(widget<QCheckBox>(w, 6), Qt::LeftButton);
  EXPECT_TRUE(w.update());
  EXPECT_EQ(count, 12);
  EXPECT_EQ(active, 0);
  w.close();
  EXPECT_EQ(QtBackend::windowWidget(w), nullptr);
}

TEST_F(QtControls, SheetTabBarShowsVisibleTabsAndSwitchesTheirControls) {
  WindowDef d;
  d.width = 300, d.height = 200;
  d.controls = {def(Ctl_Sheet, "", 0, 10, Auto, Auto), def(Ctl_Tab, "Uno", 0, 0, 0, 0),
                def(Ctl_Entry, "@s10", 10, 40, 50, 12), def(Ctl_Tab, "Dos", 0, 0, 0, 0),
                def(Ctl_Entry, "@s10", 10, 40, 50, 12), def(Ctl_Tab, "Tres", 0, 0, 0, 0)};
  d.controls[1].parent = 1;
  d.controls[2].parent = 2;
  d.controls[3].parent = 1;
  d.controls[4].parent = 4;
  d.controls[5].parent = 1;
  d.controls[5].hidden = true;
  Window w(d);
  w.open();
  QTabBar* bar = QtBackend::controlWidget(w, 1)->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->count(), 2);  // "Tres" is hidden
  EXPECT_GT(QtBackend::controlWidget(w, 1)->width(), 250);  // the rest of the window
  EXPECT_TRUE(QtBackend::controlWidget(w, 3)->isVisible());
  EXPECT_FALSE(QtBackend::controlWidget(w, 5)->isVisible());
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  Engine& e = Engine::current();
  bool sawSelection = false;
  while (e.wait(w)) {
    if (e.event() == Event_NewSelection && e.field() == 1) {
      sawSelection = true;
      break;
    }
  }
  EXPECT_TRUE(sawSelection);
  EXPECT_EQ(w.prop(1, Prop_Choice).toInt(), 2);
  EXPECT_FALSE(QtBackend::controlWidget(w, 3)->isVisible());
  EXPECT_TRUE(QtBackend::controlWidget(w, 5)->isVisible());
  w.unhide(6);
  EXPECT_EQ(bar->count(), 3);
  w.destroy(6);
  EXPECT_EQ(bar->count(), 2);
  w.close();
}

TEST_F(QtControls, TypedCharacterAndKeyCodeOfAlertedKeys) {
  WindowDef d;
  d.controls = {def(Ctl_List, "", 4, 4, 100, 60)};
  d.controls[0].columns = parseListFormat("50L@s10@");
  d.controls[0].alerts = {'A' + 0x100, 'N'};  // Shift+A, and N with its typed character
  Window w(d);
  w.open();
  QWidget* list = QtBackend::controlWidget(w, 1);
  Engine& e = Engine::current();
  QTest::keyClick(list, 'A', Qt::ShiftModifier);
  ASSERT_TRUE(e.wait(w));
  while (e.event() != Event_AlertKey) ASSERT_TRUE(e.wait(w));
  EXPECT_EQ(e.keyCode(), 0x141);
  EXPECT_EQ(e.keyChar(), 'A');
  QTest::keyClick(list, Qt::Key_N, Qt::NoModifier, -1);
  ASSERT_TRUE(e.wait(w));
  EXPECT_EQ(e.event(), Event_AlertKey);
  EXPECT_EQ(e.keyChar(), 'n');
  w.close();
}

}  // namespace

namespace {

TEST_F(QtControls, WindowOnAnotherThreadRunsWithoutDisplay) {
  std::promise<std::thread::id> started;
  int timers = 0, accepted = 0;
  std::thread t([&] {
    WindowDef d;
    d.timer = 1;
    d.controls = {def(Ctl_Button, "B", 0, 0, 40, 14)};
    Window w(d);
    w.open();
    EXPECT_EQ(QtBackend::windowWidget(w), nullptr);
    started.set_value(std::this_thread::get_id());
    Engine& e = Engine::current();
    while (e.wait(w)) {
      if (e.event() == Event_Timer) ++timers;
      if (e.event() == Event_Accepted) ++accepted;
      if (accepted && timers >= 2) break;
    }
    w.close();
  });
  std::thread::id id = started.get_future().get();
  EXPECT_TRUE(Engine::postToThread(id, Event_Accepted, 1));
  t.join();
  EXPECT_EQ(accepted, 1);
  EXPECT_GE(timers, 2);
}

}  // namespace

namespace {

TEST_F(QtControls, SpinBoxStatusBarCursorAndMouseOnImage) {
  WindowDef d;
  d.width = 200, d.height = 100;
  d.statusZones = {60, -1};
  d.controls = {def(Ctl_Spin, "@n3", 4, 4, 40, 12), def(Ctl_Image, "", 60, 10, 40, 40)};
  d.controls[0].rangeLow = 1;
  d.controls[0].rangeHigh = 3;
  d.controls[1].alerts = {Mouse_Left};
  d.controls[1].cursor = Cursor_Zoom;
  Window w(d);
  int32_t value = 3;
  Int32Var var(&value);
  w.bind(1, &var);
  w.open();
  w.setProp(0, Prop_StatusText, "Página 1", 1);
  auto* spin = qobject_cast<QSpinBox*>(QtBackend::controlWidget(w, 1));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->value(), 3);
  QTest::keyClick(spin, Qt::Key_Up);  // at the top of the range: nothing
  QTest::keyClick(spin, Qt::Key_Down);
  QTest::keyClick(spin, Qt::Key_Down);
  QTest::keyClick(spin, Qt::Key_Down);
  EXPECT_EQ(spin->value(), 1);
  EXPECT_TRUE(w.update());
  EXPECT_EQ(value, 1);
  auto* zone = QtBackend::windowWidget(w)->findChild<QLabel*>("zone_1");
  ASSERT_NE(zone, nullptr);
  EXPECT_EQ(zone->text(), QString::fromUtf8("Página 1"));
  EXPECT_GE(zone->mapTo(QtBackend::windowWidget(w), QPoint(0, 0)).y(),
            QtBackend::controlWidget(w, 2)->geometry().bottom());
  QWidget* image = QtBackend::controlWidget(w, 2);
  EXPECT_EQ(image->cursor().shape(), Qt::BitmapCursor);  // the drawn magnifier
  EXPECT_FALSE(image->cursor().pixmap().isNull());
  QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(image->width() / 2, image->height() / 2));
  Engine& e = Engine::current();
  int selections = 0;
  while (e.wait(w) && e.event() != Event_AlertKey) selections += e.event() == Event_NewSelection;
  EXPECT_EQ(selections, 2);
  EXPECT_EQ(e.field(), 2);
  EXPECT_NEAR(w.prop(0, Prop_MouseX).toInt(), 60 + 20, 1);  // the image's centre
  EXPECT_NEAR(w.prop(0, Prop_MouseY).toInt(), 10 + 20, 1);
  w.close();
}

}  // namespace

namespace {

TEST_F(QtControls, MenuBarItemsAreControlsAndTheClientAreaStartsBelowIt) {
  WindowDef d;
  d.width = 200, d.height = 100;
  d.controls = {def(Ctl_Menu, "&File", 0, 0, 0, 0), def(Ctl_MenuItem, "&Print", 0, 0, 0, 0),
                def(Ctl_MenuItem, "E&xit", 0, 0, 0, 0), def(Ctl_Button, "OK", 0, 0, 40, 14)};
  d.controls[1].parent = 1;
  d.controls[2].parent = 1;
  Window w(d);
  w.open();
  auto* bar = QtBackend::windowWidget(w)->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_GE(QtBackend::controlWidget(w, 4)->y(), bar->height());
  auto* menu = qobject_cast<QMenu*>(QtBackend::controlWidget(w, 1));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  w.disable(2);
  EXPECT_FALSE(menu->actions()[0]->isEnabled());
  menu->actions()[0]->trigger();  // disabled: nothing
  w.setProp(3, Prop_Checked, 1);
  EXPECT_TRUE(menu->actions()[1]->isChecked());
  menu->actions()[1]->trigger();
  Engine& e = Engine::current();
  ASSERT_TRUE(e.wait(w));
  while (e.event() != Event_Accepted) ASSERT_TRUE(e.wait(w));
  EXPECT_EQ(e.field(), 3);
  int item = w.create([] {
    ControlDef i;
    i.type = Ctl_MenuItem;
    i.text = "200% Zoom";
    i.parent = 1;
    return i;
  }());
  EXPECT_EQ(menu->actions().size(), 3);
  w.destroy(item);
  EXPECT_EQ(menu->actions().size(), 2);
  w.destroy(1, 3);
  EXPECT_EQ(bar->actions().size(), 0);
  w.close();
}

}  // namespace

namespace {

// Key presses of characters beyond ASCII, which QTest::keyClicks refuses.
void typeText(QWidget* target, const QString& text) {
  for (QChar c : text) {
    QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

// The school's files hold text in Windows-1252: what a teacher types reaches
// the program in that set, and comes back on screen as typed.
TEST_F(QtControls, TypedTextReachesTheProgramInTheFilesCharacterSet) {
  WindowDef d;
  d.controls = {def(Ctl_Entry, "@s30", 4, 4, 120, 12), def(Ctl_MultiLine, "@s30", 4, 20, 120, 30)};
  Window w(d);
  std::string line, text;
  StringVar lineVar(&line), textVar(&text);
  w.bind(1, &lineVar);
  w.bind(2, &textVar);
  w.open();
  auto* entry = widget<QLineEdit>(w, 1);
  entry->setFocus();
  typeText(entry, QString::fromUtf8("Evaluación Año 5€ ω"));
  auto* memo = widget<QPlainTextEdit>(w, 2);
  memo->setFocus();
  typeText(memo, QString::fromUtf8("Señor “Ñandú”"));
  EXPECT_TRUE(w.update());
  EXPECT_EQ(line, "Evaluaci\xF3n A\xF1o 5\x80 ?");  // no Windows-1252 byte for omega
  EXPECT_EQ(text.substr(0, text.find_last_not_of(' ') + 1), "Se\xF1or \x93\xD1\x61nd\xFA\x94");
  line = "Matem\xE1tica";
  w.display(1);
  EXPECT_EQ(entry->text(), QString::fromUtf8("Matemática"));
  w.close();
}

TEST_F(QtControls, ComboTakesTypedTextOrChosenRow) {
  WindowDef d;
  d.controls = {def(Ctl_Combo, "@s16", 4, 4, 80, 12), def(Ctl_Button, "OK", 90, 4, 40, 14)};
  d.controls[0].columns = parseListFormat("80L@s16@");
  Window w(d);
  std::string zoom = "100% Zoom";
  StringVar var(&zoom);
  TableRowSource rows;
  rows.rows = {{"Page Width"}, {"50% Zoom"}, {"200% Zoom"}};
  w.bind(1, &var);
  w.setRowSource(1, &rows);
  w.open();
  auto* combo = qobject_cast<QComboBox*>(QtBackend::controlWidget(w, 1));
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->currentText(), "100% Zoom");
  EXPECT_EQ(combo->count(), 3);
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "120");
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);  // completes it: no default button here
  Engine& e = Engine::current();
  ASSERT_TRUE(e.wait(w));
  while (e.event() != Event_Accepted) ASSERT_TRUE(e.wait(w));
  EXPECT_EQ(e.field(), 1);
  EXPECT_EQ(zoom, "120");
  emit combo->activated(2);  // the user picks the third row
  while (e.event() != Event_NewSelection) ASSERT_TRUE(e.wait(w));
  EXPECT_EQ(w.prop(1, Prop_Choice).toInt(), 3);
  EXPECT_TRUE(w.update(1));
  EXPECT_EQ(zoom, "200% Zoom       ");  // as the row's picture shows it
  EXPECT_EQ(combo->currentText(), "200% Zoom");
  w.close();
}

}  // namespace

namespace {

// Presses a key in the message box once it is up.
void answerWithKey(int key) {
  QTimer::singleShot(0, [key] {
    auto tryKey = std::make_shared<std::function<void()>>();
    *tryKey = [key, tryKey] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        QTest::keyClick(box, Qt::Key(key));
      else
        QTimer::singleShot(5, *tryKey);
    };
    (*tryKey)();
  });
}

TEST_F(QtControls, MessageBoxButtonsDefaultAndEscape) {
  rt::MessageRequest r;
  r.caption = "Record Update Error";
  r.text = "Do you want to try to save again?|Line two";
  r.icon = rt::Icon_Question;
  r.buttons = rt::Button_Yes + rt::Button_No + rt::Button_Cancel;
  r.defaultButton = rt::Button_Cancel;
  QTimer::singleShot(0, [] {
    std::shared_ptr<std::function<void()>> look = std::make_shared<std::function<void()>>();
    *look = [look] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return QTimer::singleShot(5, *look);
      EXPECT_EQ(box->text(), "Do you want to try to save again?\nLine two");
      EXPECT_EQ(box->buttons().size(), 3);
      EXPECT_EQ(box->defaultButton()->text(), "&Cancel");
      QTest::keyClick(box, Qt::Key_Escape);
    };
    (*look)();
  });
  EXPECT_EQ(rt::showMessage(r), rt::Button_Cancel);
  r.buttons = rt::Button_Yes + rt::Button_No;
  r.defaultButton = rt::Button_Yes;
  answerWithKey(Qt::Key_Escape);  // no Cancel: Esc answers No
  EXPECT_EQ(rt::showMessage(r), rt::Button_No);
  answerWithKey(Qt::Key_Return);  // Enter takes the default
  EXPECT_EQ(rt::showMessage(r), rt::Button_Yes);
  r.buttons = rt::Button_Ok;
  r.defaultButton = rt::Button_Ok;
  answerWithKey(Qt::Key_Escape);
  EXPECT_EQ(rt::showMessage(r), rt::Button_Ok);
}

}  // namespace

namespace {

TEST_F(QtControls, ImageShowsPictureFileAtControlSizeAndKnowsItsOwnSize) {
  namespace fs = std::filesystem;
  fs::path file = fs::temp_directory_path() / ("qv_page_" + std::to_string(::getpid()) + ".png");
  QImage page(200, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  ASSERT_TRUE(page.save(QString::fromStdString(file.string())));
  WindowDef d;
  d.width = 300, d.height = 300;
  d.controls = {def(Ctl_Image, file.string(), 10, 10, 100, 100)};
  Window w(d);
  w.open();
  QWidget* control = QtBackend::controlWidget(w, 1);
  auto* label = control->findChild<QLabel*>("picture");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->pixmap().size(), label->size());
  EXPECT_EQ(label->size(), control->size());
  auto* view = static_cast<qt::WindowView*>(QtBackend::windowWidget(w));
  EXPECT_EQ(w.prop(1, Prop_ImageWidth).toInt(), view->dluFromPx(200));
  EXPECT_EQ(w.prop(1, Prop_ImageHeight).toInt(), view->dluFromPy(300));
  w.setProp(1, Prop_Width, 150);  // zoom: the picture follows the control
  EXPECT_EQ(label->pixmap().width(), view->px(150));
  EXPECT_EQ(w.prop(1, Prop_Width).toInt(), 150);
  w.close();
  fs::remove(file);
}

// A zoomed page: the picture at its full size inside the control's area,
// scrolled by bars whose positions run 0..255 both ways; the right button
// released over it is an alert key.
TEST_F(QtControls, ImageDrawnAtFullSizeScrollsAndReportsTheRightRelease) {
  namespace fs = std::filesystem;
  fs::path file = fs::temp_directory_path() / ("qv_zoom_" + std::to_string(::getpid()) + ".png");
  QImage page(200, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  ASSERT_TRUE(page.save(QString::fromStdString(file.string())));
  WindowDef d;
  d.width = 300, d.height = 300;
  d.controls = {def(Ctl_Image, file.string(), 0, 0, 100, 100)};
  d.controls[0].alerts = {Mouse_Left};
  Window w(d);
  w.open();
  w.setProp(1, Prop_DrawWidth, 400);
  w.setProp(1, Prop_DrawHeight, 600);
  w.setProp(1, Prop_HScroll, 1);
  w.setProp(1, Prop_VScroll, 1);
  w.setProp(1, Prop_HScrollPos, 255);
  w.setProp(1, Prop_VScrollPos, 128);
  auto* area = dynamic_cast<QAbstractScrollArea*>(QtBackend::controlWidget(w, 1));
  ASSERT_NE(area, nullptr);
  auto* view = static_cast<qt::WindowView*>(QtBackend::windowWidget(w));
  auto* label = area->findChild<QLabel*>("picture");
  EXPECT_EQ(label->pixmap().size(), QSize(view->px(400), view->py(600)));
  QScrollBar* h = area->horizontalScrollBar();
  QScrollBar* v = area->verticalScrollBar();
  EXPECT_TRUE(h->isVisibleTo(area) && v->isVisibleTo(area));
  ASSERT_GT(h->maximum(), 0);
  EXPECT_EQ(h->value(), h->maximum());
  EXPECT_NEAR(v->value(), v->maximum() / 2, 2);
  // The user scrolls: the engine reads the position in 0..255.
  h->setValue(0);
  v->setValue(v->maximum());
  EXPECT_EQ(w.prop(1, Prop_HScrollPos).toInt(), 0);
  EXPECT_EQ(w.prop(1, Prop_VScrollPos).toInt(), 255);
  QTest::mouseRelease(label, Qt::RightButton, {}, QPoint(10, 10));
  Engine& e = Engine::current();
  while (e.wait(w) && e.event() != Event_AlertKey) {
  }
  EXPECT_EQ(e.field(), 1);
  EXPECT_EQ(e.keyCode(), Mouse_RightUp);
  w.close();
  fs::remove(file);
}

}  // namespace

namespace {

// Clicks through real widgets: a button click asks with Selecting before the
// focus moves, a click into an entry reports the mouse key, and a resize the
// program refuses puts the window back.
TEST_F(QtControls, ClicksAskBeforeTheFocusMovesAndARefusedResizeIsUndone) {
  WindowDef d;
  d.width = 200, d.height = 100;
  d.controls = {def(Ctl_Entry, "@s10", 4, 4, 60, 12), def(Ctl_Entry, "@s10", 4, 20, 60, 12),
                def(Ctl_Button, "OK", 4, 40, 40, 14)};
  Window w(d);
  w.open();
  QWidget* button = QtBackend::controlWidget(w, 3);
  auto* view = static_cast<qt::WindowView*>(QtBackend::windowWidget(w));
  constexpr int kDone = 0x7FF0;
  struct Got {
    int event, field, key;
  };
  std::vector<Got> got;
  bool refusedOnce = false;
  QTimer::singleShot(0, view, [&] { QTest::mouseClick(button, Qt::LeftButton); });
  {
    AcceptLoop loop(w);
    while (loop.next()) {
      Engine& e = Engine::current();
      if (e.event() == kDone) break;
      if (e.event() <= Event_Selecting || e.event() == Event_Size) got.push_back({e.event(), e.field(), e.keyCode()});
      if (e.event() == Event_Selecting && !refusedOnce) {
        // Refused: nothing is pressed and the focus stays; the second click goes through.
        refusedOnce = true;
        loop.cycle();
        EXPECT_EQ(QApplication::focusWidget(), QtBackend::controlWidget(w, 1));
        QTimer::singleShot(0, view, [&] { QTest::mouseClick(button, Qt::LeftButton); });
      } else if (e.event() == Event_Accepted && e.field() == 3) {
        QTimer::singleShot(0, view, [&] { QTest::mouseClick(QtBackend::controlWidget(w, 2), Qt::LeftButton); });
      } else if (e.event() == Event_Selected && e.field() == 2) {
        QTimer::singleShot(0, view, [&] { view->resize(view->width() + 60, view->height() + 40); });
      } else if (e.event() == Event_Size) {
        loop.cycle();
        e.post(kDone, 0, &w);
      }
    }
  }
  std::vector<std::vector<int>> seen;
  for (const Got& g : got) seen.push_back({g.event, g.field, g.key});
  std::vector<std::vector<int>> expected = {{Event_Selecting, 3, Mouse_Left}, {Event_Selecting, 3, Mouse_Left},
                                            {Event_Selected, 3, Mouse_Left},  {Event_Accepted, 3, Mouse_Left},
                                            {Event_Selected, 2, Mouse_Left},  {Event_Size, 0, Mouse_Left}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w.prop(0, Prop_Width).toInt(), 200);
  QCoreApplication::processEvents();
  EXPECT_NEAR(view->width(), view->px(200), 1);
  w.close();
}

}  // namespace

namespace {

// Keys typed at a window just before the program opens another one on top
// of it (the typist saw the form coming) go to the new window.
TEST_F(QtControls, KeysTypedBeforeAWindowOpensGoToTheNewWindow) {
  WindowDef d;
  d.controls = {def(Ctl_Entry, "@s10", 4, 4, 60, 12), def(Ctl_Button, "OK", 4, 20, 40, 14)};
  Window caller(d), form(d);
  caller.open();
  QWindow* typedAt = QtBackend::windowWidget(caller)->windowHandle();
  ASSERT_NE(typedAt, nullptr);
  for (int key : {Qt::Key_A, Qt::Key_N, Qt::Key_A, Qt::Key_Tab}) {
    QString text = key == Qt::Key_Tab ? QString() : QString(QChar(key)).toLower();
    QCoreApplication::postEvent(typedAt, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(typedAt, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
  }
  QCoreApplication::processEvents();  // the keys reach the caller's window and wait there
  std::string name;
  StringVar var(&name, 10);
  form.bind(1, &var);
  form.open(&caller);
  Engine& e = Engine::current();
  while (e.wait(form) && e.event() != Event_CloseDown && !(e.event() == Event_Accepted && e.field() == 1)) {
  }
  EXPECT_EQ(name, "ana       ");
  form.close();
  caller.close();
}

}  // namespace
