// A window of the window engine as the settings store sees it, so that a
// procedure keeps its window's position, size and state between runs:
//
//   fw::RestoreWindowPosition(INIMgr, "Main", window);   // after opening it
//   fw::SaveWindowPosition(INIMgr, "Main", window);      // in Kill, when it was opened
#pragma once

#include <string_view>

#include "framework/data/ini_class.h"

namespace ui {
class Window;
}

namespace fw {

class UiWindowPlacement : public WindowPlacement {
 public:
  explicit UiWindowPlacement(ui::Window& window) : w_(window) {}
  bool maximized() const override;
  void setMaximized(bool on) override;
  bool minimized() const override;
  void setMinimized(bool on) override;
  int32_t x() const override;
  int32_t y() const override;
  // kNotRecorded leaves the placing to the system.
  void setPosition(int32_t x, int32_t y) override;
  int32_t width() const override;
  int32_t height() const override;
  void setWidth(int32_t w) override;
  void setHeight(int32_t h) override;
  bool resizable() const override;

 private:
  ui::Window& w_;
};

void RestoreWindowPosition(INIClass& ini, std::string_view procedureName, ui::Window& window);
void SaveWindowPosition(INIClass& ini, std::string_view procedureName, ui::Window& window);

}  // namespace fw
