#include "runtime/ui/qt/key_map.h"

#include <QKeyEvent>

#include "runtime/ui/key_codes.h"

namespace ui::qt {

namespace {

struct Pair {
  int qt;
  int code;
};

constexpr Pair kKeys[] = {
    {Qt::Key_Backspace, Key_Backspace}, {Qt::Key_Tab, Key_Tab},     {Qt::Key_Return, Key_Enter},
    {Qt::Key_Enter, Key_Enter},         {Qt::Key_Escape, Key_Esc},  {Qt::Key_Space, Key_Space},
    {Qt::Key_PageUp, Key_PageUp},       {Qt::Key_PageDown, Key_PageDown},
    {Qt::Key_End, Key_End},             {Qt::Key_Home, Key_Home},   {Qt::Key_Left, Key_Left},
    {Qt::Key_Up, Key_Up},               {Qt::Key_Right, Key_Right}, {Qt::Key_Down, Key_Down},
    {Qt::Key_Insert, Key_Insert},       {Qt::Key_Delete, Key_Delete},
    {Qt::Key_Menu, Key_Menu},
};

}  // namespace

int keyCode(const QKeyEvent& e) {
  int k = e.key();
  int base = 0;
  bool backtab = k == Qt::Key_Backtab;
  if (backtab) {
    base = Key_Tab;
  } else if (k >= Qt::Key_0 && k <= Qt::Key_9) {
    base = Key_0 + (k - Qt::Key_0);
  } else if (k >= Qt::Key_A && k <= Qt::Key_Z) {
    base = Key_A + (k - Qt::Key_A);
  } else if (k >= Qt::Key_F1 && k <= Qt::Key_F24) {
    base = Key_F1 + (k - Qt::Key_F1);
  } else {
    for (const Pair& p : kKeys)
      if (p.qt == k) base = p.code;
  }
  if (base == 0) return 0;
  Qt::KeyboardModifiers m = e.modifiers();
  int code = base;
  if ((m & Qt::ShiftModifier) || backtab) code += Key_Shift;
  if (m & Qt::ControlModifier) code += Key_Ctrl;
  if (m & Qt::AltModifier) code += Key_Alt;
  return code;
}

int qtKey(int code) {
  int base = keyBase(code);
  if (base >= Key_0 && base <= Key_0 + 9) return Qt::Key_0 + (base - Key_0);
  if (base >= Key_A && base <= Key_A + 25) return Qt::Key_A + (base - Key_A);
  if (base >= Key_F1 && base < Key_F1 + 24) return Qt::Key_F1 + (base - Key_F1);
  if (base == Key_Tab && (code & Key_Shift)) return Qt::Key_Backtab;
  for (const Pair& p : kKeys)
    if (p.code == base) return p.qt;
  return 0;
}

int qtModifiers(int code) {
  int m = Qt::NoModifier;
  if (code & Key_Shift) m |= Qt::ShiftModifier;
  if (code & Key_Ctrl) m |= Qt::ControlModifier;
  if (code & Key_Alt) m |= Qt::AltModifier;
  return m;
}

}  // namespace ui::qt
