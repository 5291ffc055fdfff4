#ifndef RUNTIME_KESTREL_OS_STATUS_H_
#define RUNTIME_KESTREL_OS_STATUS_H_

#include <string>

namespace kestrel {

// Runtime error codes produced by the OS layer and the page store.
inline constexpr int kOk = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInsufficientMemory = 8;
inline constexpr int kInvalidDataFile = 36;
inline constexpr int kInvalidFilename = 45;
inline constexpr int kFileSystemError = 90;
inline constexpr int kWriteFault = 329;      // 300 + the system's write-fault number
inline constexpr int kHandleDiskFull = 339;  // 300 + the system's disk-full number

// Maps an errno value from an operation on `path` to a runtime error code.
// ENOENT distinguishes a missing file (2) from a missing directory (3).
int ErrnoToCode(int err, const std::string& path);

}  // namespace kestrel

#endif  // RUNTIME_KESTREL_OS_STATUS_H_
