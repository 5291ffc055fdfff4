// The common path of every runtime file operation: notices, driver call,
// error state.
#include <string>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_notice.h"

namespace rt {

namespace {

constexpr int32_t kRefused = 5;          // "Access Denied": an observer refused the operation
constexpr int32_t kUnknownDriver = 80;   // "Unsupported File Driver Function"

// Calls the driver, resolving it by name on first use.
int32_t invokeDriver(FileControlBlock& file, int32_t op, DriverArgs& args) {
  if (!file.driver) file.driver = findDriver(file.driver_name);
  if (!file.driver) {
    postFileError(file.name, "File driver not registered: " + file.driver_name);
    return kUnknownDriver;
  }
  return file.driver(op, file, args);
}

void postOutcome(FileControlBlock& file, int32_t code, const std::string& message) {
  if (code == 0) {
    clearError();
    return;
  }
  if (!message.empty() && message != errorMessageOf(code)) postFileError(file.name, message);
  postError(code);
}

}  // namespace

int32_t callFile(FileControlBlock& file, int32_t op, DriverArgs& args) {
  clearError();
  FileNotice notice;
  notice.op = op;
  notice.kind = fileOpKind(op);
  notice.by_view = issuedByView();
  notice.args = &args;
  if (FileCallback* cb = file.callback) {
    if (!cb->FunctionCalled(file, notice)) {
      int32_t code = notice.error_code != 0 ? notice.error_code : kRefused;
      clearError();
      postOutcome(file, code, notice.error_message);
      return code;
    }
    clearError();  // what the observer did in the meantime is not this operation's outcome
  }
  int32_t code = invokeDriver(file, op, args);
  if (code == 0) {
    clearError();
  } else {
    postError(code);  // after any file error details the driver posted
  }
  // The observer may have been replaced or removed by the first notice.
  if (FileCallback* cb = file.callback) {
    notice.error_code = code;
    notice.error_message = code ? errorMessageOf(code) : std::string();
    std::string before = notice.error_message;
    cb->FunctionDone(file, notice);
    if (notice.error_code != code || notice.error_message != before) {
      code = notice.error_code;
      postOutcome(file, code, notice.error_message);
    } else if (code != 0 && ERRORCODE() != code) {
      postError(code);  // the observer's own operations overwrote the outcome
    } else if (code == 0 && ERRORCODE() != 0) {
      clearError();
    }
  }
  return code;
}

void discardFile(FileControlBlock& file, bool cleanup) {
  if (FileCallback* cb = file.callback) {
    FileNotice notice;
    notice.op = Op_DISCARD;
    notice.by_view = issuedByView();
    notice.cleanup = cleanup;
    if (cb->FunctionCalled(file, notice)) {
      if (FileCallback* done = file.callback) done->FunctionDone(file, notice);
    }
  }
  if (file.driver_data && file.driver) {
    DriverArgs args;
    file.driver(Op_DESTROY, file, args);
    file.driver_data.reset();
  }
  file.open = false;
}

}  // namespace rt
