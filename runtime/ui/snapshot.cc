#include "runtime/ui/snapshot.h"

#include <atomic>
#include <cstdlib>

#include "runtime/ui/window.h"

namespace ui {

std::string snapshotDir() {
  const char* d = std::getenv("QV_UI_SNAPSHOT_DIR");
  return d ? std::string(d) : std::string();
}

std::string snapshotName(const Window& w, const char* when, int serial) {
  std::string base = w.def().name.empty() ? w.title() : w.def().name;
  std::string safe;
  for (char c : base)
    safe.push_back((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-'
                       ? c
                       : '_');
  if (safe.empty()) safe = "window";
  return safe + "-" + when + "-" + std::to_string(serial) + ".png";
}

void takeSnapshot(Window& w, const char* when) {
  static std::atomic<int> serial{0};
  bool closing = std::string(when) == "close";
  if (!w.isOpen() || (w.snapshotTaken && !closing)) return;
  std::string dir = snapshotDir();
  if (dir.empty()) return;
  w.snapshotTaken = true;
  w.savePng(dir + "/" + snapshotName(w, when, ++serial));
}

}  // namespace ui
