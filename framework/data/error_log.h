// Where the error manager writes the messages it logs.
#pragma once

#include <string>
#include <string_view>

#include "framework/data/level.h"
#include "runtime/core/sync_object.h"

namespace fw {

// Each operation returns Benign on success, Notify on failure.
class ErrorLogInterface {
 public:
  virtual ~ErrorLogInterface() = default;
  virtual Level Close(bool force) = 0;
  virtual Level Open(bool force) = 0;
  virtual Level Take(std::string_view text) = 0;
};

constexpr size_t kLogLineMax = 1024;

// Appends one line per message to the text file StdErrorFile ("ZORError.Log"
// in the current directory), which other processes may write at the same time.
// Opens count: only the first Open opens the file and the last Close closes it.
// On failure the runtime's error state says why.
class StandardErrorLogClass : public ErrorLogInterface {
 public:
  // `critSect` (may be null: no locking) guards the open count and the file.
  explicit StandardErrorLogClass(rt::ISyncObject* critSect = nullptr) : CritSect(critSect) {}
  ~StandardErrorLogClass() override;
  StandardErrorLogClass(const StandardErrorLogClass&) = delete;
  StandardErrorLogClass& operator=(const StandardErrorLogClass&) = delete;

  Level Close(bool force) override;
  Level Open(bool force) override;
  // Appends `text` (cut to kLogLineMax characters) and a line end.
  Level Take(std::string_view text) override;

  rt::ISyncObject* CritSect;
  int32_t Usage = 0;
  std::string StdErrorFile = "ZORError.Log";

 private:
  int fd_ = -1;
};

}  // namespace fw
