// The one path by which the runtime shows a modal message box: fatal program
// errors, assertions and the framework's messages all end here. The runtime
// installs a plain presenter that writes to standard error; the window engine
// replaces it with real dialogs, tests with scripted answers.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// Button codes; a set of buttons is their sum.
enum MessageButton : uint32_t {
  Button_Ok = 1,
  Button_Yes = 2,
  Button_No = 4,
  Button_Abort = 8,
  Button_Retry = 16,
  Button_Ignore = 32,
  Button_Cancel = 64,
  Button_Help = 128,
};

// Icons are four-byte designators of a standard system icon:
// byte 255, byte 1, a selector byte, byte 127 (little-endian in the number).
constexpr uint32_t systemIcon(uint8_t selector) {
  return 0xFFu | (1u << 8) | (uint32_t(selector) << 16) | (127u << 24);
}
constexpr uint32_t Icon_None = 0;
constexpr uint32_t Icon_Hand = systemIcon(1);
constexpr uint32_t Icon_Question = systemIcon(3);
constexpr uint32_t Icon_Exclamation = systemIcon(4);
constexpr uint32_t Icon_Asterisk = systemIcon(5);

struct MessageRequest {
  std::string caption;
  std::string text;            // "|" separates lines
  uint32_t icon = Icon_None;
  uint32_t buttons = Button_Ok;
  uint32_t defaultButton = Button_Ok;
  uint32_t style = 0;
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Shows the message modally and returns the code of the pressed button.
  virtual uint32_t show(const MessageRequest& request) = 0;
};

// Writes the message to standard error and answers the default button.
class StderrMessagePresenter : public MessagePresenter {
 public:
  uint32_t show(const MessageRequest& request) override;
};

// The process-wide presenter. Installing nullptr restores the standard-error one.
// Returns the presenter that was installed before.
MessagePresenter* setMessagePresenter(MessagePresenter* presenter);
MessagePresenter& messagePresenter();

// Convenience: messagePresenter().show(request).
uint32_t showMessage(const MessageRequest& request);

}  // namespace rt
