#include "runtime/core/error_state.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

namespace {

std::string padded(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

class ErrorState : public testing::Test {
 protected:
  void SetUp() override { rt::clearError(); }
  void TearDown() override { rt::clearError(); }
};

TEST_F(ErrorState, FreshAndClearedStatesAreBlank) {
  std::thread([] {
    EXPECT_EQ(rt::ERRORCODE(), 0);
    EXPECT_EQ(rt::Error(), std::string(256, ' '));
    EXPECT_EQ(rt::FileError(), std::string(256, ' '));
    EXPECT_EQ(rt::ErrorFile(), std::string(80, ' '));
    EXPECT_EQ(rt::FileErrorCode(), "");
    EXPECT_EQ(rt::systemError(), 0);
  }).join();

  errno = EACCES;
  rt::postError(0);
  rt::postFileError("X.KRL", "Disk full", "112");
  rt::clearError();
  EXPECT_EQ(rt::ERRORCODE(), 0);
  EXPECT_EQ(rt::systemError(), 0);
  EXPECT_EQ(rt::Error(), std::string(256, ' '));
  EXPECT_EQ(rt::FileError(), std::string(256, ' '));
  EXPECT_EQ(rt::ErrorFile(), std::string(80, ' '));
  EXPECT_EQ(rt::FileErrorCode(), "");
}

TEST_F(ErrorState, PostErrorSetsCodeAndPaddedMessage) {
  errno = ENOENT;
  rt::postError(35);
  EXPECT_EQ(rt::ERRORCODE(), 35);
  EXPECT_EQ(rt::Error(), padded("Record Not Found", 256));
  EXPECT_EQ(rt::systemError(), ENOENT);  // recorded with every post

  rt::postError(123);
  EXPECT_EQ(rt::ERRORCODE(), 123);
  EXPECT_EQ(rt::Error(), padded("Unknown Error Posted : 123", 256));
}

TEST_F(ErrorState, CodeZeroStandsForTheLastSystemError) {
  errno = EBUSY;
  rt::postError(0);
  EXPECT_EQ(rt::ERRORCODE(), 332);
  EXPECT_EQ(rt::Error(), padded("Sharing Violation", 256));
  EXPECT_EQ(rt::systemError(), EBUSY);

  errno = 0;  // no system error to report: still a failure, never 0
  rt::postError(0);
  EXPECT_EQ(rt::ERRORCODE(), 391);
  EXPECT_EQ(rt::Error(), padded("Unknown Error", 256));
}

TEST_F(ErrorState, PostingAndReadingKeepErrno) {
  errno = ENOSPC;
  rt::postError(0);
  rt::postFileError("A.KRL");
  (void)rt::ERRORCODE();
  (void)rt::Error();
  (void)rt::FileError();
  (void)rt::FileErrorCode();
  (void)rt::ErrorFile();
  EXPECT_EQ(errno, ENOSPC);
}

TEST_F(ErrorState, FileErrorWithoutDriverMessageNamesTheFile) {
  rt::postError(90);
  for (const char* none : {"", "    "}) {
    rt::postFileError("X.KRL", none);
    EXPECT_EQ(rt::FileError(), padded("File System Error : X.KRL", 256));
    EXPECT_EQ(rt::ErrorFile(), padded("X.KRL", 80));
    EXPECT_EQ(rt::FileErrorCode(), "");
  }
  EXPECT_EQ(rt::ERRORCODE(), 90);  // the file error leaves the code alone
}

TEST_F(ErrorState, FileErrorDropsLeadingBlanksAndKeepsDriverCode) {
  rt::postFileError("   QVLIBRETA.KRL", "  Possible data corruption in file", "1234");
  EXPECT_EQ(rt::ErrorFile(), padded("QVLIBRETA.KRL", 80));
  EXPECT_EQ(rt::FileError(), padded("Possible data corruption in file", 256));
  EXPECT_EQ(rt::FileErrorCode(), "1234");

  rt::postError(33);  // a later plain error keeps the last file error
  EXPECT_EQ(rt::FileErrorCode(), "1234");
  EXPECT_EQ(rt::ErrorFile(), padded("QVLIBRETA.KRL", 80));
}

TEST_F(ErrorState, LongTextsAreCutAndPadded) {
  const struct {
    size_t length;
    size_t kept;
  } cases[] = {{254, 254}, {255, 255}, {256, 255}, {1000, 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::string message(c.length, 'm');
    message.back() = 'z';  // shows which end was cut
    rt::postFileError("F", message, std::string(c.length, '7'));
    std::string expected = padded(message.substr(0, c.kept), 256);
    EXPECT_EQ(rt::FileError(), expected);
    EXPECT_EQ(rt::FileErrorCode(), std::string(c.kept, '7'));
  }

  std::string name(100, 'n');
  rt::postFileError(name);
  EXPECT_EQ(rt::ErrorFile(), name.substr(0, 80));
  // The default message names the file as it was kept: cut to 80.
  EXPECT_EQ(rt::FileError(), padded("File System Error : " + name.substr(0, 80), 256));

  std::string longName(300, 'q');
  rt::postFileError(longName, "");
  EXPECT_EQ(rt::FileError(), padded("File System Error : " + longName.substr(0, 80), 256));
}

TEST_F(ErrorState, EachThreadHasItsOwnState) {
  rt::postError(35);
  rt::postFileError("MAIN.KRL", "main", "1");
  std::thread other([] {
    EXPECT_EQ(rt::ERRORCODE(), 0);
    EXPECT_EQ(rt::ErrorFile(), std::string(80, ' '));
    errno = EBUSY;
    rt::postError(0);
    rt::postFileError("OTHER.KRL", "other", "2");
    EXPECT_EQ(rt::ERRORCODE(), 332);
    EXPECT_EQ(rt::FileErrorCode(), "2");
  });
  other.join();
  EXPECT_EQ(rt::ERRORCODE(), 35);
  EXPECT_EQ(rt::Error(), padded("Record Not Found", 256));
  EXPECT_EQ(rt::ErrorFile(), padded("MAIN.KRL", 80));
  EXPECT_EQ(rt::FileError(), padded("main", 256));
  EXPECT_EQ(rt::FileErrorCode(), "1");
}

TEST_F(ErrorState, ThreadsPostingAtOnceNeverMix) {
  auto work = [](int32_t code, const char* file) {
    for (int i = 0; i < 2000; ++i) {
      rt::postFileError(file);
      rt::postError(code);
      if (rt::ERRORCODE() != code || rt::ErrorFile() != padded(file, 80)) {
        ADD_FAILURE() << "thread of " << file << " saw another thread's state";
        return;
      }
      rt::clearError();
    }
  };
  std::thread a(work, 35, "A.KRL"), b(work, 40, "B.KRL");
  a.join();
  b.join();
}

}  // namespace
