// The life of a window manager and its event dispatch.
#include "framework/window/window_manager.h"

#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/toolbar_update_class.h"
#include "runtime/core/error_assert.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/view/bindings.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {
ui::Engine& engine() { return ui::Engine::current(); }
}  // namespace

WindowManager::~WindowManager() {
  // A manager whose Init never ran has nothing to release.
  if (!Dead && CL) Kill();
}

uint8_t WindowManager::Run() {
  if (Init() == Level::Benign) Ask();
  Kill();
  if (Response == 0) Response = Response_Cancelled;
  return Response;
}

uint8_t WindowManager::Run(uint16_t, uint8_t) { return Response_Cancelled; }

Level WindowManager::Init() {
  OriginalRequest = Request;
  loopWindow_ = nullptr;
  CL = std::make_unique<std::vector<ComponentEntry>>();
  Buttons = std::make_unique<std::vector<ButtonEntry>>();
  rt::threadBindings().PushScope();
  scopeOpen_ = true;
  // A right click or other-button press that called this procedure must not
  // act on the new window as well.
  int key = engine().keyCode();
  if (key == ui::Mouse_Right || key == ui::Mouse_RightUp) engine().setKeyCode(0);
  InsertAction_ = 2;
  DeleteAction_ = 2;
  ChangeAction_ = 2;
  CancelAction = 3;
  AutoToolbar = 1;
  AutoRefresh = 1;
  OwnerWindow = nullptr;
  return Level::Benign;
}

Level WindowManager::Kill() {
  if (Dead || !CL) return Level::Notify;
  // A component's Kill never sees itself in the list.
  while (!CL->empty()) {
    WindowComponent* wc = CL->front().WC;
    CL->erase(CL->begin());
    if (wc) wc->Kill();
  }
  CL.reset();
  Buttons.reset();
  History.reset();
  if (Files) {
    for (UpdateFileEntry& f : *Files)
      if (f.Manager) f.Manager->RestoreBuffer(f.Saved, false);
    Files.reset();
  }
  if (Primary && Primary->Me) Primary->Me->RestoreBuffer(Saved, false);
  Saved = 0;
  if (Toolbar) Toolbar->Kill();
  Dead = 1;
  loopWindow_ = nullptr;
  if (scopeOpen_) {
    rt::threadBindings().PopScope();
    scopeOpen_ = false;
  }
  return Level::Benign;
}

void WindowManager::Open(ui::Window& window, ui::Window* owner) {
  MyWindow = &window;
  if (owner) OwnerWindow = owner;
  window.open(OwnerWindow);
  Opened = 1;
}

void WindowManager::Open() {
  Reset(0);
  Inited |= 1;
}

ui::Window* WindowManager::LoopWindow() const {
  if (MyWindow) return MyWindow;
  if (loopWindow_ && loopWindow_->isOpen()) return loopWindow_;
  // A manager without a window of its own works on the window whose event
  // is being handled: edit-in-place runs its loop on the browse's window.
  ui::Window* w = engine().eventWindow();
  if (w && w->isOpen()) return w;
  return engine().target();
}

void WindowManager::Post(int event, int control) {
  if (ui::Window* w = LoopWindow()) engine().post(event, control, w);
}

void WindowManager::Select(int32_t control) {
  ui::Window* w = LoopWindow();
  if (w && control != 0) w->select(control);
}

void WindowManager::Display() {
  if (ui::Window* w = LoopWindow()) w->display();
}

void WindowManager::Reset(uint8_t force) {
  // Nothing is re-read while the engine validates every control.
  if (ui::Window* w = LoopWindow(); w && w->acceptAll()) return;
  force = uint8_t(force + ForcedReset);
  ForcedReset = 0;
  ResetBuffers(force);
  if (CL)
    for (ComponentEntry& c : *CL) c.WC->UpdateWindow();
  Display();
}

void WindowManager::ResetBuffers(uint8_t force) {
  if (!CL) return;
  for (ComponentEntry& c : *CL)
    if (c.Type == 0) c.WC->Reset(force);
}

void WindowManager::Ask() {
  if (Dead) return;
  LastInsertedPosition.clear();
  ui::Window* window = LoopWindow();
  if (!window) return;
  loopWindow_ = window;
  ui::AcceptLoop loop(*window);
  while (loop.next()) {
    Level r = TakeEvent();
    if (r == Level::Fatal) break;
    if (r == Level::Notify) loop.cycle();
  }
}

Level WindowManager::TakeEvent() {
  ui::Engine& e = engine();
  const int event = e.event();
  const bool fieldEvent = e.field() != 0;
  Level r = Level::Benign;
  if (!fieldEvent) {
    r = TakeWindowEvent();
    if (r != Level::Benign) return r;
  }
  switch (event) {
    case ui::Event_Sized: e.post(Event_Resize); break;
    case ui::Event_Accepted: r = TakeAccepted(); break;
    case ui::Event_Rejected: r = TakeRejected(); break;
    case ui::Event_Selected: r = TakeSelected(); break;
    case ui::Event_NewSelection: r = TakeNewSelection(); break;
    case ui::Event_AlertKey:
      if (HistoryKey != 0 && HistoryKey == e.keyCode() && LoopWindow()) RestoreField(LoopWindow()->focus());
      break;
    default: break;
  }
  if (r != Level::Benign) return r;
  if (fieldEvent) {
    r = TakeFieldEvent();
    if (r != Level::Benign) return r;
  }
  if (CL) {
    // Indexed: a component may register or remove others while it handles the event.
    for (size_t i = 0; i < CL->size(); ++i) {
      r = (*CL)[i].WC->TakeEvent();
      if (r != Level::Benign) return r;
    }
    if (AutoRefresh) {
      for (size_t i = 0; i < CL->size(); ++i) {
        if ((*CL)[i].WC->ResetRequired()) {
          Reset(0);
          break;
        }
      }
    }
  }
  return Level::Benign;
}

Level WindowManager::TakeWindowEvent() {
  ui::Engine& e = engine();
  switch (e.event()) {
    case ui::Event_OpenWindow:
      if (!(Inited & 1)) Open();
      Select(FirstField);
      break;
    case ui::Event_Notify: {
      ui::Notification n;
      if (e.takeNotification(&n)) return TakeNotify(n.code, n.id, n.parameter);
      break;
    }
    case ui::Event_LoseFocus:
      if (ResetOnGainFocus) ForcedReset = 1;
      break;
    case ui::Event_GainFocus:
      if (Inited & 1)
        Reset(0);
      else
        Open();
      break;
    case ui::Event_Sized:
      // The size event that follows the opening is not a change of size.
      if (Inited & 2)
        Reset(0);
      else
        Inited |= 2;
      break;
    case ui::Event_Completed: return TakeCompleted();
    case ui::Event_CloseWindow:
    case ui::Event_CloseDown: return TakeCloseEvent();
    default: break;
  }
  return Level::Benign;
}

Level WindowManager::TakeNotify(int, int, long long) { return Level::Benign; }

Level WindowManager::TakeAccepted() {
  const int32_t control = engine().field();
  if (Toolbar) {
    Toolbar->TakeEvent(VCRRequest, *this);
    if (control == Toolbar_History && LoopWindow()) RestoreField(LoopWindow()->focus());
  }
  if (Buttons) {
    for (const ButtonEntry& b : *Buttons) {
      if (b.Control == control) {
        SetResponse(b.Action);
        return Level::Notify;
      }
    }
  }
  if (OKControl != 0 && control == OKControl) PostCompleted();
  if (SaveControl != 0 && control == SaveControl) {
    if (Request == Request_View) return Level::Notify;
    BeforeSaveRequest = Request;
    Request = Request_Save;
    PostCompleted();
  }
  EnableCancelControls();
  return Level::Benign;
}

Level WindowManager::TakeNewSelection() {
  const int control = engine().field();
  ui::Window* w = LoopWindow();
  if (w && w->prop(control, ui::Prop_Type).toInt() == ui::Ctl_Sheet) {
    Reset(0);
    if (AutoToolbar && Toolbar) Toolbar->SetTarget(0);
  }
  return Level::Benign;
}

Level WindowManager::TakeRejected() {
  const int control = engine().field();
  engine().beep();
  if (ui::Window* w = LoopWindow()) {
    w->display(control);
    w->select(control);
  }
  return Level::Benign;
}

void WindowManager::PostCompleted() {
  const uint8_t r = OriginalRequest;
  if (r == Request_Change || r == Request_Insert || r == Request_View) {
    if (r == Request_View && !BatchProcessing) Post(ui::Event_Completed);
    // The engine validates every control, then raises "EVENT:Completed".
    if (ui::Window* w = LoopWindow()) w->select(0);
  } else if (BatchProcessing) {
    if (ui::Window* w = LoopWindow()) w->select(0);
  } else {
    Post(ui::Event_Completed);
  }
}

void WindowManager::SetResponse(uint8_t response) {
  Response = response;
  Post(ui::Event_CloseWindow);
  if (response == Response_Cancelled && Toolbar && VCRRequest) *VCRRequest = 0;
}

void WindowManager::Update() {
  if (!CL) return;
  for (ComponentEntry& c : *CL) c.WC->Update();
}

void WindowManager::SetAlerts() {
  if (CL)
    for (ComponentEntry& c : *CL) c.WC->SetAlerts();
  if (ui::Window* w = LoopWindow(); History && w)
    for (const FieldHistoryEntry& h : *History) w->alert(h.Control, HistoryKey);
}

void WindowManager::TakeDisableButton(int32_t control, bool disable) {
  ui::Window* w = LoopWindow();
  if (control == 0 || !w) return;
  if (disable)
    w->disable(control);
  else
    w->enable(control);
}

void WindowManager::DisableCancelControls() {
  if (!DisableCancelButton || !Buttons) return;
  for (const ButtonEntry& b : *Buttons)
    if (b.Action == Response_Cancelled) TakeDisableButton(b.Control, true);
}

void WindowManager::EnableCancelControls() {
  if (!DisableCancelButton || !Buttons) return;
  for (const ButtonEntry& b : *Buttons)
    if (b.Action == Response_Cancelled) TakeDisableButton(b.Control, false);
}

// ---- registration ----

void WindowManager::AddItem(WindowComponent* component) {
  if (!CL) {
    rt::assertionFailed("Window component list does not exist: Init has not run");
    return;
  }
  CL->push_back(ComponentEntry{0, component});
}

void WindowManager::AddItem(ToolbarClass* toolbar) {
  Toolbar = toolbar;
  toolbar->Window = this;
  toolbar->Init();
}

void WindowManager::AddItem(ToolbarUpdateClass* target) {
  if (!Toolbar) {
    rt::assertionFailed("A toolbar target needs the toolbar first");
    return;
  }
  target->Window = this;
  if (HistoryKey != 0) target->History = 1;
  target->Request = OriginalRequest;
  target->DisplayButtons();
  Toolbar->AddTarget(target, -1);
  Toolbar->SetTarget(-1);
}

void WindowManager::AddItem(int32_t control, uint8_t action) {
  if (!Buttons) {
    rt::assertionFailed("Button list does not exist: Init has not run");
    return;
  }
  Buttons->push_back(ButtonEntry{control, action});
}

void WindowManager::AddUpdateFile(FileManager* manager) {
  if (!Files) Files = std::make_unique<std::vector<UpdateFileEntry>>();
  Files->push_back(UpdateFileEntry{manager, 0});
}

void WindowManager::RemoveItem(WindowComponent* component) {
  if (!CL) return;
  CL->erase(std::remove_if(CL->begin(), CL->end(),
                           [component](const ComponentEntry& c) { return c.WC == component; }),
            CL->end());
}

}  // namespace fw
