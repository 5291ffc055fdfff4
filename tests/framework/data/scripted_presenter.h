// Collects the messages the code under test shows, answering a fixed button.
#pragma once

#include <string>
#include <vector>

#include "runtime/core/message_presenter.h"

namespace fwtest {

class ScriptedPresenter : public rt::MessagePresenter {
 public:
  ScriptedPresenter() { previous_ = rt::setMessagePresenter(this); }
  ~ScriptedPresenter() override { rt::setMessagePresenter(previous_); }
  uint32_t show(const rt::MessageRequest& r) override {
    shown.push_back(r);
    return answer ? answer : r.defaultButton;
  }
  std::vector<rt::MessageRequest> shown;
  uint32_t answer = 0;

 private:
  rt::MessagePresenter* previous_;
};

}  // namespace fwtest
