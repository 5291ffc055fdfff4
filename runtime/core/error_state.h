// The calling thread's runtime error state.
//
// Every runtime operation that can fail leaves its outcome here instead of
// throwing; callers test ERRORCODE() after the operation. Each thread has its
// own state, so an error posted on one thread is never seen by another.
//
// Posting, from the runtime's own operations:
//
//   rt::clearError();                    // the operation succeeded
//   rt::postError(rt::Error_RecordNotFound);  // it failed: "Record Not Found"
//   rt::postError(0);                    // right after a failed system call:
//                                        // 300 + the condition of errno
//   rt::postFileError("QVLIBRETA.KRL",   // a file failure: the file, the
//                     "Possible data corruption in file", "1234");
//   rt::postError(rt::Error_FileSystemError);  // driver's message and code,
//                                        // the error code itself
//
// Reading, from the framework: ERRORCODE(), Error(), FileErrorCode(),
// FileError(), ErrorFile(). Neither posting nor reading changes errno.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/error_messages.h"

namespace rt {

// The error code; 0 when there is no error. (The state lives in static
// thread-local storage, which cannot be missing, so the "no state" code 99 is
// never returned.)
int32_t ERRORCODE() noexcept;

// The message of the error code: cut to 255 characters, space-padded to 256.
// All blanks when there is no error.
std::string Error();

// The driver-specific code of the last file error, as the driver gave it;
// empty when none.
std::string FileErrorCode();

// The driver's message for the last file error, space-padded to 256.
std::string FileError();

// The name of the file of the last file error, space-padded to 80.
std::string ErrorFile();

// errno as it was when the current error was posted.
int32_t systemError() noexcept;

// Sets the error code and its message (error_messages.h). Code 0 stands for
// the last system error: the code becomes systemErrorCode(errno).
void postError(int32_t code) noexcept;

// Records a file error: the file name (leading blanks dropped, cut to 80),
// the driver's message (leading blanks dropped, cut to 255) and the driver's
// code (cut to 255). Without a message, the message is the text of code 90,
// " : " and the file name. The error code is left alone: post it next.
void postFileError(std::string_view fileName, std::string_view message = {},
                   std::string_view fileErrorCode = {}) noexcept;

// Both codes 0, all texts blank.
void clearError() noexcept;

}  // namespace rt
