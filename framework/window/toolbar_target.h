// A target of the standard toolbar: the object that the toolbar buttons
// (controls 3000 to 3019) act on while it is current. Browse lists and
// update forms derive their own targets from it.
#pragma once

#include <cstdint>

namespace ui {
class Window;
}

namespace fw {

class WindowManager;

// Toolbar controls.
inline constexpr int32_t Toolbar_First = 3000;
inline constexpr int32_t Toolbar_Insert = 3001;
inline constexpr int32_t Toolbar_Change = 3002;
inline constexpr int32_t Toolbar_Delete = 3003;
inline constexpr int32_t Toolbar_Select = 3004;
inline constexpr int32_t Toolbar_Bottom = 3005;
inline constexpr int32_t Toolbar_Top = 3006;
inline constexpr int32_t Toolbar_PageDown = 3007;
inline constexpr int32_t Toolbar_PageUp = 3008;
inline constexpr int32_t Toolbar_Down = 3009;
inline constexpr int32_t Toolbar_Up = 3010;
inline constexpr int32_t Toolbar_Locate = 3011;
inline constexpr int32_t Toolbar_History = 3012;
inline constexpr int32_t Toolbar_Help = 3013;
inline constexpr int32_t Toolbar_Last = 3019;

class ToolbarTarget {
 public:
  virtual ~ToolbarTarget() = default;
  // Enables the toolbar's insert, change, delete, select, help and locate
  // buttons when the target's own button exists and is enabled.
  virtual void DisplayButtons();
  virtual void TakeToolbar() {}
  // 1 when the target took the toolbar.
  virtual uint8_t TryTakeToolbar() { return 0; }
  // Help presses F1; insert, change and delete press the target's own
  // buttons. vcrRequest may be null.
  virtual void TakeEvent(int32_t* vcrRequest, WindowManager& window);

  int32_t Control = 0;  // id the target was added under (a list: its control)
  int32_t HelpButton = 0;
  int32_t InsertButton = 0;
  int32_t ChangeButton = 0;
  int32_t DeleteButton = 0;
  int32_t SelectButton = 0;
  int32_t LocateButton = 0;
  // The window manager whose window holds the toolbar and the target's
  // buttons; the toolbar fills it in when the target is added.
  WindowManager* Window = nullptr;

 protected:
  // The open window of Window, nullptr when none.
  ui::Window* Win() const;
  // Enables or disables `control` when it exists.
  void Enable(int32_t control, bool on) const;
  // The button exists and is not disabled.
  bool Usable(int32_t button) const;
};

}  // namespace fw
