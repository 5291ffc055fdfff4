// The save protocol of update forms: what runs when the window completes,
// retries of failed writes, the question on cancel, and adding one record
// after another.
#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"

namespace fw {

namespace {

// The wait cursor for the length of one file operation.
class WaitCursor {
 public:
  WaitCursor() { ui::Engine::current().setWaitCursor(true); }
  ~WaitCursor() { ui::Engine::current().setWaitCursor(false); }
};

}  // namespace

uint32_t WindowManager::AskYesNoCancel(uint16_t id) {
  ErrorClass* errors = Errors ? Errors : (Primary && Primary->Me ? Primary->Me->Errors : nullptr);
  if (!errors) return rt::Button_Cancel;
  return errors->Message(id, rt::Button_Yes | rt::Button_No | rt::Button_Cancel, rt::Button_Cancel);
}

void WindowManager::TakeNewSaved() {
  FileManager* me = Primary->Me;
  me->RestoreBuffer(Saved, false);
  Saved = me->SaveBuffer();
}

Level WindowManager::PrimeUpdate() {
  if (!Primary || !Primary->Me) {
    rt::assertionFailed("PrimeUpdate needs the primary relation manager");
    return Level::Fatal;
  }
  Primary->Me->UseFile(kUseChange);
  Primary->Save();
  if (Files)
    for (UpdateFileEntry& f : *Files) {
      f.Manager->RestoreBuffer(f.Saved, false);
      f.Saved = f.Manager->SaveBuffer();
    }
  Level result = Level::Benign;
  if (Request == Request_Insert && InsertAction_ != 0) {
    Response = Response_Completed;
    PrimeFields();
    if (Response == Response_Cancelled) {
      // PrimeFields refused the insert: the window is not shown, so no close
      // event will give back a number that automatic numbering reserved.
      Primary->CancelAutoInc();
      result = Level::Fatal;
    } else
      Response = Response_Cancelled;
  } else if (Request == Request_Delete && (DeleteAction_ == 2 || DeleteAction_ == 4)) {
    // Deleted without showing the window.
    Level r = Primary->Delete(DeleteAction_ == 2);
    Response = r == Level::Benign ? Response_Completed : Response_Cancelled;
    result = Level::Fatal;
  }
  TakeNewSaved();
  return result;
}

Level WindowManager::TakeCompleted() {
  SaveHistory();
  switch (Request) {
    case Request_Insert: return InsertAction();
    case Request_Change: return ChangeAction();
    case Request_Delete: return DeleteAction();
    case Request_Save:
      if (OriginalRequest == Request_Insert) return SaveOnInsertAction();
      if (OriginalRequest == Request_Change) return SaveOnChangeAction();
      return Level::Benign;
    default: return Level::Benign;
  }
}

void WindowManager::PrimeNextRecord(bool restorePrimary) {
  FileManager* me = Primary->Me;
  LastInsertedPosition = me->Position();
  if (Files)
    for (UpdateFileEntry& f : *Files) {
      f.Manager->RestoreBuffer(f.Saved, true);
      f.Saved = f.Manager->SaveBuffer();
    }
  if (restorePrimary) me->RestoreBuffer(Saved, true);
  me->UseFile(kUseChange);
  if (me->PrimeAutoInc() != Level::Benign) {
    Post(ui::Event_CloseWindow);
  } else {
    PrimeFields();
    Response = Response_Cancelled;
  }
  TakeNewSaved();
  Display();
  Select(FirstField);
}

Level WindowManager::InsertAction() {
  if (Primary->Me->Insert() != Level::Benign) {
    // The file layer has told the user why; the form stays open.
    Select(FirstField);
    return Level::Notify;
  }
  if (InsertAction_ == 2) {
    SetResponse(Response_Completed);
    return Level::Benign;
  }
  if (InsertAction_ == 4) {
    ErrorClass* errors = Errors ? Errors : Primary->Me->Errors;
    if (!errors || errors->Throw(Msg_RecordAdded) != Level::Benign) {
      SetResponse(Response_Completed);
      return Level::Benign;
    }
  }
  if (InsertAction_ == 3 || InsertAction_ == 4) {
    PrimeNextRecord(true);
    return Level::Notify;
  }
  return Level::Benign;
}

Level WindowManager::WriteChanges(bool* written, uint32_t* answer) {
  *written = false;
  *answer = 0;
  for (;;) {
    Response = Response_Cancelled;
    Level err = Level::Benign;
    bool changed = false;
    {
      WaitCursor wait;
      if (!Primary->Me->EqualBuffer(Saved)) {
        changed = true;
        // With a history key, a record changed by another station is
        // reported with the message that points at that key.
        err = Primary->Update(HistoryKey != 0);
      }
    }
    if (err == Level::Benign) {
      *written = changed;
      return err;
    }
    if (err == Level::User) {
      uint32_t a = AskYesNoCancel(37);
      if (a == rt::Button_Yes) continue;
      *answer = a;
    } else {
      *answer = rt::Button_Cancel;
    }
    if (*answer != rt::Button_No) {
      Display();
      Select(FirstField);
    }
    return err;
  }
}

Level WindowManager::ChangeAction() {
  bool written = false;
  uint32_t answer = 0;
  if (WriteChanges(&written, &answer) != Level::Benign) {
    if (answer == rt::Button_No && OriginalRequest != Request_Insert) Post(ui::Event_CloseWindow);
    return Level::Notify;
  }
  // An unchanged record counts as done only for a toolbar form with no
  // navigation pending.
  if (written || (Toolbar && !PendingNavigation())) Response = Response_Completed;
  if (OriginalRequest == Request_Change && ChangeAction_ == 2) Post(ui::Event_CloseWindow);
  if (OriginalRequest == Request_Insert && Response == Response_Completed) {
    // A form that inserted a record, stayed open, and has now saved a change to it.
    EnableCancelControls();
    Request = Request_Insert;
    if (InsertAction_ == 3) {
      PrimeNextRecord(false);
      return Level::Notify;
    }
    if (ChangeAction_ == 2) Post(ui::Event_CloseWindow);
  }
  return Level::Benign;
}

Level WindowManager::DeleteAction() {
  for (;;) {
    Response = Response_Cancelled;
    Level r;
    {
      WaitCursor wait;
      r = Primary->Delete(DeleteAction_ == 2);
    }
    // Declining the confirmation also ends the form as done.
    if (r == Level::Benign || r == Level::Cancel) {
      SetResponse(Response_Completed);
      return Level::Benign;
    }
    uint32_t a = AskYesNoCancel(36);
    if (a == rt::Button_Yes) continue;
    if (a == rt::Button_No) {
      Post(ui::Event_CloseWindow);
      return Level::Benign;
    }
    Display();
    Select(FirstField);
    return Level::Benign;
  }
}

Level WindowManager::SaveOnInsertAction() {
  if (BeforeSaveRequest == Request_Insert) {
    if (Primary->Me->Insert() != Level::Benign) {
      Request = Request_Insert;
    } else {
      Request = Request_Change;
      // Remembered so that cancelling the form later still reports the
      // record as added and leaves it in the buffer.
      LastInsertedPosition = Primary->Me->Position();
      Select(FirstField);
      TakeNewSaved();
      DisableCancelControls();
    }
  } else {
    Request = Request_Change;
    if (!Primary->Me->EqualBuffer(Saved)) return SaveOnChangeAction();
  }
  return Level::Notify;
}

Level WindowManager::SaveOnChangeAction() {
  bool written = false;
  uint32_t answer = 0;
  if (WriteChanges(&written, &answer) == Level::Benign) {
    TakeNewSaved();
    DisableCancelControls();
  }
  Request = Request_Change;
  return Level::Notify;
}

Level WindowManager::TakeCloseEvent() {
  if (Response != Response_Completed && Primary && Primary->Me) {
    FileManager* me = Primary->Me;
    if (CancelAction != 0 && (Request == Request_Insert || Request == Request_Change) &&
        !me->EqualBuffer(Saved)) {
      if ((CancelAction & 3) == 3) {
        uint32_t a = AskYesNoCancel(38);
        if (a == rt::Button_Yes) {
          Post(ui::Event_Accepted, OKControl);
          return Level::Notify;
        }
        if (a != rt::Button_No) {
          Select(FirstField);
          return Level::Notify;
        }
      } else if (CancelAction & 1) {
        Post(ui::Event_Accepted, OKControl);
        return Level::Notify;
      } else {
        ErrorClass* errors = Errors ? Errors : me->Errors;
        if (errors && errors->Throw(Msg_ChangesWillBeLost) == Level::Cancel) {
          Select(FirstField);
          return Level::Notify;
        }
      }
    }
    if (OriginalRequest == Request_Insert && Response == Response_Cancelled &&
        Primary->CancelAutoInc() != Level::Benign) {
      Select(FirstField);
      return Level::Notify;
    }
    if (!LastInsertedPosition.empty()) {
      // Records were added while the form stayed open: the caller finds
      // the last one in the record buffer.
      Response = Response_Completed;
      me->TryReget(LastInsertedPosition);
    }
  }
  return Level::Benign;
}

}  // namespace fw
