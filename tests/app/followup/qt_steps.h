// Steps of a test run one after another from Qt timers while the program's
// window loops run.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"

namespace app::testing {

// Steps run one after another from Qt timers while the windows' loops run;
// a step returning false is tried again shortly. A run still going after
// the time limit is ended (and fails).
class Steps {
 public:
  Steps& then(std::function<bool()> s) {
    steps_.push_back(std::move(s));
    return *this;
  }
  Steps& act(std::function<void()> s) {
    return then([s] {
      s();
      return true;
    });
  }
  void start() {
    QTimer::singleShot(0, &context_, [this] { tick(); });
    QTimer::singleShot(240000, &context_, [this] {
      timedOut = true;
      if (ui::Window* w = ui::Engine::current().target()) ui::Engine::current().post(ui::Event_CloseDown, 0, w);
    });
  }
  bool finished() const { return steps_.empty() && !timedOut; }
  bool timedOut = false;

 private:
  void tick() {
    if (steps_.empty() || timedOut) return;
    if (steps_.front()()) steps_.pop_front();
    QTimer::singleShot(steps_.empty() ? 0 : 2, &context_, [this] { tick(); });
  }
  std::deque<std::function<bool()>> steps_;
  QObject context_;
};

}  // namespace app::testing
