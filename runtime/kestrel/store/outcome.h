#pragma once

#include <string>
#include <utility>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

// Result of a page-store operation: a runtime error code, and for an
// internal consistency failure (code 90) the format Status naming the check.
// Operating-system failures carry their own runtime code (5, 3, 45, ...).
class Outcome {
 public:
  Outcome() = default;
  Outcome(Status status)  // NOLINT: format failures convert implicitly
      : code_(status.errorCode()), status_(std::move(status)) {}
  static Outcome OK() { return Outcome(); }
  static Outcome Code(int code) {
    Outcome o;
    o.code_ = code;
    return o;
  }
  // A read without the reader slot loaded a page while another process
  // committed: the operation must run again from its start (see
  // PageStore::BeginOperation).
  static Outcome Retry() { return Code(kRetryCode); }
  // A refusal that explains itself: `message` is the file error text the
  // caller shows beside the code.
  static Outcome Refused(int code, std::string message) {
    Outcome o = Code(code);
    o.message_ = std::move(message);
    return o;
  }

  bool ok() const { return code_ == 0; }
  bool isRetry() const { return code_ == kRetryCode; }
  int code() const { return code_; }
  bool isCorruption() const { return status_.isCorruption(); }
  int checkNumber() const { return status_.checkNumber(); }
  const Status& status() const { return status_; }
  const std::string& message() const { return message_; }
  std::string ToString() const {
    if (code_ == 0) return "ok";
    if (!status_.ok()) return status_.ToString();
    return "error " + std::to_string(code_);
  }

 private:
  static constexpr int kRetryCode = -1;  // never a runtime error code
  int code_ = 0;
  Status status_;
  std::string message_;
};

#define KESTREL_RETURN_IF_FAILED(expr)   \
  do {                                   \
    ::kestrel::Outcome _o = (expr);      \
    if (!_o.ok()) return _o;             \
  } while (0)

// Checks of the page store, numbered from 100 up.
inline constexpr Check kCheckSplitSingleRecord = static_cast<Check>(100);
inline constexpr Check kCheckNoPlace = static_cast<Check>(101);
inline constexpr Check kCheckParentEntry = static_cast<Check>(102);
inline constexpr Check kCheckJournal = static_cast<Check>(103);
inline constexpr Check kCheckNotWriteMode = static_cast<Check>(104);
inline constexpr Check kCheckSentinel = static_cast<Check>(105);
inline constexpr Check kCheckTreeDepth = static_cast<Check>(106);

}  // namespace kestrel
