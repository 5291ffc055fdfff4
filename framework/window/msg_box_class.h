// The error history dialog: a window procedure with the history list, an
// icon and up to eight buttons (controls 100 to 107). The buttons present
// in ButtonTypes are laid out walking the bits from Help (128) down to Ok
// (1), so Ok + Help gives Help on control 100 and Ok on 101.
//
//   fw::HistHandlerClass handler;
//   fw::MsgBoxClass box(&errors, &handler, "Errors History", 0, Ok | Help, Ok);
//   handler.History = &copy;       // the private copy of the history
//   box.Run();
//   uint32_t pressed = box.MsgRVal;
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/error_entry.h"
#include "framework/window/window_manager.h"

namespace ui {
class Window;
struct WindowDef;
}  // namespace ui

namespace fw {

class ErrorClass;
class HistHandlerClass;

// Controls of the dialog.
inline constexpr int32_t MsgBox_Image = 1;
inline constexpr int32_t MsgBox_List = 2;
inline constexpr int32_t MsgBox_FirstButton = 100;
inline constexpr int32_t MsgBox_LastButton = 107;

// The list's column format.
inline constexpr const char* kHistoryListFormat =
    "217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@";

// The dialog's window definition: the icon image, the list, eight hidden buttons.
ui::WindowDef HistoryWindowDef();
// The caption of button code `button` ("O&k", "&Yes", ...), empty for others.
std::string ButtonCaption(uint32_t button);

class MsgBoxClass : public WindowManager {
 public:
  // The dialog for `buttons` with `defaultButton`; Caption empty: "Error".
  MsgBoxClass(ErrorClass* err, HistHandlerClass* handler, std::string caption, uint32_t icon,
              uint32_t buttons, uint32_t defaultButton, uint32_t style = 0);
  ~MsgBoxClass() override;

  // Opens the window and lays out the buttons.
  Level Init() override;
  Level Kill() override;
  // A visible button stores its code in MsgRVal and ends the dialog.
  Level TakeAccepted() override;
  // Sets the image to Icon, or the exclamation icon when Icon is 0.
  virtual void SetupAdditionalFeqs();

  // The button code of control 100 + i, 0 for any other control.
  uint32_t FetchStdButton(int32_t control) const;

  uint32_t ButtonTypes = 0;
  std::string Caption;
  ErrorClass* Err = nullptr;
  uint32_t Icon = 0;
  HistHandlerClass* HistoryHandler = nullptr;
  uint32_t MsgButtons = 0;
  std::array<uint32_t, 8> MsgButtonID{};
  uint32_t MsgRVal = 0;  // the default button on entry, the pressed one on exit
  uint32_t Style = 0;
  std::unique_ptr<ui::Window> Win;
};

}  // namespace fw
