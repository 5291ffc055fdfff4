// BrowseClass scrolling, the highlight and the thumb.
#include <algorithm>
#include <cmath>
#include <compare>

#include "framework/window/browse_class.h"
#include "framework/window/locator_class.h"
#include "framework/window/step_string_class.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_manager.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/view/value.h"
#include "runtime/ui/window.h"

namespace fw {

void BrowseClass::TakeScroll(int event) {
  if (event == 0) event = ui::Engine::current().event();
  if (!Records()) return;
  switch (event) {
    case ui::Event_ScrollUp:
    case ui::Event_ScrollDown: ScrollOne(event); break;
    case ui::Event_PageUp:
    case ui::Event_PageDown: ScrollPage(event); break;
    case ui::Event_ScrollTop:
    case ui::Event_ScrollBottom: ScrollEnd(event); break;
    default: return;
  }
  TakeChoiceChanged();
}

void BrowseClass::ScrollOne(int event) {
  CurrentEvent = event;
  const bool up = event == ui::Event_ScrollUp;
  // The highlight moves inside the page; on its edge the page moves instead.
  const int32_t lastRow = std::min(LastItems, ListQueue->Records());
  if (up && CurrentChoice > 1) {
    --CurrentChoice;
  } else if (!up && CurrentChoice < lastRow) {
    ++CurrentChoice;
  } else if (!FileLoaded) {
    ItemsToFill = 1;
    Fetch(up ? 1 : 2);
  }
}

void BrowseClass::ScrollPage(int event) {
  CurrentEvent = event;
  const bool up = event == ui::Event_PageUp;
  int32_t step = ILC ? ILC->GetItems() : LastItems;
  if (!FileLoaded) {
    ItemsToFill = step;
    Fetch(up ? 1 : 2);
    step = ItemsToFill;
  }
  const int32_t rows = ListQueue->Records();
  CurrentChoice = up ? std::max(1, CurrentChoice - step) : std::min(rows, CurrentChoice + step);
  if (FileLoaded) {
    // The whole set is in the list: scroll it so that the highlight keeps its screen row.
    ui::Window* w = ListWindow();
    if (!w) return;
    const int32_t shown = std::max(1, ILC->GetItems());
    const int32_t origin = int32_t(w->prop(ListControl(), ui::Prop_YOrigin).toInt());
    const int32_t screenRow = std::clamp(ILC->Choice() - origin + 1, 1, shown);
    const int32_t top = std::clamp(CurrentChoice - screenRow + 1, 1, std::max(1, rows - shown + 1));
    // Highlighting a row scrolls the list only as far as it must: from the
    // end of the list, highlighting `top` brings that row to the top.
    ILC->SetChoice(rows);
    ILC->SetChoice(top);
    ILC->SetChoice(CurrentChoice);
  }
}

void BrowseClass::ScrollEnd(int event) {
  CurrentEvent = event;
  const bool top = event == ui::Event_ScrollTop;
  if (!FileLoaded) {
    ListQueue->Free();
    Reset();
    ItemsToFill = ILC ? ILC->GetItems() : LastItems;
    Fetch(top ? 2 : 1);
  }
  CurrentChoice = top ? 1 : ListQueue->Records();
}

void BrowseClass::TakeChoiceChanged() {
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Locator) s->Locator->Set();
  PostNewSelection();
  if (!s || !s->Thumb) UpdateThumbFixed();
  else UpdateThumb();
  UpdateBuffer();
}

void BrowseClass::PostNewSelection() {
  ui::Engine& e = ui::Engine::current();
  if (PrevChoice == 0 && CurrentChoice == 0 && e.keyCode() != ui::Mouse_RightUp) return;
  PrevChoice = CurrentChoice;
  if (ILC) ILC->SetChoice(CurrentChoice);
  PostToList(ui::Event_NewSelection);
}

void BrowseClass::TakeVCRScroll(int32_t code) {
  int event;
  switch (code) {
    case Toolbar_Down: event = ui::Event_ScrollDown; break;
    case Toolbar_Up: event = ui::Event_ScrollUp; break;
    case Toolbar_PageDown: event = ui::Event_PageDown; break;
    case Toolbar_PageUp: event = ui::Event_PageUp; break;
    case Toolbar_Top: event = ui::Event_ScrollTop; break;
    case Toolbar_Bottom: event = ui::Event_ScrollBottom; break;
    default: return;
  }
  TakeScroll(event);
  if (Window) {
    Window->Reset(0);
    Window->Update();
  }
}

void BrowseClass::ThumbDrag() {
  ui::Window* w = ListWindow();
  if (!w || !ILC) return;
  const int32_t lc = ListControl();
  const long long raw = w->prop(lc, ui::Prop_VScrollPos).toInt();
  double pos = double(raw);
  if (pos <= 1) {
    PostToList(ui::Event_ScrollTop);
    return;
  }
  const int32_t rows = ListQueue->Records();
  const int32_t shown = ILC->GetItems();
  if (FileLoaded && rows > shown) pos = double(raw) * 100.0 / double(rows - shown);
  if (pos >= 100) {
    PostToList(ui::Event_ScrollBottom);
    return;
  }
  BrowseSortOrder* s = CurrentSort();
  if (FileLoaded) {
    CurrentChoice = std::clamp(int32_t(std::lround(pos / 100.0 * rows)), 1, std::max(1, rows));
    TakeChoiceChanged();
    w->setProp(lc, ui::Prop_VScrollPos, raw);
  } else if (s && s->Thumb && s->FreeElement.valid()) {
    rt::setValueText(s->FreeElement, s->Thumb->GetValue(int(pos)));
    ResetFromBuffer();
    PostNewSelection();
  } else {
    PostToList(pos < 50 ? ui::Event_PageUp : ui::Event_PageDown);
  }
}

void BrowseClass::UpdateThumb() {
  ui::Window* w = ListWindow();
  if (!w || !ListQueue) return;
  const int32_t lc = ListControl();
  const int32_t rows = ListQueue->Records();
  // A loaded list holds the whole set: it needs the bar once it holds more
  // rows than it shows (its page size never fills).
  const bool full = FileLoaded ? ILC && rows > ILC->GetItems() : LastItems > 0 && rows >= LastItems;
  if (!HasThumb || !(full || AllowUnfilled)) {
    w->setProp(lc, ui::Prop_VScroll, 0);
    return;
  }
  w->setProp(lc, ui::Prop_VScroll, 1);
  BrowseSortOrder* s = CurrentSort();
  if (!s || !s->Thumb || !s->FreeElement.valid()) {
    UpdateThumbFixed();
    return;
  }
  if (!Loaded || LoadPending) return;
  UpdateBuffer();
  std::string value = rt::getValueText(s->FreeElement).value_or(std::string());
  int pos;
  auto* text = dynamic_cast<StepStringClass*>(s->Thumb);
  bool descending = (s->Thumb->Controls & Step_Descending) != 0;
  std::string head = text ? value.substr(0, text->Root.size()) : std::string();
  if (text && !text->Root.empty() && rt::upperText(head) != rt::upperText(text->Root)) {
    // A record added beyond the limits since they were taken: the nearer end.
    bool below = rt::compareText(rt::upperText(head), rt::upperText(text->Root)) == std::strong_ordering::less;
    pos = below != descending ? 1 : 100;
  } else {
    pos = s->Thumb->GetPercentile(value);
  }
  if (rows == LastItems) {
    if (pos == 1) pos = 0;
    else if (pos == 99) pos = 100;
  }
  w->setProp(lc, ui::Prop_VScrollPos, pos);
}

void BrowseClass::UpdateThumbFixed() {
  ui::Window* w = ListWindow();
  if (!w || !ListQueue || !ILC) return;
  const int32_t lc = ListControl();
  const bool immediate = w->prop(lc, ui::Prop_Immediate).toInt() != 0;
  const int32_t rows = ListQueue->Records();
  const int32_t shown = ILC->GetItems();
  int pos = 50;
  const bool downwards = CurrentEvent == ui::Event_ScrollDown || CurrentEvent == ui::Event_PageDown ||
                         CurrentEvent == ui::Event_ScrollBottom;
  if (FileLoaded && rows > shown) {
    if (CurrentChoice <= 1) pos = 0;
    else if (immediate) pos = int(std::lround(double(CurrentChoice) * (rows - shown) / rows));
  } else if (CurrentEvent == ui::Event_ScrollTop && CurrentChoice == 1) {
    pos = 0;  // the page was read from the first record
  } else if (CurrentEvent == ui::Event_ScrollBottom && CurrentChoice == rows) {
    pos = immediate ? 100 : rows;  // ... or backwards from the last
  } else if (ItemsToFill != 0) {
    if (downwards && CurrentChoice == rows) pos = immediate ? 100 : rows;
    else if (!downwards && CurrentChoice == 1) pos = 0;
  }
  if (immediate || !FileLoaded) w->setProp(lc, ui::Prop_VScrollPos, pos);
}

}  // namespace fw
