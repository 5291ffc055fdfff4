// The error manager's history dialog as a window procedure (MsgBoxClass with
// a HistHandlerClass list). Install it once at start-up:
//
//   fw::InstallHistoryDialog();
//   GlobalErrors.ViewHistory();   // "Errors History", Ok + Help
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/data/history_viewer.h"

namespace fw {

class HistoryDialog : public HistoryViewer {
 public:
  // Runs the dialog over `history` on the calling thread, owned by its
  // current target window; returns the button pressed (the default one
  // when the window is closed).
  uint32_t ShowHistory(ErrorClass& errors, std::vector<HistoryEntry> history,
                       std::string_view caption, uint32_t icon, uint32_t buttons,
                       uint32_t defaultButton) override;
};

// Makes ErrorClass::HistoryMsg (and ViewHistory) show the dialog.
void InstallHistoryDialog();

}  // namespace fw
