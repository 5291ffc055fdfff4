#include "runtime/core/error_state.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/core/error_system.h"
#include "runtime/core/trim.h"

namespace rt {

namespace {

// Fixed-size texts: posting never allocates, so "Insufficient Memory" can be
// posted when memory has run out.
struct ErrorState {
  int32_t systemError;
  int32_t errorCode;
  size_t fileErrorCodeLength;
  char fileErrorCode[kMessageCut];
  char errorMessage[kMessageWidth];
  char fileErrorMessage[kMessageWidth];
  char errorFile[kErrorFileWidth];
  char messageBuffer[kMessageWidth];  // where a message is assembled

  ErrorState() { clear(); }
  void clear() {
    systemError = 0;
    errorCode = 0;
    fileErrorCodeLength = 0;
    std::memset(errorMessage, ' ', sizeof errorMessage);
    std::memset(fileErrorMessage, ' ', sizeof fileErrorMessage);
    std::memset(errorFile, ' ', sizeof errorFile);
  }
};

thread_local ErrorState state;

// Reading and posting leave the system's last error as they found it.
class KeepErrno {
 public:
  KeepErrno() : saved_(errno) {}
  ~KeepErrno() { errno = saved_; }
  int saved() const { return saved_; }

 private:
  int saved_;
};

// Copies `text` into `field`, cut to `cut` characters, and pads with blanks.
template <size_t N>
void setPadded(char (&field)[N], std::string_view text, size_t cut) {
  size_t n = std::min(text.size(), cut);
  std::copy_n(text.data(), n, field);
  std::memset(field + n, ' ', N - n);
}

}  // namespace

int32_t ERRORCODE() noexcept { return state.errorCode; }

std::string Error() {
  KeepErrno keep;
  return std::string(state.errorMessage, sizeof state.errorMessage);
}

std::string FileErrorCode() {
  KeepErrno keep;
  return std::string(state.fileErrorCode, state.fileErrorCodeLength);
}

std::string FileError() {
  KeepErrno keep;
  return std::string(state.fileErrorMessage, sizeof state.fileErrorMessage);
}

std::string ErrorFile() {
  KeepErrno keep;
  return std::string(state.errorFile, sizeof state.errorFile);
}

int32_t systemError() noexcept { return state.systemError; }

void postError(int32_t code) noexcept {
  KeepErrno keep;
  ErrorState& s = state;
  s.systemError = keep.saved();
  if (code == Error_NoError) code = systemErrorCode(keep.saved());
  s.errorCode = code;
  size_t n = assembleErrorMessage(code, s.messageBuffer);
  setPadded(s.errorMessage, std::string_view(s.messageBuffer, n), kMessageCut);
}

void postFileError(std::string_view fileName, std::string_view message,
                   std::string_view fileErrorCode) noexcept {
  KeepErrno keep;
  ErrorState& s = state;
  fileName = trimLeft(fileName).substr(0, kErrorFileWidth);
  setPadded(s.errorFile, fileName, kErrorFileWidth);
  message = trimLeft(message);
  if (message.empty()) {
    size_t n = assembleErrorMessage(Error_FileSystemError, s.messageBuffer);
    const std::string_view parts[] = {" : ", fileName};
    for (std::string_view part : parts) {
      size_t take = std::min(part.size(), kMessageCut - n);
      std::copy_n(part.data(), take, s.messageBuffer + n);
      n += take;
    }
    message = std::string_view(s.messageBuffer, n);
  }
  setPadded(s.fileErrorMessage, message, kMessageCut);
  s.fileErrorCodeLength = std::min(fileErrorCode.size(), kMessageCut);
  std::copy_n(fileErrorCode.data(), s.fileErrorCodeLength, s.fileErrorCode);
}

void clearError() noexcept { state.clear(); }

}  // namespace rt
