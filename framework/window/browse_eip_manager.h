// Edit in place on a browse: the edited row is a row of the browse's page
// buffer (an insert adds one, dropping a row when the page is full), the
// record is written through the primary file manager's Insert or the
// relation manager's Update, and the browse reloads its page afterwards
// (ResetFromAsk) with any navigation request set by the row's action bytes.
//
// The browse makes one on its first AddEditControl or AskRecord
// (BrowseClass::CheckEIP), or takes one the application assigned to EIP.
// A write refused by the managers (they show their message: a duplicate
// key, or message 8 for a record another process changed since it was read)
// leaves the typed row on screen and editable, the stored record untouched
// and the record buffer as it was.
#pragma once

#include <cstdint>

#include "framework/window/eip_manager.h"

namespace fw {

class BrowseClass;

class BrowseEIPManager : public EIPManager {
 public:
  using EIPManager::TakeCompleted;

  Level Init() override;
  Level Kill() override;
  Level TakeNewSelection() override;
  void ClearColumn() override;
  void TakeCompleted(uint8_t choice) override;

  // 1: priming the new record gave it values, so an untouched new row is
  // still worth saving.
  uint8_t WasPrimed = 0;
  uint8_t DeleteKeyAction = 0;
  BrowseClass* BC = nullptr;
};

}  // namespace fw
