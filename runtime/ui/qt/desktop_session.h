// The Qt toolkit for a program's whole run, without Qt in the program's
// own code: makes the QApplication and installs the Qt back-end (and its
// message boxes) until destroyed.
//
//   if (!ui::qt::DesktopSession::DisplayAvailable()) { ...explain...; return 1; }
//   ui::qt::DesktopSession session(argc, argv);
//   ... run window procedures ...
#pragma once

#include <memory>

namespace ui::qt {

class DesktopSession {
 public:
  // `argc` and `argv` must outlive the session (Qt keeps them).
  DesktopSession(int& argc, char** argv);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // Whether a window can be shown: an X11 or Wayland display is named in
  // the environment, or QT_QPA_PLATFORM chooses a platform (offscreen ...).
  static bool DisplayAvailable();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace ui::qt
