#include "runtime/ui/backend.h"

#include <atomic>

#include "runtime/ui/headless_backend.h"

namespace ui {

namespace {
std::atomic<Backend*> installed{nullptr};
}

Backend* setBackend(Backend* b) { return installed.exchange(b); }

Backend& backend() {
  static HeadlessBackend headless;
  Backend* b = installed.load();
  return b ? *b : headless;
}

}  // namespace ui
