// The page buffer and list control of an ordinary browse: a RecordQueue
// shown by a list control of the window engine. Each operation maps to one
// queue operation or one list property (Choice, Items, Visible, SelStart).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/window/browse_queue.h"

namespace ui {
class Window;
}

namespace fw {

class RecordQueue;

class StandardBehavior : public BrowseQueue, public IListControl {
 public:
  // `window` may be given later (SetWindow) or left to the thread's target window.
  void Init(RecordQueue* queue, int32_t control, ui::Window* window = nullptr);
  // Also makes the queue the list's row source.
  void SetWindow(ui::Window* window);
  ui::Window* ListWindow() const;

  int32_t Records() override;
  void Insert() override;
  void Insert(int32_t position) override;
  void Fetch(int32_t position) override;
  void Update() override;
  void Delete() override;
  void Free() override;
  std::string Who(int32_t column) override;
  std::string GetViewPosition() override;
  void SetViewPosition(std::string_view position) override;

  int32_t Choice() override;
  int32_t GetControl() override { return LC; }
  int32_t GetItems() override;
  bool GetVisible() override;
  // Redraws the rows (they may have changed) and highlights `row`.
  void SetChoice(int32_t row) override;
  void SetControl(int32_t control) override { LC = control; }

  RecordQueue* Q = nullptr;
  int32_t LC = 0;
  ui::Window* Win = nullptr;
};

}  // namespace fw
