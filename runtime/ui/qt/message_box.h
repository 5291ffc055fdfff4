// Modal message boxes on Qt: the process-wide rt::MessagePresenter once the
// Qt back-end is installed, so runtime errors, assertions and the
// framework's questions appear as real dialogs.
#pragma once

#include "runtime/core/message_presenter.h"

namespace ui::qt {

class QtMessagePresenter : public rt::MessagePresenter {
 public:
  // Runs on the GUI thread; other threads wait for the answer.
  uint32_t show(const rt::MessageRequest& request) override;
};

// Caption of a message button ("&Yes", ...).
const char* buttonCaption(uint32_t button);

}  // namespace ui::qt
