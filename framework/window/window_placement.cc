#include "framework/window/window_placement.h"

#include "runtime/ui/window.h"

namespace fw {

namespace {
// The engine's "placed by the system" and the store's "not recorded" meet here.
int32_t toStore(long long v) { return v == ui::Auto ? kNotRecorded : int32_t(v); }
int toEngine(int32_t v) { return v == kNotRecorded ? ui::Auto : v; }
}  // namespace

bool UiWindowPlacement::maximized() const { return w_.prop(0, ui::Prop_Maximize).toInt() != 0; }
void UiWindowPlacement::setMaximized(bool on) { w_.setProp(0, ui::Prop_Maximize, on); }
bool UiWindowPlacement::minimized() const { return w_.prop(0, ui::Prop_Iconize).toInt() != 0; }
void UiWindowPlacement::setMinimized(bool on) { w_.setProp(0, ui::Prop_Iconize, on); }
int32_t UiWindowPlacement::x() const { return toStore(w_.prop(0, ui::Prop_Xpos).toInt()); }
int32_t UiWindowPlacement::y() const { return toStore(w_.prop(0, ui::Prop_Ypos).toInt()); }

void UiWindowPlacement::setPosition(int32_t x, int32_t y) {
  w_.setProp(0, ui::Prop_Xpos, toEngine(x));
  w_.setProp(0, ui::Prop_Ypos, toEngine(y));
}

int32_t UiWindowPlacement::width() const { return toStore(w_.prop(0, ui::Prop_Width).toInt()); }
int32_t UiWindowPlacement::height() const { return toStore(w_.prop(0, ui::Prop_Height).toInt()); }
void UiWindowPlacement::setWidth(int32_t w) { w_.setProp(0, ui::Prop_Width, toEngine(w)); }
void UiWindowPlacement::setHeight(int32_t h) { w_.setProp(0, ui::Prop_Height, toEngine(h)); }
bool UiWindowPlacement::resizable() const { return w_.def().resizable; }

void RestoreWindowPosition(INIClass& ini, std::string_view procedureName, ui::Window& window) {
  UiWindowPlacement p(window);
  ini.Fetch(procedureName, p);
}

void SaveWindowPosition(INIClass& ini, std::string_view procedureName, ui::Window& window) {
  UiWindowPlacement p(window);
  ini.Update(procedureName, static_cast<const WindowPlacement&>(p));
}

}  // namespace fw
