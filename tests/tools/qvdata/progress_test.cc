#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tools/qvdata/progress.h"

namespace qvdata {
namespace {

TEST(ProgressTest, RedrawsInPlaceAboutAHundredTimesAndEndsTheLine) {
  Progress::ForceTerminal(true);
  ::testing::internal::CaptureStderr();
  {
    Progress p("importing", 1000);
    for (size_t i = 1; i <= 1000; ++i) p.Step(i);
  }
  { Progress empty("nothing", 0); empty.Step(0); }
  const std::string text = ::testing::internal::GetCapturedStderr();
  Progress::ForceTerminal(false);
  const auto draws = std::count(text.begin(), text.end(), '\r');
  EXPECT_GE(draws, 50);
  EXPECT_LE(draws, 105);
  EXPECT_NE(text.find("\rimporting: 1000/1000 (100%)\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("nothing"), std::string::npos);
}

}  // namespace
}  // namespace qvdata
