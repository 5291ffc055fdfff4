#include "framework/window/browse_eip_manager.h"

#include "framework/data/error_class.h"
#include "framework/data/field_pairs.h"
#include "framework/data/file_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "framework/window/browse_class.h"
#include "framework/window/edit_class.h"
#include "framework/window/request_codes.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace fw {

Level BrowseEIPManager::Init() {
  if (!BC || !BC->ILC || !BC->ListQueue) {
    rt::assertionFailed();
    return Level::Fatal;
  }
  BrowseQueue& q = *BC->ListQueue;
  BC->CurrentChoice = BC->ILC->Choice();
  RelationManager* primary = BC->Primary;
  switch (Req) {
    case Request_Insert: {
      if (q.Records() > 0) {
        if (Insert == 10) BC->ScrollEnd(ui::Event_ScrollBottom);
        if (BC->PrimeRecord(false) != Level::Benign) return Level::Fatal;
        if (primary) primary->Save();
        const bool atEnd = BC->CurrentChoice == q.Records();
        if (Insert != 9) ++BC->CurrentChoice;
        if (q.Records() >= BC->LastItems) {
          // The page is full: a row leaves it to make room.
          if (atEnd) {
            q.Fetch(1);
            --BC->CurrentChoice;
          } else {
            q.Fetch(q.Records());
          }
          q.Delete();
        }
      } else {
        if (BC->PrimeRecord(false) != Level::Benign) return Level::Fatal;
        if (primary) primary->Save();
        BC->CurrentChoice = 1;
      }
      if (BC->CurrentChoice < 1) BC->CurrentChoice = 1;
      Fields->ClearRight();
      WasPrimed = Fields->Equal() ? 0 : 1;
      BC->SetQueueRecord();
      q.Insert(BC->CurrentChoice);
      BC->ILC->SetChoice(BC->CurrentChoice);
      Column = 1;
      break;
    }
    case Request_Delete: {
      if (DeleteKeyAction == 2 || !primary) {
        Response = Response_Cancelled;
      } else {
        const bool ask = DeleteKeyAction == 4;
        Response = primary->Delete(ask) == Level::Benign ? Response_Completed : Response_Cancelled;
      }
      return Level::Fatal;
    }
    case Request_Change: {
      // An untouched row is abandoned silently, whatever an earlier insert primed.
      WasPrimed = 0;
      if (q.Records() == 0 || BC->CurrentChoice < 1) return Level::Fatal;
      q.Fetch(BC->CurrentChoice);
      BC->SetQueueRecord();
      q.Update();
      if (primary) primary->Save();
      if (ui::Engine::current().keyCode() == ui::Mouse_LeftDouble) {
        if (ui::Window* w = LoopWindow()) {
          const int32_t col = int32_t(w->prop(ListControl, ui::Prop_MouseDownField).toInt());
          if (col >= 1) Column = col;
        }
      }
      break;
    }
    default: rt::assertionFailed(); return Level::Fatal;
  }
  q.Fetch(BC->CurrentChoice);
  if (ui::Window* w = LoopWindow()) w->removeAlert(ListControl, ui::Mouse_LeftDouble);
  return EIPManager::Init();
}

void BrowseEIPManager::ClearColumn() {
  if (LastColumn != 0) {
    ui::Window* w = LoopWindow();
    if (w && EQ) {
      for (EditQueueEntry& e : *EQ)
        if (e.Control && e.Control->GetFeq()) w->update(e.Control->GetFeq(), e.Control->GetFeq());
    }
    if (BC && BC->ListQueue) BC->ListQueue->Update();
    if (w) w->refreshRows(ListControl);
  }
  EIPManager::ClearColumn();
}

Level BrowseEIPManager::TakeNewSelection() {
  ui::Engine& e = ui::Engine::current();
  if (e.field() != ListControl || !BC || !BC->ILC) return Level::Benign;
  const int32_t choice = BC->ILC->Choice();
  if (choice == BC->CurrentChoice) return EIPManager::TakeNewSelection();
  TakeFocusLoss();
  if (Again) {
    BC->ILC->SetChoice(BC->CurrentChoice);
    return Level::Benign;
  }
  BC->CurrentChoice = choice;
  Response = Response_Cancelled;
  return Level::Fatal;
}

void BrowseEIPManager::TakeCompleted(uint8_t choice) {
  if ((choice == Completion_Save || choice == Completion_Ask) && !TakeAcceptAll()) return;
  Again = 0;
  ClearColumn();
  uint8_t c = choice == Completion_Ask ? Completion_Save : choice;
  if (Fields->Equal() && !WasPrimed) {
    c = Completion_Abandon;  // nothing was typed
  } else if (choice == Completion_Ask) {
    c = Errors ? uint8_t(Errors->Message(Msg_SaveRecord, rt::Button_Yes | rt::Button_No | rt::Button_Cancel,
                                         rt::Button_Yes))
               : Completion_Save;
  }
  Response = Response_Cancelled;
  BrowseQueue& q = *BC->ListQueue;
  switch (c) {
    case Completion_KeepEditing: Again = 1; break;
    case Completion_Abandon:
      if (Req == Request_Insert) {
        q.Fetch(BC->CurrentChoice);
        q.Delete();
        if (BC->CurrentChoice != 0 && Insert != 9) --BC->CurrentChoice;
        if (BC->Primary) BC->Primary->CancelAutoInc();
      }
      break;
    case Completion_Save: {
      FileManager* me = BC->Primary ? BC->Primary->Me : nullptr;
      uint16_t h = me ? me->SaveBuffer() : 0;
      BC->UpdateBuffer();
      Level r = Level::Fatal;
      if (Req == Request_Insert && me) r = me->Insert();
      // A record changed by another process is reported as message 7, with
      // the other version read into the buffer: a list keeps no field
      // history to recall the typed values from (message 8's advice).
      else if (Req == Request_Change && BC->Primary) r = BC->Primary->Update(false);
      if (r != Level::Benign) {
        Again = 1;  // the manager has told the user why
      } else {
        Response = Response_Completed;
      }
      if (me) me->RestoreBuffer(h, Again != 0);
      if (BC->View) BC->View->Flush();
      break;
    }
    default: break;
  }
  EIPManager::TakeCompleted(Completion_Abandon);
}

Level BrowseEIPManager::Kill() {
  if (BC) BC->ResetFromAsk(Req, Response);
  return EIPManager::Kill();
}

}  // namespace fw
