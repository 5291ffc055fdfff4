// Key codes: Windows virtual-key numbers with Shift 0x100, Ctrl 0x200 and
// Alt 0x400 added; mouse buttons have codes of their own.
#pragma once

#include <string>

namespace ui {

constexpr int Key_Shift = 0x100;
constexpr int Key_Ctrl = 0x200;
constexpr int Key_Alt = 0x400;

enum Key : int {
  Key_None = 0,
  Mouse_Left = 1,
  Mouse_Right = 2,
  Mouse_LeftDouble = 5,
  Mouse_RightDouble = 6,
  Mouse_RightUp = 130,
  Key_Backspace = 8,
  Key_Tab = 9,
  Key_Enter = 13,
  Key_Esc = 27,
  Key_Space = 32,
  Key_PageUp = 33,
  Key_PageDown = 34,
  Key_End = 35,
  Key_Home = 36,
  Key_Left = 37,
  Key_Up = 38,
  Key_Right = 39,
  Key_Down = 40,
  Key_Insert = 45,
  Key_Delete = 46,
  Key_0 = 48,
  Key_A = 65,
  Key_Menu = 93,
  Key_F1 = 112,
  Key_ShiftTab = Key_Shift + Key_Tab,      // 265
  Key_ShiftEnter = Key_Shift + Key_Enter,  // 269
  Key_CtrlEnter = Key_Ctrl + Key_Enter,    // 525
};

inline int keyBase(int code) { return code & 0xFF; }
inline bool isMouseKey(int code) {
  return code == Mouse_Left || code == Mouse_Right || code == Mouse_LeftDouble ||
         code == Mouse_RightDouble || code == Mouse_RightUp;
}
// A letter or digit key: 'A'..'Z' or '0'..'9' with modifiers.
inline int charKey(char c, int mods = 0) {
  if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return int(static_cast<unsigned char>(c)) + mods;
}

// "Ctrl+Shift+Tab"-style name, for logs and test messages.
std::string keyName(int code);

}  // namespace ui
