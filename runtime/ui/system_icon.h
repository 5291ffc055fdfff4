// Standard system icons named in image and button icons. The framework
// passes icons as four-byte designators (byte 255, byte 1, a selector,
// byte 127, low byte first); such an icon is named "~SYSICON:<n>", n being
// the system icon number 32512 + selector - 1 (32513 hand, 32514 question,
// 32515 exclamation, 32516 asterisk).
#pragma once

#include <cstdint>
#include <string>

namespace ui {

// The name of a designator, empty when `designator` is not one.
std::string systemIconName(uint32_t designator);
// The system icon number a name stands for ("~" optional), 0 when none.
int systemIconNumber(const std::string& name);

}  // namespace ui
