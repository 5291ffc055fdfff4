// A fixture that installs a fresh headless back-end and records what an
// event loop sees.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/ui/accept_loop.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/window.h"

namespace uitest {

using Seen = std::vector<std::pair<int, int>>;  // (event, control)

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = ui::setBackend(&hb);
    // The thread's engine outlives a test: start each from no event and no key.
    ui::Engine::current().restore({});
  }
  void TearDown() override { ui::setBackend(previous_); }

  // Runs an event loop until the window closes; records every event.
  Seen drain(ui::Window& w) {
    Seen seen;
    ui::AcceptLoop loop(w);
    while (loop.next()) seen.emplace_back(ui::Engine::current().event(), ui::Engine::current().field());
    return seen;
  }

  ui::HeadlessBackend hb;

 private:
  ui::Backend* previous_ = nullptr;
};

inline ui::ControlDef ctl(ui::ControlType type, std::string text = {}) {
  ui::ControlDef d;
  d.type = type;
  d.text = std::move(text);
  return d;
}

}  // namespace uitest
