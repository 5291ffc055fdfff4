// The object that runs one window procedure. The procedure derives its own
// class, sets Request and calls Run, which calls Init, Ask (the event loop)
// and Kill, and returns the response:
//
//   class ThisWindow : public fw::WindowManager {
//     fw::Level Init() override {
//       fw::Level r = WindowManager::Init();
//       if (r != fw::Level::Benign) return r;
//       FirstField = 1; Errors = &GlobalErrors; Primary = &Relate_ITEMS;
//       ... open files; r = PrimeUpdate(); if (r != Benign) return Notify;
//       Open(window);  AddItem(&browse);  SetAlerts();
//       return fw::Level::Benign;
//     }
//   };
//
// Every event goes through TakeEvent in a fixed order: window events, then
// accepted/rejected/selected/new-selection/alert-key, field events, the
// registered components in registration order, and the auto-refresh check.
// A handler's Level decides what follows: Benign lets the window engine do
// its default processing, Notify consumes the event, Fatal ends the loop.
//
// For update forms (a window that inserts, changes, views or deletes one
// record of Primary) the class owns the save protocol: what runs when the
// window completes, retries, the question on cancel, adding one record
// after another, and the field history ("ditto") key.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/level.h"
#include "framework/window/request_codes.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_component.h"

namespace rt {
class FileControlBlock;
}
namespace ui {
class Window;
}

namespace fw {

class ErrorClass;
class FileManager;
class RelationManager;
class ToolbarUpdateClass;

// The framework's own resize event, posted after every "EVENT:Sized".
inline constexpr int Event_Resize = 1023;

class WindowManager {
 public:
  struct ComponentEntry {
    int32_t Type = 0;  // 0: a plain window component
    WindowComponent* WC = nullptr;
  };
  struct ButtonEntry {
    int32_t Control = 0;
    uint8_t Action = 0;  // a response code
  };
  struct UpdateFileEntry {
    FileManager* Manager = nullptr;
    uint16_t Saved = 0;
  };
  struct FieldHistoryEntry {
    rt::FileControlBlock* FRecord = nullptr;  // the file's record buffer
    std::vector<uint8_t>* SRecord = nullptr;  // a save buffer of the same size
    int32_t Control = 0;
    int32_t FieldNo = 0;  // 1-based position in the file's field list
  };

  WindowManager() = default;
  // Kills the manager when that has not happened.
  virtual ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // --- Virtual operations ----------------------------------------------
  virtual void Ask();
  virtual Level Init();
  virtual Level Kill();
  virtual void Open();
  virtual void Open(ui::Window& window, ui::Window* owner = nullptr);
  // Fills a newly primed record; may set Response to Response_Cancelled
  // to refuse the insert.
  virtual void PrimeFields() {}
  virtual Level PrimeUpdate();
  virtual void Reset(uint8_t force = 0);
  virtual void RestoreField(int32_t control);
  virtual uint8_t Run();
  // Calls update procedure `number` with `request`; windows that call
  // update procedures override it.
  virtual uint8_t Run(uint16_t number, uint8_t request);
  virtual void SetAlerts();
  virtual void SetResponse(uint8_t response);
  virtual Level TakeAccepted();
  virtual Level TakeCompleted();
  virtual Level TakeCloseEvent();
  virtual Level TakeEvent();
  virtual Level TakeFieldEvent() { return Level::Benign; }
  virtual Level TakeNewSelection();
  virtual Level TakeNotify(int code, int id, long long parameter);
  virtual Level TakeRejected();
  virtual Level TakeSelected() { return Level::Benign; }
  virtual Level TakeWindowEvent();
  virtual void Update();
  virtual void TakeDisableButton(int32_t control, bool disable);
  virtual Level InsertAction();
  virtual Level ChangeAction();
  virtual Level DeleteAction();
  virtual Level SaveOnChangeAction();
  virtual Level SaveOnInsertAction();

  // --- Plain operations ------------------------------------------------
  void AddItem(WindowComponent* component);
  // Attaches the toolbar and initialises it.
  void AddItem(ToolbarClass* toolbar);
  // The form's own toolbar target: id -1, made current at once.
  void AddItem(ToolbarUpdateClass* target);
  // Pressing `control` ends the window with response `action`.
  void AddItem(int32_t control, uint8_t action);
  void AddUpdateFile(FileManager* manager);
  // The following AddHistoryField calls refer to this record and save buffer.
  void AddHistoryFile(rt::FileControlBlock& record, std::vector<uint8_t>& save);
  void AddHistoryField(int32_t control, int32_t fieldNo);
  void RemoveItem(WindowComponent* component);
  void ResetBuffers(uint8_t force);
  void SaveHistory();
  void PostCompleted();
  void DisableCancelControls();
  void EnableCancelControls();

  // --- Fields ----------------------------------------------------------
  // The action bytes InsertAction_, ChangeAction_ and DeleteAction_ carry
  // an underscore: their plain names are the operations above.
  uint8_t AutoRefresh = 1;
  uint8_t AutoToolbar = 1;
  std::unique_ptr<std::vector<ButtonEntry>> Buttons;
  std::unique_ptr<std::vector<ComponentEntry>> CL;
  uint8_t CancelAction = 3;  // bit 0: offer to save; bit 1: ask before saving
  uint8_t ChangeAction_ = 2;  // after a change: 2 close, 3 stay open, 1 (views) nothing
  uint8_t Dead = 0;
  uint8_t DeleteAction_ = 2;  // 2 delete with confirmation, 4 without, 1 (views) nothing
  uint8_t BatchProcessing = 0;
  ErrorClass* Errors = nullptr;
  std::unique_ptr<std::vector<UpdateFileEntry>> Files;
  uint8_t FilesOpened = 0;
  int32_t FirstField = 0;
  uint8_t ForcedReset = 0;
  std::unique_ptr<std::vector<FieldHistoryEntry>> History;
  int32_t HistoryKey = 0;
  uint8_t Inited = 0;  // bit 0: Open has run; bit 1: the first "EVENT:Sized" was seen
  uint8_t InsertAction_ = 2;  // after an insert: 2 close, 3 stay, 4 ask (message 3), 1 nothing
  std::string LastInsertedPosition;  // empty: none
  int32_t OKControl = 0;
  int32_t SaveControl = 0;
  uint8_t DisableCancelButton = 0;
  uint8_t Opened = 0;
  uint8_t OriginalRequest = 0;
  uint8_t RecordSaved = 0;
  uint8_t BeforeSaveRequest = 0;
  RelationManager* Primary = nullptr;
  uint8_t Request = 0;
  uint8_t ResetOnGainFocus = 0;
  uint8_t Response = 0;
  uint16_t Saved = 0;
  ToolbarClass* Toolbar = nullptr;
  int32_t* VCRRequest = nullptr;
  ui::Window* MyWindow = nullptr;
  ui::Window* OwnerWindow = nullptr;

  // The window this manager works on: MyWindow, or for a manager that
  // opens none (edit-in-place) the window its loop runs on, which is the
  // window of the event being handled when the loop starts.
  ui::Window* LoopWindow() const;

 protected:
  // Posts to this window (dropped when it is not open).
  void Post(int event, int control = 0);
  void Select(int32_t control);
  void Display();
  // Releases the primary file's saved buffer and takes a new one.
  void TakeNewSaved();
  // Readies the form for the next record after a saved insert: remembers
  // the inserted record, refreshes the update files' saved buffers,
  // restores the primary record from Saved when asked, and numbers it.
  void PrimeNextRecord(bool restorePrimary);
  // Writes the changed primary record, retrying while the user answers Yes
  // to message 37. `written`: a changed record was written; `answer`: No or
  // Cancel when the write failed and the user gave up (0 otherwise).
  Level WriteChanges(bool* written, uint32_t* answer);
  // Asks message `id` with Yes, No and Cancel, Cancel being the default.
  uint32_t AskYesNoCancel(uint16_t id);
  bool PendingNavigation() const { return VCRRequest && *VCRRequest != 0; }

 private:
  ui::Window* loopWindow_ = nullptr;  // the window Ask runs on, for a manager without MyWindow
  bool scopeOpen_ = false;  // a binding scope of this manager is pushed
  FieldHistoryEntry pendingHistory_;  // file and save buffer of the next history fields
};

}  // namespace fw
