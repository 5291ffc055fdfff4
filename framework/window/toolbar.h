// The toolbar dispatcher of a window: routes the standard toolbar buttons
// (controls 3000 to 3019) to the current target, a browse list
// (ToolbarListBoxClass) or an update form (ToolbarUpdateClass). The current
// target also decides which toolbar buttons are enabled and their tips.
//
//   fw::ToolbarClass toolbar;
//   window.AddItem(&toolbar);                 // Init; targets act on window
//   toolbar.AddTarget(&listTarget, listCtl);  // browses do this themselves
//   toolbar.SetTarget(0);                     // the last visible list wins
//
// What each button does, by target:
//   3001 insert     list: presses its insert button   form: save, add another
//   3002 change     list: presses its change button   form: disabled
//   3003 delete     list: presses its delete button   form: disabled
//   3004 select     list: selects and closes          form: disabled
//   3005..3010      list: bottom, top, page down, page up, down, up posted as
//                   scroll events to the list         form: save and move there
//   3011 locate     list: "EVENT:Locate" to the list  form: disabled
//   3012 history    list: disabled                    form: field history
//   3013 help       both: presses F1
// A form completes itself (the save protocol) with the pressed button stored
// as the navigation request. ui::addStandardToolbar gives a window
// definition the buttons themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/window/toolbar_target.h"

namespace fw {

class WindowManager;

class ToolbarClass {
 public:
  struct Entry {
    int32_t Id = 0;
    ToolbarTarget* Item = nullptr;
  };

  virtual ~ToolbarClass() = default;

  // Lets the current target enable its buttons; asserts without one.
  virtual void DisplayButtons();
  virtual void Kill();
  // Passes the accepted control to the current target, when there is one.
  virtual void TakeEvent(int32_t* vcrRequest, WindowManager& window);

  void Init();
  // Stores the target under id (kept in order of id) and sets its Control;
  // a target without a window manager gets the toolbar's.
  void AddTarget(ToolbarTarget* target, int32_t id);
  // A non-zero id makes that target current and lets it take the toolbar;
  // 0 asks every target in order and the last that accepts becomes current.
  void SetTarget(int32_t id);
  ToolbarTarget* Current() const;

  std::unique_ptr<std::vector<Entry>> List;
  // The window manager the toolbar is attached to (WindowManager::AddItem).
  WindowManager* Window = nullptr;

 private:
  int current_ = -1;  // index into List
};

}  // namespace fw
