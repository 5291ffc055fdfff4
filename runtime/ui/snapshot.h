// Saving windows as PNG pictures for support: when QV_UI_SNAPSHOT_DIR names a
// folder, every window is saved there when it is first idle and when it
// closes, as "<name or title>-open-<n>.png" and "...-close-<n>.png".
#pragma once

#include <string>

namespace ui {

class Window;

// The folder from the environment, empty when snapshots are off.
std::string snapshotDir();
// "open": once per opening of w; "close": every time. "when" is part of the name.
void takeSnapshot(Window& w, const char* when);
// A file name made of the window's procedure name or title, safe on any file system.
std::string snapshotName(const Window& w, const char* when, int serial);

}  // namespace ui
