// Texts shown on screen come as UTF-8 (the program's captions) or as the
// school's files hold them (Windows-1252); both must read as the same letters.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <memory>
#include <string>

#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace {

TEST(DisplayText, Utf8AndWindows1252BothShowTheirLetters) {
  struct Case {
    const char* bytes;
    const char* shown;  // UTF-8
  } cases[] = {
      {"MATEM\xC3\x81TICA", "MATEM\xC3\x81TICA"},         // UTF-8 stays
      {"MATEM\xC1TICA", "MATEM\xC3\x81TICA"},             // Windows-1252 Á
      {"RODR\xCDGUEZ, Luc\xED" "a", "RODR\xC3\x8DGUEZ, Luc\xC3\xAD" "a"},
      {"Mu\xF1oz", "Mu\xC3\xB1oz"},
      {"\x80 5 \x93OK\x94", "\xE2\x82\xAC 5 \xE2\x80\x9COK\xE2\x80\x9D"},  // the 0x80-0x9F block
      {"\xC3", "\xC3\x83"},                               // a cut UTF-8 lead byte is a letter
      {"plain", "plain"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ui::qt::qs(c.bytes).toStdString(), c.shown) << c.bytes;
}

TEST(DisplayText, AVariableTextOfAutomaticSizeFollowsItsValue) {
  ui::qt::QtBackend backend;
  std::string value;
  ui::StringVar var(&value);
  ui::WindowDef d;
  ui::ControlDef t;
  t.type = ui::Ctl_VarText;
  t.text = "@s40";
  t.x = 4;
  t.y = 4;
  d.controls.push_back(t);
  ui::Window w(d);
  w.bind(1, &var);
  w.open();
  auto* label = qobject_cast<QLabel*>(ui::qt::QtBackend::controlWidget(w, 1));
  ASSERT_NE(label, nullptr);
  const int empty = label->width();
  value = "ESPECIALIDAD EN CIENCIAS NATURALES";
  w.display();
  EXPECT_GT(label->width(), empty);
  EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(QString::fromStdString(value)));
  EXPECT_EQ(label->text().trimmed().toStdString(), value);
  w.close();
}

}  // namespace
