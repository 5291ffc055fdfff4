// BrowseClass: edit in place (the manager, the edit list and AskRecord).
#include "framework/window/browse_class.h"
#include "framework/window/browse_eip_manager.h"
#include "framework/window/edit_class.h"
#include "framework/window/window_manager.h"

namespace fw {

void BrowseClass::CheckEIP() {
  if (!EIP) {
    ownEIP_ = std::make_unique<BrowseEIPManager>();
    EIP = ownEIP_.get();
    FreeEIP = true;
  }
  if (!EditList) EditList = std::make_unique<EditQueue>();
  EIP->Arrow = &ArrowAction;
  EIP->Enter = &EnterAction;
  EIP->FocusLoss = &FocusLossAction;
  EIP->Tab = &TabAction;
  EIP->DeleteKeyAction = DeleteAction;
  EIP->BC = this;
  EIP->EQ = EditList.get();
  EIP->Fields = Fields.get();
  EIP->Errors = Window ? Window->Errors : nullptr;
  EIP->ListControl = ListControl();
  EIP->VCRRequest = Window ? Window->VCRRequest : nullptr;
}

void BrowseClass::AddEditControl(EditClass* control, int32_t field, bool free) {
  CheckEIP();
  EIP->AddControl(control, field, free);
}

uint8_t BrowseClass::AskRecord(uint8_t request) {
  CheckEIP();
  return EIP->Run(request);
}

void BrowseClass::KillEIP() {
  if (FreeEIP) {
    ownEIP_.reset();
    EIP = nullptr;
    FreeEIP = false;
  }
  if (EditList) {
    for (EditQueueEntry& e : *EditList)
      if (e.FreeUp) delete e.Control;
    EditList.reset();
  }
}

}  // namespace fw
