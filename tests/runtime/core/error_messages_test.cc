#include "runtime/core/error_messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "runtime/core/error_system.h"

namespace {

TEST(ErrorMessages, TextsAreExactBlanksIncluded) {
  const struct {
    int32_t code;
    const char* text;
  } cases[] = {
      {2, "File Not Found"},
      {15, "Bad drive"},
      {35, "Record Not Found"},
      {47, "Invalid Record Declaration"},
      {81, "Unknown Error Posted"},
      {89, "Record Changed By Another Station"},
      {90, "File System Error"},
      {97, "Stream Error"},
      {301, "Invalid Function"},
      {332, "Sharing Violation"},
      {350, "Not Supported "},
      {357, "Adapter/Hardware Failure"},
      {391, "Unknown Error"},
      {403, "Termination caused by signal.  (User break or Floating point)"},
      {412, "Context fault on initialization of static data"},
      {501, "Internal error 01"},
      {509, "Internal error 09"},
      {515, "Internal error 15"},
      {532, "Unable to open MDI window on APPLICATION's thread"},
      {545, "Attempt to execute a modal event for not current thread"},
      {603, "DDEexecute - invalid command"},
      {1010, "Invalid expression for EVALUATE"},
      {1015, "Not-omittable parameter of built-in function is omitted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ASSERT_NE(rt::builtInMessage(c.code), nullptr);
    EXPECT_STREQ(rt::builtInMessage(c.code), c.text);
    EXPECT_EQ(rt::errorMessageOf(c.code), c.text);
  }
}

TEST(ErrorMessages, CodesWithoutTextAreUnknownErrorPosted) {
  const struct {
    int32_t code;
    const char* text;
  } cases[] = {
      {0, "Unknown Error Posted : 0"},
      {1, "Unknown Error Posted : 1"},
      {6, "Unknown Error Posted : 6"},
      {99, "Unknown Error Posted : 99"},
      {123, "Unknown Error Posted : 123"},
      {300, "Unknown Error Posted : 300"},
      {314, "Unknown Error Posted : 314"},
      {516, "Unknown Error Posted : 516"},
      {1016, "Unknown Error Posted : 1016"},
      {-7, "Unknown Error Posted : -7"},
      {INT32_MIN, "Unknown Error Posted : -2147483648"},
      {INT32_MAX, "Unknown Error Posted : 2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(rt::builtInMessage(c.code), nullptr);
    EXPECT_EQ(rt::errorMessageOf(c.code), c.text);
  }
}

TEST(ErrorMessages, TableHasNoStrayBlanksAndNoTextOverflowsTheCut) {
  for (int32_t code = -10; code < 1100; ++code) {
    const char* text = rt::builtInMessage(code);
    if (!text) continue;
    SCOPED_TRACE(code);
    size_t n = std::strlen(text);
    ASSERT_GT(n, 0u);
    EXPECT_NE(text[0], ' ');
    EXPECT_TRUE(text[n - 1] != ' ' || code == 350);  // "Not Supported " keeps its blank
    EXPECT_LE(n, rt::kMessageCut);
  }
}

TEST(SystemErrorCode, LinuxErrnoNamesTheSameCondition) {
  const struct {
    int err;
    int32_t code;
    const char* text;
  } cases[] = {
      {ENOENT, 302, "File Not Found"},
      {ENOTDIR, 303, "Path Not Found"},
      {EMFILE, 304, "Too Many Open Files"},
      {EACCES, 305, "Access Denied"},
      {EPERM, 305, "Access Denied"},
      {EBADF, 306, "Invalid Handle"},
      {ENOMEM, 308, "Insufficient Memory"},
      {EXDEV, 317, "Not Same Device"},
      {EROFS, 319, "Write Protect"},
      {EIO, 331, "General Failure"},
      {EBUSY, 332, "Sharing Violation"},
      {EAGAIN, 333, "Lock Violation"},
      {ENOSPC, 339, "Handle Disk Full"},
      {EOPNOTSUPP, 350, "Not Supported "},
      {EEXIST, 380, "File Already Exists"},
      {EINVAL, 387, "Invalid Parameter"},
      {0, 391, "Unknown Error"},
      {EINTR, 391, "Unknown Error"},
      {-1, 391, "Unknown Error"},
      {100000, 391, "Unknown Error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(rt::systemErrorCode(c.err), c.code);
    EXPECT_EQ(rt::errorMessageOf(rt::systemErrorCode(c.err)), c.text);
  }
}

TEST(SystemErrorCode, EveryErrnoLandsOnANamedSystemCondition) {
  for (int err = 0; err < 200; ++err) {
    int32_t code = rt::systemErrorCode(err);
    SCOPED_TRACE(err);
    EXPECT_GE(code, 301);
    EXPECT_LE(code, 391);
    EXPECT_NE(rt::builtInMessage(code), nullptr);
  }
}

}  // namespace
