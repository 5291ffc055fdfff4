#include "app/dictionary/program.h"

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/globals.h"

namespace app {

void RunProgram(const std::function<void()>& main_procedure, FullWindowDragSetting* drag) {
  GlobalErrors.Init(fw::ThreadErrorStatus);
  AddAppMessages(GlobalErrors);
  FuzzyMatcher.Init();
  FuzzyMatcher.SetOption(1, 1);
  FuzzyMatcher.SetOption(2, 0);
  INIMgr.Init("QVAPP.INI", 0, 0);
  DctInit();
  if (drag) {
    lCurrentFDSetting = drag->Query();
    if (lCurrentFDSetting == 1) drag->Set(0, &lAdjFDSetting, kUpdateProfileAndBroadcast);
  }
  if (main_procedure) main_procedure();
  INIMgr.Update();
  if (drag && lCurrentFDSetting == 1) drag->Set(1, &lAdjFDSetting, kUpdateProfileAndBroadcast);
  INIMgr.Kill();
  FuzzyMatcher.Kill();
}

}  // namespace app
