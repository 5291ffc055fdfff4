// A browse list: the records of a view shown one page at a time in a list
// control. Only the rows the list shows are held (the page buffer, each row
// with the driver position of its record); scrolling, the locator and the
// thumb move that page through the view. The browse also owns the list's
// record buttons (insert, change, delete, view, select, print), their keys
// and popup entries, runs the update procedure for an action and reloads
// the page afterwards with the edited record on the same screen row.
//
//   class BRW1 : public fw::BrowseClass { ... };        // overrides Init, SetAlerts ...
//   // in the window's Init, after Open(window):
//   brw.Init(LIST, &queue, &view, &Relate_GRADES, this);  // registers with the window
//   brw.AddSortOrder(nullptr, KEY_SUBJECT_STUDENT);
//   brw.AddRange(subjectField, chosenSubject);
//   brw.AddLocator(&locator);
//   brw.AddField(access.ref(NAME), queue.Field(1));
//   brw.InsertControl = INSERT; brw.ChangeControl = CHANGE; brw.DeleteControl = DELETE;
//   brw.AskProcedure = 1;                                  // update form run by Window.Run(1, request)
//   SetAlerts();                                           // also the browse's
//
// The window's first Reset loads the first page (ResetSort). The list
// control should be declared immediate (navigation keys post scroll events)
// with a vertical scroll bar for the thumb.
//
// The page buffer is reached through BrowseQueue and the list through
// IListControl (browse_queue.h); the window component face the window
// manager drives is Component().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/field_pairs.h"
#include "framework/data/view_manager.h"
#include "framework/window/popup_class.h"
#include "framework/window/browse_queue.h"
#include "framework/window/edit_queue.h"
#include "framework/window/window_component.h"

namespace ui {
class Window;
}

namespace fw {

class BrowseEIPManager;
class EditClass;
class LocatorClass;
class RecordQueue;
class StandardBehavior;
class StepClass;
class ToolbarClass;
class ToolbarListBoxClass;
class WindowManager;

// The browse's sort order: the view's, with a locator, reset fields and a step.
struct BrowseSortOrder : SortOrder {
  LocatorClass* Locator = nullptr;
  std::unique_ptr<FieldPairsClass> Resets;
  StepClass* Thumb = nullptr;
};

class BrowseClass : public ViewManager {
 public:
  BrowseClass();
  ~BrowseClass() override;

  // --- Set-up ---------------------------------------------------------------
  // Over a RecordQueue shown by list control `listControl` of the window.
  void Init(int32_t listControl, RecordQueue* queue, rt::View* view, RelationManager* primary,
            WindowManager* window);
  void Init(IListControl* list, rt::View* view, BrowseQueue* queue, RelationManager* primary,
            WindowManager* window);
  // Adds a sort order on `key` (-1: none) with an optional step; returns the
  // number of sort orders.
  size_t AddSortOrder(StepClass* step, int key);
  using ViewManager::AddSortOrder;
  void AddLocator(LocatorClass* locator);
  // A displayed column: `queueField` takes the value of `recordField`.
  void AddField(const rt::FieldRef& recordField, const rt::FieldRef& queueField);
  // A field whose change reloads the list (saved by UpdateResets).
  void AddResetField(const rt::FieldRef& field);
  // Makes the list a target of the window's toolbar, under the list's control number.
  void AddToolbarTarget(ToolbarClass* toolbar);
  // Gives the toolbar target the browse's buttons and makes it current.
  void UpdateToolbarButtons();
  // Edits the column whose field number is `field` with `control` (nullptr:
  // the column is not edited); with `free` the browse deletes the control.
  void AddEditControl(EditClass* control, int32_t field, bool free = false);
  // Makes the edit-in-place manager (unless EIP was assigned) and ties it
  // to this browse's action bytes, edit list, fields and window.
  void CheckEIP();

  // --- ViewManager overrides ---------------------------------------------------
  bool ApplyRange() override;
  void Kill() override;
  void Reset(int locate) override;
  void Reset() override;
  Level Next() override;
  Level Previous() override;

  // --- Virtual operations ------------------------------------------------------
  virtual uint8_t Ask(uint8_t request);
  // Edit in place; without an edit-in-place manager nothing is edited.
  virtual uint8_t AskRecord(uint8_t request);
  // Reads ItemsToFill rows: 1 backwards (inserted at the top), 2 forwards.
  virtual void Fetch(uint8_t direction);
  virtual bool InitSort(size_t order);
  // Raises message 9 for the record that could not be re-read; true.
  virtual bool NotifyUpdateError();
  virtual void ResetFromAsk(uint8_t& request, uint8_t& response);
  virtual void ResetFromBuffer();
  virtual void ResetFromFile();
  virtual void ResetFromView();
  // 1: re-read the page from its first record; 2: load it from the record
  // the view is positioned at.
  virtual void ResetQueue(uint8_t mode);
  virtual bool ResetSort(bool force);
  virtual void ScrollEnd(int event);
  virtual void ScrollOne(int event);
  virtual void ScrollPage(int event);
  virtual void SetAlerts();
  virtual void SetQueueRecord();
  virtual bool SetSort(size_t order, bool force);
  using ViewManager::SetSort;
  virtual void SetUsePopup(bool flag) { UsePopup = flag; }
  virtual void SetUseMRP(bool flag) { UseMRP = flag; }
  virtual bool GetUseMRP() { return UseMRP; }
  virtual void TakeAcceptedLocator();
  virtual void TakeEvent();
  virtual bool TakeKey();
  virtual void TakeLocate() {}
  virtual void TakeNewSelection();
  // event 0: the current event.
  virtual void TakeScroll(int event = 0);
  virtual void TakeVCRScroll(int32_t code);
  virtual void UpdateBuffer();
  virtual void UpdateResets();
  virtual void UpdateThumb();
  virtual void UpdateThumbFixed();
  virtual void UpdateViewRecord();
  virtual void UpdateWindow();

  // --- Plain operations ----------------------------------------------------------
  int32_t Records();
  void PostNewSelection();
  void ResetThumbLimits();
  void ResetResets();
  void TakeChoiceChanged();
  BrowseSortOrder* CurrentSort() const;
  WindowComponent* Component() { return &component_; }

  // --- Fields ---------------------------------------------------------------------
  bool ActiveInvisible = false;
  bool AllowUnfilled = false;
  uint8_t ArrowAction = 0;
  uint8_t DeleteAction = 0;
  BrowseEIPManager* EIP = nullptr;
  std::unique_ptr<EditQueue> EditList;
  bool FreeEIP = false;
  int32_t AskProcedure = 0;
  std::unique_ptr<StandardBehavior> Behavior;
  uint16_t Buffer = 0;
  int32_t ChangeControl = 0;
  int32_t CurrentChoice = 0;
  int32_t CurrentEvent = 0;
  int32_t DeleteControl = 0;
  uint8_t EnterAction = 0;
  std::unique_ptr<FieldPairsClass> Fields;
  bool FileLoaded = false;
  bool UseMRP = true;
  uint8_t FocusLossAction = 0;
  bool HasThumb = false;
  bool HideSelect = false;
  IListControl* ILC = nullptr;
  int32_t InsertControl = 0;
  int32_t ItemsToFill = 0;
  int32_t LastChoice = 0;
  int32_t LastItems = 0;
  BrowseQueue* ListQueue = nullptr;
  bool LoadPending = false;
  bool Loaded = false;
  bool NeedRefresh = false;
  std::unique_ptr<PopupClass> Popup;
  bool UsePopup = true;
  bool EditViaPopup = true;
  int32_t PrevChoice = 0;
  int32_t PrintControl = 0;
  uint16_t PrintProcedure = 0;
  bool QuickScan = false;
  bool RetainRow = true;
  int32_t SelectControl = 0;
  bool SelectWholeRecord = false;
  bool Selecting = false;
  bool StartAtCurrent = false;
  uint8_t TabAction = 0;
  int32_t ToolControl = 0;
  ToolbarClass* Toolbar = nullptr;
  std::unique_ptr<ToolbarListBoxClass> ToolbarItem;
  int32_t ViewControl = 0;
  WindowManager* Window = nullptr;
  SortOrderList Sort;

  // Reads done through the view since the browse was made (benchmarks, tests).
  long long RecordsRead = 0;

 protected:
  std::unique_ptr<SortOrder> NewSortOrder() override;
  // The window that holds the list (nullptr before it is open).
  ui::Window* ListWindow() const;
  int32_t ListControl() const;

 private:
  // Deletes the manager the browse made and the editors it owns.
  void KillEIP();

  class Component_ : public WindowComponent {
   public:
    explicit Component_(BrowseClass* b) : b_(b) {}
    void Kill() override { b_->Kill(); }
    void Reset(uint8_t force) override { b_->ResetSort(force != 0); }
    bool ResetRequired() override { return b_->ApplyRange(); }
    void SetAlerts() override { b_->SetAlerts(); }
    Level TakeEvent() override {
      b_->TakeEvent();
      return Level::Benign;
    }
    void Update() override { b_->UpdateViewRecord(); }
    void UpdateWindow() override { b_->UpdateWindow(); }

   private:
    BrowseClass* b_;
  };

  // Positions the view at the record buffer's values of the order's key
  // (the range's fixed components first take the range's values).
  void ResetViewFromBuffer();
  void PrimeRangeComponents();
  // Row whose driver position is `position` (0: none; "" gives 1).
  int32_t LocateRow(const std::string& position);
  // Posts "EVENT:Accepted" to the button when it exists and is enabled.
  bool PressButton(int32_t control);
  void PostToList(int event);
  void ThumbDrag();
  bool FreeElementText(std::string* out) const;
  // SetAlerts has added the action entries to the popup menu.
  bool ActionItemsAdded = false;

  // Where the view stands after the last page read: the driver position of
  // the record it returned and the direction it read in (0: unknown). A
  // further read in the same direction from that row needs no re-positioning.
  void ViewMoved() { viewDirection_ = 0; }
  std::string viewAt_;
  int viewDirection_ = 0;

  std::unique_ptr<BrowseEIPManager> ownEIP_;  // EIP when the browse made it
  Component_ component_{this};
  bool killed_ = false;
};

}  // namespace fw
