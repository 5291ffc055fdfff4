#include "runtime/ui/qt/desktop_session.h"

#include <QApplication>
#include <cstdlib>

#include "runtime/ui/qt/qt_backend.h"

namespace ui::qt {

struct DesktopSession::Parts {
  Parts(int& argc, char** argv) : app(argc, argv) {}
  QApplication app;  // before the back-end, which needs it
  QtBackend backend;
};

DesktopSession::DesktopSession(int& argc, char** argv) : parts_(std::make_unique<Parts>(argc, argv)) {}

DesktopSession::~DesktopSession() = default;

bool DesktopSession::DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

}  // namespace ui::qt
