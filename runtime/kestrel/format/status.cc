#include "runtime/kestrel/format/status.h"

namespace kestrel {

std::string Status::ToString() const {
  switch (code_) {
    case Code::kOk:
      return "OK";
    case Code::kInvalidFile:
      return file_.empty() ? "Invalid Data File" : file_ + ": Invalid Data File";
    case Code::kMismatch:
      return "Invalid Record Declaration: " + item_;
    case Code::kCorruption:
      if (file_.empty()) return "Kestrel File Driver Error (" + std::to_string(checkNumber()) + ")";
      return "Possible data corruption in file " + file_ + " (" + std::to_string(checkNumber()) + ")";
  }
  return "Unknown";
}

}  // namespace kestrel
