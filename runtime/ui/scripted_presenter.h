// A message presenter that answers from a script, for tests and for runs
// without a display. Every message is kept; with the script used up it
// answers the default button.
#pragma once

#include <deque>
#include <vector>

#include "runtime/core/message_presenter.h"

namespace ui {

class ScriptedPresenter : public rt::MessagePresenter {
 public:
  void answer(uint32_t button) { answers_.push_back(button); }
  uint32_t show(const rt::MessageRequest& request) override;

  std::vector<rt::MessageRequest> shown;

 private:
  std::deque<uint32_t> answers_;
};

// Buttons of a message box in display order (Ok, Yes, No, Abort, Retry,
// Ignore, Cancel, Help); an empty set shows Ok.
std::vector<uint32_t> messageButtons(uint32_t set);
// The text with "|" turned into line breaks.
std::string messageLines(const std::string& text);

}  // namespace ui
