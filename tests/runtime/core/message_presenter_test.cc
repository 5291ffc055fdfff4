#include "runtime/core/message_presenter.h"

#include <gtest/gtest.h>

namespace {

class Scripted : public rt::MessagePresenter {
 public:
  uint32_t show(const rt::MessageRequest& r) override {
    seen = r;
    return rt::Button_No;
  }
  rt::MessageRequest seen;
};

TEST(MessagePresenter, InstalledPresenterReceivesMessagesAndDefaultReturns) {
  Scripted scripted;
  rt::MessagePresenter* before = rt::setMessagePresenter(&scripted);
  rt::MessageRequest r;
  r.caption = "Runtime error";
  r.text = "a|b";
  r.buttons = rt::Button_Yes + rt::Button_No;
  r.defaultButton = rt::Button_Yes;
  EXPECT_EQ(rt::showMessage(r), rt::Button_No);
  EXPECT_EQ(scripted.seen.text, "a|b");
  rt::setMessagePresenter(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(rt::showMessage(r), rt::Button_Yes);  // standard error answers the default
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Runtime error] a\nb\n");
  rt::setMessagePresenter(before == &scripted ? nullptr : before);
}

TEST(MessagePresenter, SystemIconDesignators) {
  EXPECT_EQ(rt::Icon_Question, 0x7F0301FFu);
  EXPECT_EQ(rt::Icon_Exclamation, 0x7F0401FFu);
}

}  // namespace
