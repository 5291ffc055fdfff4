#include "runtime/ui/key_codes.h"

namespace ui {

std::string keyName(int code) {
  switch (code) {
    case Mouse_Left: return "MouseLeft";
    case Mouse_Right: return "MouseRight";
    case Mouse_LeftDouble: return "MouseLeft2";
    case Mouse_RightDouble: return "MouseRight2";
    case Mouse_RightUp: return "MouseRightUp";
    default: break;
  }
  std::string s;
  if (code & Key_Ctrl) s += "Ctrl+";
  if (code & Key_Alt) s += "Alt+";
  if (code & Key_Shift) s += "Shift+";
  int base = keyBase(code);
  switch (base) {
    case Key_Backspace: return s + "Backspace";
    case Key_Tab: return s + "Tab";
    case Key_Enter: return s + "Enter";
    case Key_Esc: return s + "Esc";
    case Key_Space: return s + "Space";
    case Key_PageUp: return s + "PgUp";
    case Key_PageDown: return s + "PgDn";
    case Key_End: return s + "End";
    case Key_Home: return s + "Home";
    case Key_Left: return s + "Left";
    case Key_Up: return s + "Up";
    case Key_Right: return s + "Right";
    case Key_Down: return s + "Down";
    case Key_Insert: return s + "Insert";
    case Key_Delete: return s + "Delete";
    case Key_Menu: return s + "Menu";
    default: break;
  }
  if ((base >= '0' && base <= '9') || (base >= 'A' && base <= 'Z')) return s + char(base);
  if (base >= Key_F1 && base < Key_F1 + 24) return s + "F" + std::to_string(base - Key_F1 + 1);
  return s + "#" + std::to_string(base);
}

}  // namespace ui
