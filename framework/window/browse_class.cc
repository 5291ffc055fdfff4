// BrowseClass set-up, sort orders, resets and the record buffer.
#include "framework/window/browse_class.h"

#include <climits>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_eip_manager.h"
#include "framework/window/locator_class.h"
#include "framework/window/record_queue.h"
#include "framework/window/request_codes.h"
#include "framework/window/standard_behavior.h"
#include "framework/window/step_class.h"
#include "framework/window/toolbar.h"
#include "framework/window/toolbar_list_box_class.h"
#include "framework/window/window_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/view/view.h"
#include "runtime/ui/window.h"

namespace fw {

BrowseClass::BrowseClass() = default;

BrowseClass::~BrowseClass() {
  if (Inited && !killed_) BrowseClass::Kill();
}

std::unique_ptr<SortOrder> BrowseClass::NewSortOrder() { return std::make_unique<BrowseSortOrder>(); }

BrowseSortOrder* BrowseClass::CurrentSort() const { return static_cast<BrowseSortOrder*>(CurrentOrder()); }

ui::Window* BrowseClass::ListWindow() const {
  if (Window && Window->MyWindow) return Window->MyWindow;
  if (Behavior) return Behavior->ListWindow();
  return ui::Engine::current().target();
}

int32_t BrowseClass::ListControl() const { return ILC ? ILC->GetControl() : 0; }

void BrowseClass::Init(int32_t listControl, RecordQueue* queue, rt::View* view, RelationManager* primary,
                       WindowManager* window) {
  Behavior = std::make_unique<StandardBehavior>();
  Behavior->Init(queue, listControl, window ? window->MyWindow : nullptr);
  Init(static_cast<IListControl*>(Behavior.get()), view, static_cast<BrowseQueue*>(Behavior.get()), primary,
       window);
}

void BrowseClass::Init(IListControl* list, rt::View* view, BrowseQueue* queue, RelationManager* primary,
                       WindowManager* window) {
  killed_ = false;
  UseMRP = true;
  PrevChoice = 0;
  Window = window;
  ListQueue = queue;
  ILC = list;
  Sort.Entries.clear();
  Sort.Current = 0;
  Fields = std::make_unique<FieldPairsClass>();
  Fields->Init();
  Popup = std::make_unique<PopupClass>();
  Popup->Init();
  EditList = std::make_unique<EditQueue>();
  RetainRow = true;
  ViewManager::Init(view, primary, &Sort);
  if (Window) {
    Window->AddItem(&component_);
    Selecting = Window->Request == Request_Select;
  }
  if (Selecting && Me()) {
    Me()->UseFile(kUseChange);
    Buffer = Me()->SaveBuffer();
  }
}

size_t BrowseClass::AddSortOrder(StepClass* step, int key) {
  size_t n = ViewManager::AddSortOrder(key);
  BrowseSortOrder* s = CurrentSort();
  if (!s) {
    rt::Assert(false, "Unable to add the browse's sort order");
    return n;
  }
  s->Thumb = step;
  s->Resets = std::make_unique<FieldPairsClass>();
  s->Resets->Init();
  return n;
}

void BrowseClass::AddLocator(LocatorClass* locator) {
  if (BrowseSortOrder* s = CurrentSort()) s->Locator = locator;
}

void BrowseClass::AddField(const rt::FieldRef& recordField, const rt::FieldRef& queueField) {
  if (Fields) Fields->AddPair(recordField, queueField);
}

void BrowseClass::AddResetField(const rt::FieldRef& field) {
  BrowseSortOrder* s = CurrentSort();
  if (!s || !s->Resets) {
    rt::Assert(false, "A reset field needs a sort order");
    return;
  }
  s->Resets->AddItem(field);
}

void BrowseClass::AddToolbarTarget(ToolbarClass* toolbar) {
  if (!toolbar) return;
  Toolbar = toolbar;
  ToolbarItem = std::make_unique<ToolbarListBoxClass>();
  ToolbarItem->Browse = this;
  Toolbar->AddTarget(ToolbarItem.get(), ListControl());
  UpdateToolbarButtons();
}

void BrowseClass::UpdateToolbarButtons() {
  if (!ToolbarItem || !Toolbar) return;
  ToolbarItem->InsertButton = InsertControl;
  ToolbarItem->ChangeButton = ChangeControl;
  ToolbarItem->DeleteButton = DeleteControl;
  ToolbarItem->SelectButton = SelectControl;
  ToolbarItem->LocateButton = 0;  // no query-by-example object in this system
  Toolbar->SetTarget(ListControl());
}

void BrowseClass::Kill() {
  if (killed_) return;
  killed_ = true;
  for (auto& e : Sort.Entries) {
    auto* s = static_cast<BrowseSortOrder*>(e.get());
    if (s->Thumb) s->Thumb->Kill();
    if (s->Resets) s->Resets->Kill();
    s->Resets.reset();
  }
  if (Window) Window->RemoveItem(&component_);
  if (UseMRP && View) View->SetProperty(rt::kPropPrefetchCount, "0");
  if (Selecting && Buffer && Me()) Me()->RestoreBuffer(Buffer, false);
  ViewManager::Kill();
  KillEIP();
  Fields.reset();
  if (Popup) Popup->Kill();
  Popup.reset();
  ToolbarItem.reset();
  Behavior.reset();
  ILC = nullptr;
  ListQueue = nullptr;
}

int32_t BrowseClass::Records() {
  int32_t n = ListQueue ? ListQueue->Records() : 0;
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Locator) s->Locator->SetEnabled(n > 0);
  if (n == 0) CurrentChoice = 0;
  return n;
}

void BrowseClass::SetQueueRecord() {
  if (Fields) Fields->AssignLeftToRight();
  if (ListQueue && View) ListQueue->SetViewPosition(View->Position());
}

void BrowseClass::UpdateBuffer() {
  if (Records()) {
    ListQueue->Fetch(CurrentChoice);
    if (Fields) Fields->AssignRightToLeft();
  } else if (Fields) {
    Fields->ClearLeft();
  }
}

Level BrowseClass::Next() {
  ++RecordsRead;
  Level r = ViewManager::Next();
  if (r == Level::Notify) UpdateResets();
  if (r == Level::Fatal) PostToList(ui::Event_CloseWindow);
  return r;
}

Level BrowseClass::Previous() {
  ++RecordsRead;
  Level r = ViewManager::Previous();
  if (r == Level::Notify) UpdateResets();
  if (r == Level::Fatal) PostToList(ui::Event_CloseWindow);
  return r;
}

void BrowseClass::PostToList(int event) {
  ui::Window* w = ListWindow();
  if (!w || !w->isOpen()) return;
  ui::Engine::current().post(event, ui::isFieldEvent(event) ? ListControl() : 0, w);
}

// --- Sort orders and resets ------------------------------------------------------

bool BrowseClass::InitSort(size_t order) {
  if (!ViewManager::SetSort(order)) return false;
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Locator) s->Locator->Set();
  return true;
}

bool BrowseClass::ApplyRange() {
  bool result = false;
  if (ILC) {
    int32_t items = ILC->GetItems();
    if (items >= 0 && items != LastItems) {
      if (FileLoaded) {
        result = LastItems != INT32_MAX;
        LastItems = INT32_MAX;
      } else {
        LastItems = items;
        result = true;
      }
    }
  }
  if (ViewManager::ApplyRange()) result = true;
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Resets && s->Resets->size() && !s->Resets->Equal()) result = true;
  if (result) LoadPending = true;
  return result;
}

bool BrowseClass::SetSort(size_t order, bool force) {
  bool changed = InitSort(order);
  bool rangeChanged = ApplyRange();
  bool result = false;
  if (changed || rangeChanged || force || !Loaded || LoadPending) {
    ResetResets();
    Open();  // also applies the order and the filter
    if (!Loaded && (Selecting || StartAtCurrent)) {
      BrowseSortOrder* s = CurrentSort();
      if (!s || s->MainKey < 0) Reset(1);
      else Reset(int(GetFreeElementPosition()));
      ResetQueue(2);
    } else if (ListQueue && ListQueue->Records()) {
      ListQueue->Fetch(CurrentChoice < 1 ? 1 : CurrentChoice);
      ViewMoved();
      if (View->ResetTo(ListQueue->GetViewPosition()) != 0) Reset();
      ResetQueue(2);
    } else {
      ResetQueue(1);
    }
    if (!LoadPending) {
      PostNewSelection();
      ResetFromView();
      result = true;
    }
  }
  UpdateBuffer();
  return result;
}

void BrowseClass::Reset(int locate) {
  ViewMoved();
  ViewManager::Reset(locate);
}

void BrowseClass::Reset() { Reset(0); }

bool BrowseClass::ResetSort(bool force) { return SetSort(Sort.Current, force); }

// The reset fields' values as the page was loaded for them are kept in the
// pairs' private copies: ApplyRange compares against them, and reading
// records (which overwrites the record buffer the fields may live in) puts
// them back once a read runs off the end.
void BrowseClass::ResetResets() {
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Resets) s->Resets->AssignLeftToRight();
}

void BrowseClass::UpdateResets() {
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Resets) s->Resets->AssignRightToLeft();
}

}  // namespace fw
