// A fresh error manager bound to the calling thread's status, with a clean
// status and runtime error state, and a presenter that records what is shown.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/data/error_class.h"
#include "runtime/core/error_state.h"
#include "scripted_presenter.h"

namespace fwtest {

class ErrorManagerTest : public ::testing::Test {
 protected:
  ErrorManagerTest() {
    fw::ThreadErrorStatus() = fw::ErrorStatusClass{};
    rt::clearError();
    errors.Init(fw::ThreadErrorStatus);
  }

  // Messages shown other than assertions.
  std::vector<rt::MessageRequest> boxes() const {
    std::vector<rt::MessageRequest> out;
    for (const auto& r : presenter.shown)
      if (r.caption != "Assertion failed") out.push_back(r);
    return out;
  }
  // Texts of the assertions shown.
  std::vector<std::string> assertions() const {
    std::vector<std::string> out;
    for (const auto& r : presenter.shown)
      if (r.caption == "Assertion failed") out.push_back(r.text);
    return out;
  }

  ScriptedPresenter presenter;
  fw::ErrorClass errors;
};

}  // namespace fwtest
