// The list of the error history dialog: a window component that shows a
// private copy of the history in callback mode (VLBProc answers the rows),
// column 1 the text, column 2 the category.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/error_entry.h"
#include "framework/data/level.h"
#include "framework/window/window_component.h"

namespace ui {
class Window;
}

namespace fw {

class ErrorClass;

class HistHandlerClass : public WindowComponent {
 public:
  // Binds the handler to the dialog window, its list control, the copy of
  // the history and the manager.
  void Init(ui::Window* win, int32_t list, const std::vector<HistoryEntry>* history,
            ErrorClass* err);

  void Kill() override {}
  void Reset(uint8_t) override {}
  bool ResetRequired() override { return false; }
  void SetAlerts() override {}
  // On "EVENT:OpenWindow" puts the list into callback mode.
  Level TakeEvent() override;
  void Update() override {}
  // Redisplays the list.
  void UpdateWindow() override;

  // Row -1: entry count; -2: column count; -3: changed (always 1); else the
  // row's column (1 text, 2 category, others empty).
  std::string VLBProc(int32_t row, int16_t column) const;

  ErrorClass* Err = nullptr;
  const std::vector<HistoryEntry>* History = nullptr;
  int16_t LBColumns = 0;
  ui::Window* Win = nullptr;
  int32_t List = 0;  // the list control

 private:
  class Rows;
  std::shared_ptr<Rows> rows_;
};

}  // namespace fw
