// The toolbar dispatcher of a window: routes the standard toolbar buttons
// (controls 3000 to 3019) to the current target, a browse list or an update
// form. This is the part the window manager relies on; the targets' own
// button handling (tips, which buttons are enabled, what each one does)
// belongs to the target classes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

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
  virtual void DisplayButtons() {}
  virtual void TakeToolbar() {}
  // 1 when the target took the toolbar.
  virtual uint8_t TryTakeToolbar() { return 0; }
  // vcrRequest may be null.
  virtual void TakeEvent(int32_t* /*vcrRequest*/, WindowManager& /*window*/) {}

  int32_t Control = 0;  // id the target was added under
  int32_t HelpButton = 0;
  int32_t InsertButton = 0;
  int32_t ChangeButton = 0;
  int32_t DeleteButton = 0;
  int32_t SelectButton = 0;
  int32_t LocateButton = 0;
};

// The toolbar target of an update form.
class ToolbarUpdateClass : public ToolbarTarget {
 public:
  uint8_t Request = 0;  // the request the form was started with
  uint8_t History = 0;  // the form has a history key
};

class ToolbarClass {
 public:
  struct Entry {
    int32_t Id = 0;
    ToolbarTarget* Item = nullptr;
  };

  virtual ~ToolbarClass() = default;

  virtual void DisplayButtons();
  virtual void Kill();
  // Passes the accepted control to the current target, when there is one.
  virtual void TakeEvent(int32_t* vcrRequest, WindowManager& window);

  void Init();
  // Stores the target under id (kept in order of id) and sets its Control.
  void AddTarget(ToolbarTarget* target, int32_t id);
  // A non-zero id makes that target current; 0 gives the toolbar to the
  // last target that accepts it.
  void SetTarget(int32_t id);
  ToolbarTarget* Current() const;

  std::unique_ptr<std::vector<Entry>> List;

 private:
  int current_ = -1;  // index into List
};

}  // namespace fw
