// BrowseClass page loading: reading rows into the page, rebuilding the page
// around a record, and re-positioning after record actions.
#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/locator_class.h"
#include "framework/window/step_class.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/engine.h"
#include "runtime/view/view.h"

namespace fw {

namespace {

constexpr int32_t kPrefetchCap = 60;

// Shows the wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor() { ui::Engine::current().setWaitCursor(true); }
  ~WaitCursor() { ui::Engine::current().setWaitCursor(false); }
};

}  // namespace

void BrowseClass::Fetch(uint8_t direction) {
  if (!ListQueue || !View) return;
  const bool forwards = direction == 2;
  const bool quick = QuickScan && ItemsToFill > 1 && Primary;
  if (quick) Primary->SetQuickScan(true);
  std::string edge;
  bool skipEdge = false;
  if (int32_t n = ListQueue->Records(); n > 0) {
    ListQueue->Fetch(forwards ? n : 1);
    edge = ListQueue->GetViewPosition();
    if (viewDirection_ != direction || viewAt_ != edge) {
      if (!Opened) Open();
      skipEdge = View->ResetTo(edge) == 0;
    }
  }
  ViewMoved();
  while (ItemsToFill > 0) {
    if (UseMRP && std::atoll(View->GetProperty(rt::kPropPrefetchCount).c_str()) == 0)
      View->SetProperty(rt::kPropPrefetchCount, std::to_string(std::min(ItemsToFill, kPrefetchCap)));
    Level r = forwards ? Next() : Previous();
    if (r == Level::Notify) {
      ViewMoved();
      break;
    }
    if (r == Level::Fatal) {
      if (quick) Primary->SetQuickScan(false);
      return;
    }
    if (skipEdge) {
      skipEdge = false;
      if (View->Position() == edge) continue;
    }
    if (ListQueue->Records() >= LastItems && ListQueue->Records() > 0) {
      ListQueue->Fetch(forwards ? 1 : ListQueue->Records());
      ListQueue->Delete();
    }
    SetQueueRecord();
    if (forwards) ListQueue->Insert();
    else ListQueue->Insert(1);
    --ItemsToFill;
    viewAt_ = ListQueue->GetViewPosition();
    viewDirection_ = direction;
  }
  if (quick) Primary->SetQuickScan(false);
}

int32_t BrowseClass::LocateRow(const std::string& position) {
  int32_t n = ListQueue->Records();
  for (int32_t i = 1; i <= n; ++i) {
    ListQueue->Fetch(i);
    if (ListQueue->GetViewPosition() == position) return i;
  }
  return 0;
}

void BrowseClass::ResetQueue(uint8_t mode) {
  if (!ListQueue || !View) return;
  if (ILC && !ILC->GetVisible() && !ActiveInvisible) {
    LoadPending = true;
    return;
  }
  Loaded = true;
  LoadPending = false;
  WaitCursor wait;
  if (!Opened) Open();
  if (CurrentChoice == 0) CurrentChoice = 1;
  std::string highlighted;
  bool remembered = false;
  int32_t delta = 0;
  bool wasEmpty = false;
  auto remember = [&](int32_t row) {
    ListQueue->Fetch(row);
    highlighted = ListQueue->GetViewPosition();
    remembered = true;
  };

  if (mode == 2) {
    if (RetainRow) {
      if (CurrentChoice > LastItems && ListQueue->Records() > 0) {
        // The list got shorter: keep the highlighted record, drop rows above it.
        remember(std::min(CurrentChoice, ListQueue->Records()));
        while (ListQueue->Records() > LastItems && CurrentChoice > 1) {
          ListQueue->Fetch(1);
          ListQueue->Delete();
          --CurrentChoice;
        }
        if (ILC) ILC->SetChoice(CurrentChoice);
      }
      delta = CurrentChoice - 1;
    }
  } else if (int32_t n = ListQueue->Records(); n > 0) {
    remember(CurrentChoice > n ? n : CurrentChoice);
    ListQueue->Fetch(1);
    ViewMoved();
    if (View->ResetTo(ListQueue->GetViewPosition()) != 0) Reset();
  } else {
    Reset();
    wasEmpty = true;
  }

  const int32_t oldRow = CurrentChoice;
  auto locate = [&] { CurrentChoice = remembered ? LocateRow(highlighted) : 1; };

  ListQueue->Free();
  ItemsToFill = std::max(0, LastItems - delta);
  Fetch(2);
  const bool filledFirst = ItemsToFill == 0;

  if (!remembered && ListQueue->Records() > 0) remember(1);
  locate();
  if (RetainRow) delta = oldRow - CurrentChoice;

  if (ListQueue->Records() == 0) Reset();

  ItemsToFill = AllowUnfilled ? 0 : LastItems - ListQueue->Records();
  if (!wasEmpty && (ItemsToFill > 0 || delta > 0)) {
    ItemsToFill = std::max(ItemsToFill, delta);
    Fetch(1);
    if (!remembered && ListQueue->Records() > 0) remember(ListQueue->Records());
    locate();
  }

  if (RetainRow && (delta < 0 || (filledFirst && ListQueue->Records() < LastItems))) {
    ItemsToFill = std::max(-delta, LastItems - ListQueue->Records());
    Fetch(2);
    locate();
  }

  while (ListQueue->Records() > LastItems) {
    if (delta < 0) {
      ListQueue->Fetch(1);
      ++delta;
      --CurrentChoice;
    } else {
      ListQueue->Fetch(ListQueue->Records());
    }
    ListQueue->Delete();
  }

  if (CurrentChoice <= 0) CurrentChoice = 1;
  if (Records()) {
    UpdateBuffer();
  } else if (FileManager* me = Me()) {
    me->Block().clearBuffers();
  }
}

void BrowseClass::PrimeRangeComponents() {
  BrowseSortOrder* s = CurrentSort();
  FileManager* me = Me();
  if (!s || !s->RangeList || !me || s->MainKey < 0) return;
  const auto& pairs = s->RangeList->List;
  size_t n = pairs.size();
  if (s->LimitType == 3) n = n >= 2 ? n - 2 : 0;
  else if (s->LimitType == 0) n = 0;
  for (size_t i = 1; i <= n; ++i) {
    rt::FieldRef component = me->GetField(s->MainKey, int(i));
    if (component.valid()) AssignValue(component, pairs[i - 1].Right);
  }
}

void BrowseClass::ResetViewFromBuffer() {
  BrowseSortOrder* s = CurrentSort();
  FileManager* me = Me();
  PrimeRangeComponents();
  if (!s || s->MainKey < 0 || !me) Reset(1);
  else Reset(me->GetComponents(s->MainKey));
}

void BrowseClass::ResetFromFile() {
  if (!View) return;
  if (!Opened) Open();
  ViewMoved();
  if (View->ResetToCurrent() != 0) Reset();
  ResetQueue(2);
}

void BrowseClass::ResetFromBuffer() {
  ResetViewFromBuffer();
  ResetQueue(2);
  UpdateWindow();
}

void BrowseClass::ResetFromView() {
  WaitCursor wait;
  ResetThumbLimits();
  UpdateThumb();
}

bool BrowseClass::FreeElementText(std::string* out) const {
  BrowseSortOrder* s = CurrentSort();
  if (!s || !s->FreeElement.valid()) return false;
  *out = rt::getValueText(s->FreeElement).value_or(std::string());
  return true;
}

void BrowseClass::ResetThumbLimits() {
  BrowseSortOrder* s = CurrentSort();
  if (!s || !s->Thumb || !s->Thumb->SetLimitNeeded() || !s->FreeElement.valid() || !ListQueue) return;
  if (!AllowUnfilled && ListQueue->Records() < LastItems) return;
  // The two reads go through the record buffer: what the page shows stays.
  FileManager* me = Me();
  uint16_t saved = me ? me->SaveBuffer() : 0;
  std::string high, low;
  Reset();
  if (ViewManager::Previous() == Level::Benign && FreeElementText(&high)) {
    Reset();
    if (ViewManager::Next() == Level::Benign && FreeElementText(&low)) s->Thumb->SetLimit(low, high);
  }
  RecordsRead += 2;
  if (me) me->RestoreBuffer(saved, true);
}

}  // namespace fw
