// Where the error manager shows its history dialog. The dialog is a window
// procedure, which lives above the data framework, so the window framework
// installs it here (fw::InstallHistoryDialog); without one, the history
// dialog answers its default button and shows nothing.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/data/error_entry.h"

namespace fw {

class ErrorClass;

class HistoryViewer {
 public:
  virtual ~HistoryViewer() = default;
  // Shows `history` (a private copy) and returns the button pressed.
  virtual uint32_t ShowHistory(ErrorClass& errors, std::vector<HistoryEntry> history,
                               std::string_view caption, uint32_t icon, uint32_t buttons,
                               uint32_t defaultButton) = 0;
};

// The process-wide viewer; returns the previous one. nullptr: none.
HistoryViewer* SetHistoryViewer(HistoryViewer* viewer);
HistoryViewer* GetHistoryViewer();

}  // namespace fw
