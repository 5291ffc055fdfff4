#include "framework/window/eip_manager.h"

#include <algorithm>

#include "framework/data/field_pairs.h"
#include "framework/window/edit_class.h"
#include "framework/window/edit_entry_class.h"
#include "framework/window/toolbar_target.h"
#include "runtime/core/error_assert.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {

ui::Engine& engine() { return ui::Engine::current(); }

bool columnExists(ui::Window* w, int32_t list, int32_t column) {
  return w && w->prop(list, ui::Prop_ColExists, column).toInt() != 0;
}

}  // namespace

uint8_t EIPManager::Run(uint8_t request) {
  MouseLeftIndex = 0;
  if (ui::Window* w = LoopWindow()) {
    // The list must not take the button itself while a cell is edited.
    for (int slot = 1; slot <= 254; ++slot) {
      if (w->prop(ListControl, ui::Prop_Alrt, slot).toInt() == ui::Mouse_Left) {
        MouseLeftIndex = uint8_t(slot);
        w->setProp(ListControl, ui::Prop_Alrt, 0, slot);
        break;
      }
    }
  }
  Req = request;
  Again = 1;
  // A stale response of the previous edit would tell the browse that an
  // edit ending without any completion saved something.
  Response = Response_Cancelled;
  return WindowManager::Run();
}

Level EIPManager::Init() {
  if (Column == 0) Column = 1;
  LastColumn = 0;
  Repost = 0;
  RepostField = 0;
  if (!EQ || EQ->empty()) {
    rt::assertionFailed("The list of columns is null");
    return Level::Fatal;
  }
  InitControls();
  ResetColumn();
  return Level::Benign;
}

void EIPManager::AddControl(EditClass* control, int32_t field, bool free) {
  if (!EQ) {
    rt::assertionFailed();
    return;
  }
  EditQueueEntry e;
  e.Control = control;
  e.Field = field;
  e.FreeUp = free ? 1 : 0;
  e.Column = int32_t(EQ->size()) + 1;
  auto at = std::upper_bound(EQ->begin(), EQ->end(), field,
                             [](int32_t f, const EditQueueEntry& x) { return f < x.Field; });
  EQ->insert(at, e);
}

void EIPManager::InitControls() {
  std::stable_sort(EQ->begin(), EQ->end(), [](const EditQueueEntry& a, const EditQueueEntry& b) {
    return a.Field < b.Field;
  });
  if (!Fields) {
    rt::assertionFailed();
    return;
  }
  ui::Window* w = LoopWindow();
  for (int32_t i = 1; columnExists(w, ListControl, i); ++i) {
    const int32_t fieldNo = int32_t(w->prop(ListControl, ui::Prop_ColFieldNo, i).toInt());
    auto find = [&] {
      return std::find_if(EQ->begin(), EQ->end(), [&](const EditQueueEntry& e) { return e.Field == fieldNo; });
    };
    auto it = find();
    if (it == EQ->end()) {
      // A column nobody registered is edited as plain text.
      AddControl(new EditEntryClass, fieldNo, true);
      it = find();
    }
    it->Column = i;
    const size_t pos = size_t(it - EQ->begin());
    if (pos >= Fields->List.size()) {
      rt::assertionFailed();
      continue;
    }
    if (it->Control) {
      it->Control->Win = w;
      it->Control->Init(i, ListControl, Fields->List[pos].Right);
    } else {
      w->setProp(ListControl, ui::Prop_ColColor, ui::Color_GrayText, i);
    }
  }
  std::stable_sort(EQ->begin(), EQ->end(), [](const EditQueueEntry& a, const EditQueueEntry& b) {
    return a.Column < b.Column;
  });
}

EditQueueEntry* EIPManager::EntryOf(int32_t column) {
  if (!EQ) return nullptr;
  for (EditQueueEntry& e : *EQ)
    if (e.Column == column) return &e;
  return nullptr;
}

bool EIPManager::GetEdit() {
  EditQueueEntry* e = EntryOf(Column);
  ui::Window* w = LoopWindow();
  return e && e->Control && w && w->prop(ListControl, ui::Prop_ColEditable, Column).toInt() != 0;
}

void EIPManager::Next() {
  if (!EQ || EQ->empty()) {
    rt::assertionFailed();
    return;
  }
  const int32_t maxCol = EQ->back().Column;
  int reversals = 0;
  while (!GetEdit()) {
    if (SeekForward) {
      if (Column >= maxCol) {
        SeekForward = 0;
        ++reversals;
      } else {
        ++Column;
      }
    } else {
      if (Column <= 1) {
        SeekForward = 1;
        ++reversals;
      } else {
        --Column;
      }
    }
    if (reversals >= 2) {
      rt::assertionFailed();
      break;
    }
  }
  SeekForward = 0;
}

void EIPManager::ResetColumn() {
  engine().setKeyCode(0);
  Next();
  EditQueueEntry* e = EntryOf(Column);
  ui::Window* w = LoopWindow();
  if (!e || !e->Control || !w) return;
  if (e->Control->ResetControl() || Column != LastColumn) {
    const int32_t feq = e->Control->GetFeq();
    w->setProp(ListControl, ui::Prop_Edit, feq, Column);
    w->select(feq);
    LastColumn = Column;
  }
}

void EIPManager::ClearColumn() {
  if (LastColumn == 0) return;
  if (ui::Window* w = LoopWindow()) w->setProp(ListControl, ui::Prop_Edit, 0, Column);
  LastColumn = 0;
}

Level EIPManager::TakeEvent() {
  const int event = engine().event();
  switch (event) {
    case ui::Event_Size:
    case ui::Event_Iconize:
    case ui::Event_Maximize: return Level::Notify;
    case ui::Event_CloseWindow:
    case ui::Event_CloseDown:
    case ui::Event_Sized:
      TakeFocusLoss();
      Repost = event;
      RepostField = engine().field();
      return Level::Fatal;
    default: break;
  }
  Again = 1;
  Level r = WindowManager::TakeEvent();
  if (r != Level::Benign) return r;
  return Again ? Level::Benign : Level::Fatal;
}

Level EIPManager::TakeFieldEvent() {
  ui::Engine& e = engine();
  const int32_t field = e.field();
  if (field == ListControl) return Level::Benign;
  EditQueueEntry* found = nullptr;
  if (EditQueueEntry* cur = EntryOf(Column); cur && cur->Control && cur->Control->GetFeq() == field) found = cur;
  if (!found && EQ) {
    for (EditQueueEntry& q : *EQ)
      if (q.Control && q.Control->GetFeq() == field) {
        found = &q;
        break;
      }
  }
  if (found) {
    TakeAction(found->Control->TakeEvent(e.event()));
    return Level::Benign;
  }
  ui::Window* w = LoopWindow();
  if (w && w->prop(field, ui::Prop_Type).toInt() == ui::Ctl_Button && e.event() == ui::Event_Selected)
    return Level::Benign;
  if (ui::isMouseKey(e.keyCode()) && e.keyCode() != ui::Mouse_RightUp) {
    Repost = e.event();
    RepostField = field;
    TakeFocusLoss();
    if (Again) {
      // The user kept editing: the click does nothing and the cell keeps the focus.
      Repost = 0;
      RepostField = 0;
      LastColumn = 0;
      ResetColumn();
      return e.event() == ui::Event_Selecting ? Level::Notify : Level::Benign;
    }
  }
  return Level::Benign;
}

Level EIPManager::TakeNewSelection() {
  if (engine().keyCode() == ui::Mouse_Left) {
    ClearColumn();
    if (ui::Window* w = LoopWindow()) {
      const int32_t col = int32_t(w->prop(ListControl, ui::Prop_MouseDownField).toInt());
      if (col >= 1) Column = col;
    }
    ResetColumn();
  }
  return Level::Benign;
}

void EIPManager::SetNavigation(int32_t request) {
  if (VCRRequest) *VCRRequest = request;
}

void EIPManager::CompleteBy(const uint8_t* byte, bool tab) {
  if (!byte) {
    TakeCompleted(Completion_Save);
    return;
  }
  switch (*byte & 7) {
    case 1: TakeCompleted(Completion_Save); break;
    case 0: TakeCompleted(tab ? Completion_Ask : Completion_Save); break;
    case 2: TakeCompleted(Completion_Abandon); break;
    default: TakeCompleted(Completion_Ask); break;
  }
}

void EIPManager::TakeAction(uint8_t action) {
  if (action != EditAction_None && action != EditAction_Cancel) {
    if (EditQueueEntry* cur = EntryOf(Column); cur && cur->Control) action = cur->Control->TakeAccepted(action);
  }
  switch (action) {
    case EditAction_Forward: {
      ClearColumn();
      const int32_t was = Column;
      ++Column;
      SeekForward = 1;
      Next();
      EditQueueEntry* cur = EntryOf(Column);
      if ((cur && cur->Control && cur->Control->ResetControl()) || Column != was) {
        ResetColumn();
      } else {
        CompleteBy(Tab, true);
        if (Tab && (*Tab & RowAction_Navigate) && !Again) SetNavigation(Toolbar_Down);
      }
      break;
    }
    case EditAction_Backward:
      if (Column > 1) {
        ClearColumn();
        --Column;
        ResetColumn();
      }
      break;
    case EditAction_Next:
    case EditAction_Previous: {
      const int32_t was = Column;
      CompleteBy(Arrow, false);
      if (Arrow && (*Arrow & RowAction_Navigate) && !Again)
        SetNavigation(action == EditAction_Next ? Toolbar_Down : Toolbar_Up);
      if (Arrow && (*Arrow & RowAction_SameColumn) && !Again) Column = was;
      break;
    }
    case EditAction_Complete:
      CompleteBy(Enter, false);
      if (Enter && (*Enter & RowAction_Navigate) && !Again) SetNavigation(Toolbar_Down);
      break;
    case EditAction_Cancel: TakeCompleted(Completion_Abandon); break;
    default: break;
  }
}

void EIPManager::TakeFocusLoss() { CompleteBy(FocusLoss, false); }

uint8_t EIPManager::TakeAcceptAll() {
  ui::Window* w = LoopWindow();
  for (int32_t i = 1; columnExists(w, ListControl, i) && size_t(i) <= EQ->size(); ++i) {
    EditQueueEntry& e = (*EQ)[size_t(i - 1)];
    if (!e.Control) continue;
    const int32_t feq = e.Control->GetFeq();
    // The column's own check first, so that a column that says why it
    // refuses a value is heard on every way the row is completed (closing
    // the window included); then a value the picture cannot hold is refused
    // like a required one left empty.
    bool refused = e.Control->TakeAccepted(EditAction_Forward) == EditAction_Cancel;
    if (!refused) refused = feq != 0 && !w->update(feq, feq);
    if (!refused && e.Control->Req) {
      const std::string v = rt::getValueText(e.Control->UseVar).value_or("");
      refused = v.find_first_not_of(" 0.") == std::string::npos;
    }
    if (refused) {
      ClearColumn();
      Column = i;
      Again = 1;
      ResetColumn();
      return 0;
    }
  }
  return 1;
}

void EIPManager::TakeCompleted(uint8_t choice) {
  if ((choice == Completion_Save || choice == Completion_Ask) && !TakeAcceptAll()) return;
  Column = 1;
  if (Again) ResetColumn();
}

Level EIPManager::Kill() {
  ui::Window* w = LoopWindow();
  if (EQ) {
    for (EditQueueEntry& e : *EQ) {
      if (!e.Control) {
        if (w) w->setProp(ListControl, ui::Prop_ColColor, ui::Color_None, e.Column);
      } else {
        e.Control->Kill();
      }
    }
  }
  if (w) {
    w->alert(ListControl, ui::Mouse_LeftDouble);
    if (MouseLeftIndex) w->setProp(ListControl, ui::Prop_Alrt, ui::Mouse_Left, MouseLeftIndex);
  }
  const int32_t event = Repost;
  const int32_t control = RepostField;
  if (Repost != 0) {
    Repost = 0;
    RepostField = 0;
    Post(event, control);
  }
  Level r = WindowManager::Kill();
  if (event == ui::Event_Selecting) Post(ui::Event_Accepted, control);
  Repost = 0;
  return r;
}

}  // namespace fw
