#include "framework/data/error_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "error_fixture.h"
#include "runtime/core/picture.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"
#include "temp_dir.h"

namespace {

using fw::Level;
using fw::StandardErrorLogClass;

TEST(StandardErrorLog, CountsOpensAndWritesWholeLines) {
  fwtest::TempDir dir;
  StandardErrorLogClass log;
  EXPECT_EQ(log.StdErrorFile, "ZORError.Log");
  log.StdErrorFile = dir.file("ZORError.Log");
  EXPECT_EQ(log.Take("not open"), Level::Notify);
  EXPECT_EQ(log.Open(false), Level::Benign);
  EXPECT_EQ(log.Open(false), Level::Benign);  // counted only
  EXPECT_EQ(log.Take("one"), Level::Benign);
  EXPECT_EQ(log.Close(false), Level::Benign);
  EXPECT_EQ(log.Take(std::string(2000, 'x')), Level::Benign);  // still open; cut to a line
  EXPECT_EQ(log.Close(false), Level::Benign);
  EXPECT_EQ(log.Usage, 0);
  EXPECT_EQ(log.Take("closed"), Level::Notify);
  EXPECT_EQ(log.Close(false), Level::Benign);  // too many closes stay at 0
  EXPECT_EQ(log.Usage, 0);
  EXPECT_EQ(log.Open(false), Level::Benign);  // appends to what is there
  EXPECT_EQ(log.Take("two"), Level::Benign);
  EXPECT_EQ(log.Close(true), Level::Benign);
  EXPECT_EQ(fwtest::readText(log.StdErrorFile),
            "one\n" + std::string(fw::kLogLineMax, 'x') + "\ntwo\n");
}

TEST(StandardErrorLog, OpenFailsInAMissingFolder) {
  fwtest::TempDir dir;
  StandardErrorLogClass log;
  log.StdErrorFile = dir.file("missing/ZORError.Log");
  EXPECT_EQ(log.Open(false), Level::Notify);
  EXPECT_EQ(log.Usage, 0);
  EXPECT_EQ(log.Take("x"), Level::Notify);
}

class ErrorLogging : public fwtest::ErrorManagerTest {
 protected:
  ErrorLogging() {
    errors.StdErrorLog->StdErrorFile = dir.file("ZORError.Log");
    errors.SetLogErrors(true);
  }
  fwtest::TempDir dir;
};

TEST_F(ErrorLogging, EveryShownMessageAddsADatedLine) {
  errors.SetFile("QVLIBRETA");
  errors.TakeError(30);
  presenter.answer = rt::Button_No;
  errors.TakeError(11);
  errors.Message(11, rt::Button_Yes, rt::Button_Yes);  // questions asked by Message are not logged
  const std::string date = rt::Format(rt::Today(), "@D17");
  ASSERT_FALSE(date.empty());
  const std::string log = fwtest::readText(errors.StdErrorLog->StdErrorFile);
  const std::regex line("(.+)@(.+) --> (.*)\n");
  std::vector<std::string> texts;
  for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it) {
    EXPECT_EQ((*it)[1], date);
    EXPECT_EQ((*it)[2].length(), rt::Format(rt::Clock(), "@T8").size());
    texts.push_back((*it)[3]);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "QVLIBRETA key file is invalid. Key must be rebuilt.",
                       "Are you sure you want to delete the highlighted record?"}));
  EXPECT_EQ(boxes().size(), 3u);  // logging does not replace showing
  EXPECT_EQ(errors.StdErrorLog->Usage, 0);
}

TEST_F(ErrorLogging, DefaultFileIsInTheCurrentFolder) {
  fw::ErrorClass fresh;
  fresh.Init(fw::ThreadErrorStatus);
  fresh.SetLogErrors(true);
  fresh.SetSilent(true);  // logged although not shown
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.file(""));
  fresh.TakeError(7);
  std::filesystem::current_path(previous);
  EXPECT_NE(fwtest::readText(dir.file("ZORError.Log"))
                .find(" --> This record was changed by another station.\n"),
            std::string::npos);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ErrorLogging, FailuresAssertAndTheMessageIsStillShown) {
  errors.StdErrorLog->StdErrorFile = dir.file("missing/ZORError.Log");
  errors.TakeError(7);
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Unable to Open error log; "), std::string::npos);
  EXPECT_EQ(boxes().size(), 1u);

  presenter.shown.clear();
  errors.SetErrorLog(nullptr);
  errors.TakeError(7);
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Attempt to LogErrors with ErrorLogInterface NULL!"),
            std::string::npos);
}

}  // namespace
