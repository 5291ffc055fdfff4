#include "framework/window/msg_box_class.h"

#include "framework/window/hist_handler_class.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/system_icon.h"
#include "runtime/ui/window.h"
#include "runtime/ui/window_def.h"

namespace fw {

namespace {

constexpr int kButtonWidth = 45;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;
constexpr int kWindowWidth = 310;
constexpr int kWindowHeight = 150;

}  // namespace

std::string ButtonCaption(uint32_t button) {
  switch (button) {
    case rt::Button_Ok: return "O&k";
    case rt::Button_Yes: return "&Yes";
    case rt::Button_No: return "&No";
    case rt::Button_Abort: return "&Abort";
    case rt::Button_Retry: return "&Retry";
    case rt::Button_Ignore: return "&Ignore";
    case rt::Button_Cancel: return "&Cancel";
    case rt::Button_Help: return "&Help";
    default: return {};
  }
}

ui::WindowDef HistoryWindowDef() {
  ui::WindowDef d;
  d.title = "Error";
  d.name = "HistoryMsg";
  d.width = kWindowWidth;
  d.height = kWindowHeight;
  d.resizable = false;
  ui::ControlDef image;
  image.type = ui::Ctl_Image;
  image.number = MsgBox_Image;
  image.label = "?Image";
  image.x = 4;
  image.y = 4;
  image.width = 20;
  image.height = 20;
  d.controls.push_back(image);
  ui::ControlDef list;
  list.type = ui::Ctl_List;
  list.number = MsgBox_List;
  list.label = "?List";
  list.x = 30;
  list.y = 4;
  list.width = kWindowWidth - 34;
  list.height = kWindowHeight - kButtonHeight - 14;
  list.vscroll = true;
  list.columns = ui::parseListFormat(kHistoryListFormat);
  d.controls.push_back(list);
  for (int32_t n = MsgBox_FirstButton; n <= MsgBox_LastButton; ++n) {
    ui::ControlDef b;
    b.type = ui::Ctl_Button;
    b.number = n;
    b.label = "?Button" + std::to_string(n - MsgBox_FirstButton + 1);
    b.y = kWindowHeight - kButtonHeight - 4;
    b.width = kButtonWidth;
    b.height = kButtonHeight;
    b.hidden = true;
    d.controls.push_back(b);
  }
  return d;
}

MsgBoxClass::MsgBoxClass(ErrorClass* err, HistHandlerClass* handler, std::string caption,
                         uint32_t icon, uint32_t buttons, uint32_t defaultButton, uint32_t style)
    : ButtonTypes(buttons),
      Caption(std::move(caption)),
      Err(err),
      Icon(icon),
      HistoryHandler(handler),
      MsgRVal(defaultButton),
      Style(style),
      Win(std::make_unique<ui::Window>(HistoryWindowDef())) {}

MsgBoxClass::~MsgBoxClass() {
  if (!Dead) Kill();
}

Level MsgBoxClass::Init() {
  Level r = WindowManager::Init();
  if (r != Level::Benign) return r;
  if (HistoryHandler) AddItem(HistoryHandler);
  Open(*Win, ui::Engine::current().target());
  if (!Caption.empty()) Win->setProp(0, ui::Prop_Title, Caption);
  // Buttons from Help down to Ok, left to right on controls 100 onwards.
  MsgButtons = 0;
  MsgButtonID.fill(0);
  const int count = __builtin_popcount(ButtonTypes & 0xFF);
  int x = (kWindowWidth - count * kButtonWidth - (count - 1) * kButtonGap) / 2;
  for (uint32_t bit = rt::Button_Help; bit >= 1; bit >>= 1) {
    if (!(ButtonTypes & bit)) continue;
    const int32_t control = MsgBox_FirstButton + int32_t(MsgButtons);
    MsgButtonID[MsgButtons] = bit;
    ++MsgButtons;
    Win->setProp(control, ui::Prop_Text, ButtonCaption(bit));
    Win->setProp(control, ui::Prop_Xpos, x);
    x += kButtonWidth + kButtonGap;
    if (bit == MsgRVal) Win->setProp(control, ui::Prop_Default, 1);
    Win->unhide(control);
  }
  SetupAdditionalFeqs();
  return Level::Benign;
}

void MsgBoxClass::SetupAdditionalFeqs() {
  const uint32_t icon = Icon != 0 ? Icon : rt::Icon_Exclamation;
  Win->setProp(MsgBox_Image, ui::Prop_Icon, ui::systemIconName(icon));
}

Level MsgBoxClass::Kill() {
  Level r = WindowManager::Kill();
  Caption.clear();
  if (Win) Win->close();
  return r;
}

Level MsgBoxClass::TakeAccepted() {
  Level r = WindowManager::TakeAccepted();
  if (uint32_t button = FetchStdButton(ui::Engine::current().field())) {
    MsgRVal = button;
    return Level::Fatal;
  }
  return r;
}

uint32_t MsgBoxClass::FetchStdButton(int32_t control) const {
  const int32_t i = control - MsgBox_FirstButton;
  if (i < 0 || i >= int32_t(MsgButtons) || i >= int32_t(MsgButtonID.size())) return 0;
  return MsgButtonID[size_t(i)];
}

}  // namespace fw
