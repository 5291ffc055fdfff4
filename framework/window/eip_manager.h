// Edit in place: one edit of a list row is one Run of this manager. Init
// prepares the row and lays the first editor over its cell, the inherited
// Ask runs a nested event loop on the list's window (the manager opens no
// window), Kill takes the editors down and posts again the event that ended
// the edit, so that the procedure's own loop sees it.
//
// The editors are the edit list's (EQ, one entry per list column; a column
// without an editor or whose Prop_ColEditable is 0 is skipped and shown
// grey). Keys become actions (EditClass::TakeEvent): Tab and Shift+Tab move
// between editable columns, Enter, Esc, Up and Down and leaving the row
// complete it as the four action bytes say:
//
//   low three bits  Tab: 1 save, 2 abandon, other ask (no byte: save)
//                   Enter, Arrow, FocusLoss: 0 or 1 save, 2 abandon, other ask
//   8               Tab, Enter, Arrow: when the edit ended, ask the window
//                   for the next (Up: previous) row through VCRRequest
//   16              Arrow: the next edit starts in the same column
//
// Resizing, minimising and maximising are refused while a cell is edited.
// BrowseEIPManager ties it to a browse.
#pragma once

#include <cstdint>

#include "framework/window/edit_queue.h"
#include "framework/window/window_manager.h"

namespace fw {

class FieldPairsClass;

// Completion choices (message box button codes).
inline constexpr uint8_t Completion_Ask = 0;
inline constexpr uint8_t Completion_Save = 2;
inline constexpr uint8_t Completion_Abandon = 4;
inline constexpr uint8_t Completion_KeepEditing = 64;

// Flags of the row action bytes.
inline constexpr uint8_t RowAction_Navigate = 8;
inline constexpr uint8_t RowAction_SameColumn = 16;

class EIPManager : public WindowManager {
 public:
  using WindowManager::Run;
  using WindowManager::TakeCompleted;

  Level Init() override;
  Level Kill() override;
  Level TakeEvent() override;
  Level TakeFieldEvent() override;
  Level TakeNewSelection() override;

  virtual void ClearColumn();
  virtual void InitControls();
  virtual bool GetEdit();
  virtual void ResetColumn();
  // 1 when every editor's value may be kept; otherwise the edit is back in
  // the first refused column.
  virtual uint8_t TakeAcceptAll();
  virtual void TakeAction(uint8_t action);
  virtual void TakeCompleted(uint8_t choice);
  virtual void TakeFocusLoss();

  // One edit with `request` (Request_Insert, _Change or _Delete); returns
  // Response_Completed or Response_Cancelled.
  uint8_t Run(uint8_t request);
  // Moves Column to an editable column in the direction of SeekForward.
  void Next();
  void AddControl(EditClass* control, int32_t field, bool free = false);

  uint8_t Again = 0;
  uint8_t* Arrow = nullptr;
  int32_t Column = 0;
  uint8_t* Enter = nullptr;
  EditQueue* EQ = nullptr;
  FieldPairsClass* Fields = nullptr;
  uint8_t* FocusLoss = nullptr;
  uint8_t Insert = 0;  // 10: after the last row; 9: in place of the highlighted row; else after it
  int32_t ListControl = 0;
  int32_t LastColumn = 0;
  int32_t Repost = 0;
  int32_t RepostField = 0;
  uint8_t Req = 0;
  uint8_t SeekForward = 0;
  uint8_t* Tab = nullptr;
  uint8_t MouseLeftIndex = 0;

 protected:
  // The entry of list column `column`, nullptr when none.
  EditQueueEntry* EntryOf(int32_t column);
  // Completes the row as `byte` says (see above); `tab` reads Tab's table.
  void CompleteBy(const uint8_t* byte, bool tab);
  void SetNavigation(int32_t request);
};

}  // namespace fw
