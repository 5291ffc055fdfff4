// Qt key events to the engine's key codes and back.
#pragma once

class QKeyEvent;

namespace ui::qt {

// 0 when the key has no code (a lone modifier, an unknown key).
int keyCode(const QKeyEvent& event);
// Qt key and modifiers for a key code, for pressing keys and for tests.
int qtKey(int code);
int qtModifiers(int code);

}  // namespace ui::qt
