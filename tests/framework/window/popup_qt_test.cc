// The toolbox as a real window of the Qt back-end (offscreen), beside an
// owner window whose loop keeps running.
#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "framework/window/popup_class.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/window.h"

namespace {

TEST(PopupQt, ToolboxButtonsPressTheOwnersButtonsWhileItsLoopRuns) {
  ui::qt::QtBackend backend;
  ui::WindowDef d;
  for (const char* text : {"&Insert", "&Change"}) {
    ui::ControlDef b;
    b.type = ui::Ctl_Button;
    b.text = text;
    d.controls.push_back(b);
  }
  ui::Window owner(d);
  owner.open();
  fw::PopupClass popup;
  popup.Init();
  popup.AddItemMimic("&Insert", 1, "!&Insert");
  popup.AddItemMimic("&Change", 2, "!&Change");
  owner.disable(2);
  popup.Toolbox("Browse Actions");
  ui::Window* toolbox = popup.ToolboxWindow();
  ASSERT_NE(toolbox, nullptr);
  QWidget* view = ui::qt::QtBackend::windowWidget(*toolbox);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(view->windowTitle(), "Browse Actions");
  auto* insert = qobject_cast<QPushButton*>(ui::qt::QtBackend::controlWidget(*toolbox, 1));
  auto* change = qobject_cast<QPushButton*>(ui::qt::QtBackend::controlWidget(*toolbox, 2));
  ASSERT_TRUE(insert && change);
  EXPECT_EQ(insert->text(), "&Insert");
  EXPECT_FALSE(change->isEnabled());
  EXPECT_TRUE(owner.enabled(1));  // the owner is not held while the toolbox is open

  ui::Engine& e = ui::Engine::current();
  QObject context;
  QTimer::singleShot(20, &context, [&] { insert->click(); });
  QTimer::singleShot(5000, &context, [&] { e.post(ui::Event_CloseDown, 0, &owner); });
  int event = 0, control = 0;
  while (e.wait(owner)) {
    if (e.event() == ui::Event_Accepted || e.event() == ui::Event_CloseDown) {
      event = e.event(), control = e.field();
      break;
    }
  }
  EXPECT_EQ(std::make_pair(event, control), std::make_pair(int(ui::Event_Accepted), 1));

  // The change button comes on; the toolbox follows on its next timer tick.
  owner.enable(2);
  QTimer::singleShot(5000, &context, [&] { e.post(ui::Event_CloseDown, 0, &owner); });
  QTimer::singleShot(20, &context, [&] {
    QTimer* poll = new QTimer(&context);
    QObject::connect(poll, &QTimer::timeout, [&] {
      if (change->isEnabled()) change->click();
    });
    poll->start(20);
  });
  event = control = 0;
  while (e.wait(owner)) {
    if (e.event() == ui::Event_Accepted || e.event() == ui::Event_CloseDown) {
      event = e.event(), control = e.field();
      break;
    }
  }
  EXPECT_EQ(std::make_pair(event, control), std::make_pair(int(ui::Event_Accepted), 2));
  QPointer<QWidget> shown(view);
  popup.Kill();
  EXPECT_TRUE(shown.isNull());  // Kill closed the toolbox window
  owner.close();
}

}  // namespace
