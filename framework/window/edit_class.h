// The editor of one browse column during an edit in place: it creates the
// entry laid over the cell, binds it to the row's field, gives it the
// column's picture and turns keys into edit actions for EIPManager.
//
//   class EditGrade : public fw::EditEntryClass {
//     uint8_t TakeEvent(int event) override {
//       uint8_t action = EditEntryClass::TakeEvent(event);
//       ... recompute the row's derived fields (UseVar is the row field) ...
//       return action;
//     }
//   };
//   browse.AddEditControl(&grade, 3);       // column whose field number is 3
//
// TakeAccepted copies the typed text into the row field through the
// column's picture. A text the picture cannot hold is refused: a message
// names the value and the picture, the field keeps its value and the action
// becomes EditAction_None, so the edit stays in that cell.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/core/file_field.h"

namespace ui {
class UseVar;
class Window;
}  // namespace ui

namespace fw {

// Edit actions: what a key asks of the edit.
inline constexpr uint8_t EditAction_None = 0;
inline constexpr uint8_t EditAction_Forward = 1;   // Tab: next column
inline constexpr uint8_t EditAction_Backward = 2;  // Shift+Tab: previous column
inline constexpr uint8_t EditAction_Complete = 3;  // Enter: complete the row
inline constexpr uint8_t EditAction_Cancel = 4;    // Esc: cancel the row
inline constexpr uint8_t EditAction_Next = 5;      // Down: next row
inline constexpr uint8_t EditAction_Previous = 6;  // Up: previous row

class EditClass {
 public:
  EditClass();
  virtual ~EditClass();
  EditClass(const EditClass&) = delete;
  EditClass& operator=(const EditClass&) = delete;

  // Makes Feq (base: nothing; a derived class creates the control).
  virtual void CreateControl() {}
  // Creates the control for list column `column`, bound to `rowField` and
  // with the column's picture; it is not laid over the list yet.
  virtual void Init(int32_t column, int32_t listControl, const rt::FieldRef& rowField);
  virtual void Kill();
  // Tab, Shift+Tab, Enter, Esc, Down and Up in alerted-key slots 1 to 6.
  virtual void SetAlerts();
  virtual void SetReadOnly(uint8_t flag);
  // Screen value into the row field; returns `action` (EditAction_None
  // when the picture refused the value).
  virtual uint8_t TakeAccepted(uint8_t action);
  virtual uint8_t TakeEvent(int event);
  virtual int32_t GetFeq() { return Feq; }
  // 1: place the control again even in the same column.
  virtual uint8_t ResetControl() { return 0; }

  int32_t Feq = 0;
  rt::FieldRef UseVar;  // the row column being edited
  int32_t ListBoxFeq = 0;
  uint8_t ReadOnly = 0;
  int32_t FieldNo = 0;
  uint8_t Req = 0;

  // The window the list is on; set by the edit-in-place manager before
  // Init (default: the window of the event being handled).
  ui::Window* Win = nullptr;

 protected:
  ui::Window* ListWindow() const;

 private:
  std::unique_ptr<ui::UseVar> var_;  // binds UseVar to the control
};

}  // namespace fw
