// The standard toolbar buttons (3000-3019) as a Qt tool bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/standard_toolbar.h"
#include "runtime/ui/window.h"

namespace {

using namespace ui;
using qt::QtBackend;

class QtToolbar : public ::testing::Test {
 protected:
  QtToolbar() {
    WindowDef d;
    ControlDef entry;
    entry.type = Ctl_Entry;
    entry.text = "@s10";
    entry.x = 4;
    entry.y = 4;
    entry.width = 60;
    entry.height = 10;
    d.controls.push_back(entry);
    addStandardToolbar(d);
    window = std::make_unique<Window>(d);
    window->open();
    bar = QtBackend::windowWidget(*window)->findChild<QToolBar*>("qv_toolbar");
  }
  ~QtToolbar() override { window->close(); }
  QAction* action(int control) {
    for (QAction* a : bar->actions())
      if (a->property("qv_control").toInt() == control) return a;
    return nullptr;
  }

  QtBackend backend;
  std::unique_ptr<Window> window;
  QToolBar* bar = nullptr;
};

TEST_F(QtToolbar, ButtonsShowInOrderWithIconsAndTipsAboveTheControls) {
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 13);
  for (int i = 0; i < 13; ++i) {
    QAction* a = bar->actions()[i];
    EXPECT_EQ(a->property("qv_control").toInt(), 3001 + i);
    EXPECT_FALSE(a->icon().isNull()) << 3001 + i;
    EXPECT_FALSE(a->isEnabled()) << 3001 + i;  // until a target enables it
  }
  EXPECT_EQ(action(3009)->toolTip(), "Go to the Next Record");
  // The window's own controls sit under the tool bar.
  QWidget* entry = QtBackend::controlWidget(*window, 1);
  EXPECT_GE(entry->geometry().top(), bar->geometry().bottom());
}

TEST_F(QtToolbar, StateFollowsTheControlAndAPressIsAccepted) {
  window->enable(3009);
  window->setProp(3009, Prop_Tip, std::string("Save changes and go to next record"));
  window->hide(3012);
  window->destroy(3013);
  EXPECT_TRUE(action(3009)->isEnabled());
  EXPECT_EQ(action(3009)->toolTip(), "Save changes and go to next record");
  EXPECT_FALSE(action(3012)->isVisible());
  EXPECT_EQ(action(3013), nullptr);
  EXPECT_EQ(bar->actions().size(), 12);

  Engine& e = Engine::current();
  QTimer::singleShot(0, [&] { qobject_cast<QToolButton*>(bar->widgetForAction(action(3009)))->click(); });
  QTimer::singleShot(5000, [&] { e.post(Event_CloseDown, 0, window.get()); });
  int event = 0, control = 0;
  AcceptLoop loop(*window);  // a click arrives as "Selecting"; the loop presses
  while (loop.next()) {
    if (e.event() == Event_Accepted || e.event() == Event_CloseDown) {
      event = e.event();
      control = e.field();
      break;
    }
  }
  EXPECT_EQ(event, Event_Accepted);
  EXPECT_EQ(control, 3009);
}

}  // namespace
