// System icon designators to names and back.
#include <gtest/gtest.h>

#include "runtime/core/message_presenter.h"
#include "runtime/ui/system_icon.h"

namespace {

TEST(SystemIcon, DesignatorsNameTheirIconAndOthersNothing) {
  EXPECT_EQ(ui::systemIconName(rt::Icon_Exclamation), "~SYSICON:32515");
  EXPECT_EQ(ui::systemIconName(rt::Icon_Question), "~SYSICON:32514");
  EXPECT_EQ(ui::systemIconName(0), "");
  EXPECT_EQ(ui::systemIconName(0x7F0301FE), "");  // first byte not 255
  struct Case {
    const char* name;
    int number;
  } cases[] = {{"~SYSICON:32515", 32515}, {"SYSICON:32513", 32513}, {"SYSICON:", 0},
               {"SYSICON:12x", 0},        {"SALIR", 0},             {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(ui::systemIconNumber(c.name), c.number) << c.name;
}

}  // namespace
