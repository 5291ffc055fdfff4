#include "framework/window/history_dialog.h"

#include "framework/window/hist_handler_class.h"
#include "framework/window/msg_box_class.h"

namespace fw {

uint32_t HistoryDialog::ShowHistory(ErrorClass& errors, std::vector<HistoryEntry> history,
                                    std::string_view caption, uint32_t icon, uint32_t buttons,
                                    uint32_t defaultButton) {
  HistHandlerClass handler;
  MsgBoxClass box(&errors, &handler, std::string(caption), icon, buttons, defaultButton);
  handler.Init(box.Win.get(), MsgBox_List, &history, &errors);
  box.Run();
  return box.MsgRVal;
}

void InstallHistoryDialog() {
  static HistoryDialog dialog;
  SetHistoryViewer(&dialog);
}

}  // namespace fw
