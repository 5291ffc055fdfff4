#include "runtime/core/error_assert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/message_presenter.h"

namespace {

class Recording : public rt::MessagePresenter {
 public:
  uint32_t show(const rt::MessageRequest& r) override {
    seen.push_back(r);
    if (onShow) onShow();
    return rt::Button_Ok;
  }
  std::vector<rt::MessageRequest> seen;
  void (*onShow)() = nullptr;
};

class Assertion : public testing::Test {
 protected:
  void SetUp() override { previous_ = rt::setMessagePresenter(&recording_); }
  void TearDown() override { rt::setMessagePresenter(previous_); }
  Recording recording_;
  rt::MessagePresenter* previous_ = nullptr;
};

TEST_F(Assertion, FailedAssertionShowsPositionAndMessageAndGoesOn) {
  bool wentOn = false;
  rt::Assert(true, "never shown");
  // clang-format off
  rt::Assert(false, "Identifier not found."); int line = __LINE__;
  // clang-format on
  wentOn = true;
  EXPECT_TRUE(wentOn);
  ASSERT_EQ(recording_.seen.size(), 1u);
  EXPECT_EQ(recording_.seen[0].caption, "Assertion failed");
  EXPECT_EQ(recording_.seen[0].text, "Assertion failed on line: " + std::to_string(line) +
                                         " in file " + __FILE__ +
                                         "|Message: Identifier not found.");
  EXPECT_EQ(recording_.seen[0].buttons, rt::Button_Ok);
}

TEST_F(Assertion, WithoutMessageThereIsNoMessageLine) {
  rt::assertionFailed();
  ASSERT_EQ(recording_.seen.size(), 1u);
  EXPECT_EQ(recording_.seen[0].text.find("Message:"), std::string::npos);
  EXPECT_EQ(recording_.seen[0].text.rfind("Assertion failed on line: ", 0), 0u);
}

TEST_F(Assertion, AssertionInsideThePresenterGoesToStandardError) {
  recording_.onShow = [] { rt::Assert(false, "inner"); };
  testing::internal::CaptureStderr();
  rt::Assert(false, "outer");
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(recording_.seen.size(), 1u);
  EXPECT_NE(recording_.seen[0].text.find("outer"), std::string::npos);
  EXPECT_NE(err.find("Message: inner"), std::string::npos) << err;

  recording_.onShow = nullptr;  // the guard is released after the outer one
  rt::Assert(false, "again");
  EXPECT_EQ(recording_.seen.size(), 2u);
}

}  // namespace
