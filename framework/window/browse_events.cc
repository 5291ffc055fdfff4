// BrowseClass events, keys, buttons, record actions and the window display.
#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/locator_class.h"
#include "framework/window/request_codes.h"
#include "framework/window/standard_behavior.h"
#include "framework/window/step_class.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_manager.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace fw {

namespace {

constexpr size_t kMaxFilterText = 2048;

}  // namespace

// --- Events -----------------------------------------------------------------------

void BrowseClass::TakeEvent() {
  ui::Engine& e = ui::Engine::current();
  const int32_t lc = ListControl();
  const int event = e.event();
  const int field = e.field();
  if (field == 0) {
    if (ILC && Records()) CurrentChoice = ILC->Choice();
  } else if (field == lc) {
    switch (event) {
      case ui::Event_ScrollUp:
      case ui::Event_ScrollDown:
      case ui::Event_PageUp:
      case ui::Event_PageDown:
      case ui::Event_ScrollTop:
      case ui::Event_ScrollBottom: TakeScroll(0); break;
      case ui::Event_ScrollDrag: ThumbDrag(); break;
      case ui::Event_AlertKey: TakeKey(); break;
      case ui::Event_NewSelection: TakeNewSelection(); break;
      case ui::Event_Locate: TakeLocate(); break;
      default: break;
    }
  }
  NeedRefresh = false;
  if (event == ui::Event_Accepted && field != 0 && Window) {
    auto act = [&](uint8_t request) {
      Window->Update();  // re-reads the highlighted record, watched
      if (!NeedRefresh) Ask(request);
    };
    if (field == DeleteControl) act(Request_Delete);
    else if (field == ChangeControl) act(Request_Change);
    else if (field == InsertControl) act(Request_Insert);
    else if (field == ViewControl) act(Request_View);
    else if (field == SelectControl) {
      Window->Response = Response_Completed;
      PostToList(ui::Event_CloseWindow);
    } else if (field == PrintControl) {
      UpdateViewRecord();
      if (!NeedRefresh) Window->Run(PrintProcedure, Request_Print);
      UpdateBuffer();
    } else if (field == lc && Selecting && e.keyCode() == ui::Key_Enter) {
      // Enter on the list goes to the list, not to the default button: press it here.
      PressButton(SelectControl);
    } else if (field == ToolControl) {
      if (Popup) Popup->Toolbox("Browse Actions");
    } else {
      TakeAcceptedLocator();
    }
  }
  if (NeedRefresh) {
    // The highlighted record changed or went away: reload around its place.
    if (Records()) {
      ListQueue->Fetch(CurrentChoice);
      ViewMoved();
      if (View->ResetTo(ListQueue->GetViewPosition()) != 0) Reset();
    } else {
      Reset();
    }
    ResetQueue(2);
    UpdateWindow();
    PostNewSelection();
    NeedRefresh = false;
  } else if (event == ui::Event_CloseWindow && Selecting && Me()) {
    if (Window && Window->Response == Response_Completed) {
      Me()->RestoreBuffer(Buffer, false);
      if (SelectWholeRecord) UpdateViewRecord();
      else UpdateBuffer();
    } else {
      Me()->RestoreBuffer(Buffer, true);
    }
  }
}

void BrowseClass::TakeNewSelection() {
  if (Records() && ILC) {
    int32_t choice = ILC->Choice();
    if (choice >= 1) CurrentChoice = choice;
    LastChoice = CurrentChoice;
    UpdateBuffer();
  }
  ui::Engine& e = ui::Engine::current();
  if (e.keyCode() == ui::Mouse_RightUp || e.keyCode() == ui::Key_Menu) {
    if (UsePopup && Popup) {
      e.setKeyCode(0);
      Popup->Ask();
    }
  } else if (Window) {
    Window->Reset(0);
  }
}

bool BrowseClass::PressButton(int32_t control) {
  ui::Window* w = ListWindow();
  if (control == 0 || !w || !w->exists(control) || !w->enabled(control)) return false;
  ui::Engine::current().post(ui::Event_Accepted, control, w);
  return true;
}

bool BrowseClass::TakeKey() {
  ui::Engine& e = ui::Engine::current();
  ui::Window* w = ListWindow();
  const int32_t lc = ListControl();
  const int key = e.keyCode();
  if (key == ui::Mouse_RightUp) {
    if (w) {
      int32_t row = int32_t(w->prop(lc, ui::Prop_MouseDownRow).toInt());
      if (row > 0 && row <= Records()) CurrentChoice = row;
    }
    PostNewSelection();
    return false;
  }
  BrowseSortOrder* s = CurrentSort();
  auto offerToLocator = [&] {
    if (!s || !s->Locator || !s->Locator->TakeKey()) return false;
    ResetViewFromBuffer();
    ResetQueue(2);
    return true;
  };
  bool handled = false;
  if (Records()) {
    switch (key) {
      case ui::Key_Insert: handled = PressButton(InsertControl); break;
      case ui::Key_Delete: handled = PressButton(DeleteControl); break;
      case ui::Key_CtrlEnter:
        UpdateBuffer();
        handled = PressButton(ChangeControl);
        break;
      case ui::Key_ShiftEnter:
        UpdateBuffer();
        handled = PressButton(ViewControl);
        break;
      case ui::Mouse_LeftDouble:
        if (Selecting) {
          handled = PressButton(SelectControl);
        } else if (w && w->prop(lc, ui::Prop_MouseDownZone).toInt() != ui::Zone_Header) {
          UpdateBuffer();
          handled = PressButton(ChangeControl);
        }
        break;
      case ui::Key_Menu: return true;
      default:
        handled = offerToLocator() || (s && s->Locator);
        break;
    }
  } else {
    handled = offerToLocator();
    if (key == ui::Key_Insert) handled = PressButton(InsertControl) || handled;
  }
  if (!handled) return false;
  UpdateWindow();
  PostNewSelection();
  return true;
}

void BrowseClass::TakeAcceptedLocator() {
  BrowseSortOrder* s = CurrentSort();
  if (!s || !s->Locator || s->Locator->Control == 0) return;
  if (ui::Engine::current().field() != s->Locator->Control || !s->Locator->TakeAccepted()) return;
  ResetViewFromBuffer();
  if (ui::Window* w = ListWindow()) w->select(ListControl());
  ResetQueue(2);
  s->Locator->Reset();
  UpdateWindow();
  PostNewSelection();
}

// --- Record actions --------------------------------------------------------------------

void BrowseClass::UpdateViewRecord() {
  if (UseMRP && View) View->SetProperty(rt::kPropPrefetchCount, "0");
  if (!Records() || !View || !ILC) return;
  if (int32_t choice = ILC->Choice(); choice >= 1 && choice <= ListQueue->Records()) CurrentChoice = choice;
  ListQueue->Fetch(CurrentChoice);
  const std::string position = ListQueue->GetViewPosition();
  if (!Opened) Open();
  ViewMoved();
  View->Watch();
  int32_t rc = View->Reget(position);
  if (rc == rt::Error_UnsupportedFileDriverFunction) {
    std::string before = View->Position();
    View->ResetTo(position);
    View->Watch();
    rc = View->Next();
    if (!before.empty()) View->ResetTo(before);
  }
  // Read again, the record must still be what the row shows: anything else
  // was changed by another station since the page was read.
  if (rc == 0 && Fields && Fields->size() && !Fields->EqualLeftRight()) {
    rt::postError(rt::Error_RecordChangedByAnotherStation);
    rc = rt::Error_RecordChangedByAnotherStation;
  }
  if (rc != 0) NeedRefresh = NotifyUpdateError();
}

bool BrowseClass::NotifyUpdateError() {
  if (FileManager* me = Me()) me->Throw(Msg_RecordChangedOrDeleted);
  return true;
}

uint8_t BrowseClass::Ask(uint8_t request) {
  uint8_t response = 0;
  ui::Engine& e = ui::Engine::current();
  do {
    if (Window && Window->VCRRequest) *Window->VCRRequest = 0;
    if (e.keyCode() == ui::Mouse_RightUp) e.setKeyCode(0);
    if (AskProcedure && Window) {
      if (request == Request_Insert && PrimeRecord() != Level::Benign) return Response_Cancelled;
      response = Window->Run(uint16_t(AskProcedure), request);
      ResetFromAsk(request, response);
    } else {
      response = AskRecord(request);
    }
  } while (Window && Window->VCRRequest && *Window->VCRRequest != 0);
  return response;
}

void BrowseClass::ResetFromAsk(uint8_t& request, uint8_t& response) {
  if (response == Response_Completed && View) {
    ViewMoved();
    View->Flush();
    std::string filter = View->filter().substr(0, kMaxFilterText);
    bool gone = request == Request_Delete;
    if (!gone && request == Request_Change && !filter.empty()) gone = !View->Accepts();
    if (gone) {
      if (Records()) {
        ListQueue->Fetch(CurrentChoice);
        ListQueue->Delete();
      }
      ResetQueue(1);
    } else {
      ResetFromFile();
    }
  } else {
    ResetQueue(1);
  }
  const int32_t vcr = Window && Window->VCRRequest ? *Window->VCRRequest : 0;
  if (vcr == Toolbar_Insert || (vcr == Toolbar_Down && request == Request_Insert)) {
    request = Request_Insert;
    if (FileManager* me = Me()) me->Block().clearBuffers();
  } else {
    TakeVCRScroll(vcr);
  }
  if (vcr == 0) {
    ResetFromView();
    UpdateWindow();
    PostNewSelection();
    if (ui::Window* w = ListWindow()) w->select(ListControl());
  }
}

// --- Alerts and the window -------------------------------------------------------------------

void BrowseClass::SetAlerts() {
  ui::Window* w = ListWindow();
  if (!w) return;
  if (Behavior) Behavior->SetWindow(w);
  const int32_t lc = ListControl();
  w->alert(lc, ui::Mouse_LeftDouble);
  w->alert(lc, ui::Mouse_RightUp);
  w->alert(lc, ui::Key_Menu);
  HasThumb = HasThumb || w->prop(lc, ui::Prop_VScroll).toInt() != 0;
  w->setProp(lc, ui::Prop_VScroll, 0);
  for (auto& e : Sort.Entries)
    if (auto* s = static_cast<BrowseSortOrder*>(e.get()); s->Locator) s->Locator->SetAlerts(lc);
  // The items are made once (SetAlerts runs again on every reset); they
  // follow their buttons when shown. Items the program added itself do not
  // stop them being made.
  if (!EditViaPopup || !Popup || ActionItemsAdded) return;
  ActionItemsAdded = true;
  struct Action {
    int32_t control;
    int key;
    const char* name;
    const char* text;
  };
  const Action actions[] = {
      {InsertControl, ui::Key_Insert, "&Insert", "!&Insert"},
      {ChangeControl, ui::Key_CtrlEnter, "&Change", "!&Change"},
      {DeleteControl, ui::Key_Delete, "&Delete", "!&Delete"},
      {ViewControl, ui::Key_ShiftEnter, "&View", "!&View"},
      {PrintControl, 0, "&Print", "!&Print"},
  };
  for (const Action& a : actions) {
    if (!a.control || !w->exists(a.control)) continue;
    if (a.key) w->alert(lc, a.key);
    Popup->AddItemMimic(a.name, a.control, a.text);
  }
  if (Selecting && SelectControl && w->exists(SelectControl)) Popup->AddItemMimic("&Select", SelectControl, "!&Select");
  if (ToolControl && w->exists(ToolControl)) {
    Popup->AddItem("-", "ToolSeparator2");
    std::string name = Popup->AddItemMimic("&Toolbox", ToolControl, "!&Toolbox");
    Popup->SetToolbox(name, false);
  }
}

void BrowseClass::UpdateWindow() {
  BrowseSortOrder* s = CurrentSort();
  if (s && s->Locator) s->Locator->UpdateWindow();
  ui::Window* w = ListWindow();
  if (!w) return;
  const bool has = Records() > 0;
  for (int32_t c : {ChangeControl, DeleteControl, PrintControl, ViewControl}) {
    if (!c || !w->exists(c)) continue;
    if (has) w->enable(c);
    else w->disable(c);
  }
  if (SelectControl && w->exists(SelectControl)) {
    if (Selecting) {
      if (has && Window && Window->Request == Request_Select) {
        w->enable(SelectControl);
        w->setProp(SelectControl, ui::Prop_Default, 1);
      } else {
        w->disable(SelectControl);
      }
    } else if (HideSelect) {
      w->disable(SelectControl);
      w->hide(SelectControl);
    }
  }
  UpdateThumb();
  // The browse's own toolbar (set by AddToolbarTarget); a toolbar with no
  // current target yet has nothing to redisplay.
  if (Toolbar && Toolbar->Current()) Toolbar->DisplayButtons();
  if (ILC) ILC->SetChoice(CurrentChoice);
}

}  // namespace fw
