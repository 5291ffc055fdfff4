// What a window manager drives of the objects registered with it (browse
// lists, the error-history list), in registration order.
#pragma once

#include <cstdint>

#include "framework/data/level.h"

namespace fw {

class WindowComponent {
 public:
  virtual ~WindowComponent() = default;
  // Releases everything; called once when the window manager dies.
  virtual void Kill() = 0;
  // Re-reads data and refreshes; a non-zero force refreshes even when
  // nothing seems to have changed.
  virtual void Reset(uint8_t force) = 0;
  // The data changed underneath and a window reset is due.
  virtual bool ResetRequired() = 0;
  // Registers the keys the component wants to see.
  virtual void SetAlerts() = 0;
  // Handles the current event; anything but Benign stops the dispatch.
  virtual Level TakeEvent() = 0;
  // Moves the controls' values into the component's buffers.
  virtual void Update() = 0;
  // Refreshes the component's controls from its buffers.
  virtual void UpdateWindow() = 0;
};

}  // namespace fw
