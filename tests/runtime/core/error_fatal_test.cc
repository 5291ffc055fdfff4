#include "runtime/core/error_fatal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/core/error_state.h"
#include "runtime/core/message_presenter.h"

namespace {

// Writes what it was asked to show, so the parent can match it.
class EchoPresenter : public rt::MessagePresenter {
 public:
  uint32_t show(const rt::MessageRequest& r) override {
    std::fprintf(stderr, "caption=<%s> icon=%s text=<%s>\n", r.caption.c_str(),
                 r.icon == rt::Icon_Hand ? "hand" : "other", r.text.c_str());
    return rt::Button_Ok;
  }
};

class FatalError : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(FatalError, ShowsContextAndMessageThenExitsWithCode2) {
  EXPECT_EXIT(rt::fatalError(402, "Opening QVLIBRETA"), testing::ExitedWithCode(2),
              "\\[Runtime error\\] Opening QVLIBRETA : Null pointer de-reference\n");
  // Without a context: the message alone, its padding clipped.
  EXPECT_EXIT(rt::fatalError(503), testing::ExitedWithCode(2),
              "\\[Runtime error\\] Internal error 03\n");
  EXPECT_EXIT(rt::fatalMessage("Possible data corruption in file X.KRL (17)"),
              testing::ExitedWithCode(2),
              "\\[Runtime error\\] Possible data corruption in file X.KRL \\(17\\)\n");
}

TEST_F(FatalError, GoesThroughThePresenterAsARuntimeErrorBox) {
  EXPECT_EXIT(
      {
        EchoPresenter echo;
        rt::setMessagePresenter(&echo);
        rt::fatalError(404);
      },
      testing::ExitedWithCode(2),
      "caption=<Runtime error> icon=hand text=<Arithmetic Overflow>");
}

TEST_F(FatalError, OnAnotherThreadStillEndsTheProgram) {
  EXPECT_EXIT(
      {
        std::thread t([] { rt::fatalError(408); });
        t.join();
      },
      testing::ExitedWithCode(2), "Long Integer Divide By Zero");
}

TEST_F(FatalError, InstalledProgramEndIsAskedAndTheCodeIsPosted) {
  EXPECT_EXIT(
      {
        rt::setProgramEnd([](int exitCode) {
          std::fprintf(stderr, "asked to end with %d, code %d\n", exitCode, rt::ERRORCODE());
          std::_Exit(7);
        });
        rt::fatalError(409);
      },
      testing::ExitedWithCode(7), "asked to end with 2, code 409");
  // An installed end that returns does not let the failing code run on.
  EXPECT_EXIT(
      {
        rt::setProgramEnd([](int) {});
        rt::fatalError(409);
        std::exit(5);
      },
      testing::ExitedWithCode(2), "Index out of range");
}

TEST_F(FatalError, FatalErrorInsideThePresenterDoesNotRecurse) {
  class Failing : public rt::MessagePresenter {
   public:
    uint32_t show(const rt::MessageRequest&) override {
      std::fprintf(stderr, "shown\n");
      rt::fatalError(401);
    }
  };
  EXPECT_EXIT(
      {
        Failing failing;
        rt::setMessagePresenter(&failing);
        rt::fatalError(402);
      },
      testing::ExitedWithCode(2), "^shown\n$");
}

}  // namespace
