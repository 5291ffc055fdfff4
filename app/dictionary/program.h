// The program body: what runs on the main thread between start-up and end.
#pragma once

#include <cstdint>
#include <functional>

namespace app {

// The system's "show window contents while dragging" setting. Platforms
// without one pass no object and the steps that read and switch it are
// skipped.
class FullWindowDragSetting {
 public:
  virtual ~FullWindowDragSetting() = default;
  virtual int32_t Query() = 0;  // query 38
  // Write 37 with `value`, `data` as the data argument and update `flags`.
  virtual void Set(int32_t value, int32_t* data, uint32_t flags) = 0;
};

inline constexpr uint32_t kUpdateProfileAndBroadcast = 3;

// Runs the program body in order: GlobalErrors.Init with the thread's
// status; FuzzyMatcher.Init with options 1 = 1 and 2 = 0; INIMgr.Init on
// "QVAPP.INI"; DctInit; full-window drag off when it was on; `main_procedure`;
// INIMgr.Update(); full-window drag on again when it was on; INIMgr.Kill;
// FuzzyMatcher.Kill.
void RunProgram(const std::function<void()>& main_procedure, FullWindowDragSetting* drag = nullptr);

}  // namespace app
