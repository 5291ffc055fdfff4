// The common path of every runtime file operation: notices, driver call,
// error state.
#include <string>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_notice.h"

namespace rt {

namespace {

bool needsKey(int32_t op) {
  switch (op) {
    case Op_BUILDdyn: case Op_BUILDkey: case Op_GETfilekey: case Op_GETkeyptr:
    case Op_POINTERkey: case Op_RECORDSkey: case Op_BUILDdynfilter: case Op_SETfilekey:
    case Op_SETkey: case Op_SETkeykey: case Op_SETkeyptr: case Op_SETkeykeyptr:
    case Op_DUPLICATEkey: case Op_POSITIONkey: case Op_RESETkey: case Op_REGETkey:
    case Op_SETPROPERTYkey: case Op_GETPROPERTYkey:
      return true;
    default:
      return false;
  }
}

bool needsMemo(int32_t op) { return op >= Op_BLOB_YIELD && op <= Op_BLOB_GET_PROP; }

// A key or memo that the declaration does not have never reaches a driver.
bool argumentsFit(const FileControlBlock& file, int32_t op, const DriverArgs& args) {
  if (needsKey(op) && (args.key < 0 || static_cast<size_t>(args.key) >= file.decl().keys.size())) return false;
  if (needsMemo(op) && (args.memo < 0 || static_cast<size_t>(args.memo) >= file.decl().memos.size()))
    return false;
  return true;
}

// Calls the driver, resolving it by name on first use.
int32_t invokeDriver(FileControlBlock& file, int32_t op, DriverArgs& args) {
  if (!file.driver) file.driver = findDriver(file.driver_name);
  if (!file.driver) {
    postFileError(file.name, "File driver not registered: " + file.driver_name);
    return Error_UnsupportedFileDriverFunction;
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

// The common path; `answer`, when given, stands in for the driver's code.
int32_t dispatch(FileControlBlock& file, int32_t op, DriverArgs& args, const int32_t* answer) {
  clearError();
  FileNotice notice;
  notice.op = op;
  notice.kind = fileOpKind(op);
  notice.by_view = issuedByView();
  notice.args = &args;
  if (FileCallback* cb = file.callback) {
    if (!cb->FunctionCalled(file, notice)) {
      int32_t code = notice.error_code != 0 ? notice.error_code : Error_AccessDenied;
      clearError();
      postOutcome(file, code, notice.error_message);
      return code;
    }
    clearError();  // what the observer did in the meantime is not this operation's outcome
  }
  int32_t code = answer                           ? *answer
                 : argumentsFit(file, op, args) ? invokeDriver(file, op, args)
                                                : Error_UnableToAccessIndex;
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

}  // namespace

int32_t callFile(FileControlBlock& file, int32_t op, DriverArgs& args) {
  return dispatch(file, op, args, nullptr);
}

int32_t answerFile(FileControlBlock& file, int32_t op, DriverArgs& args, int32_t code) {
  return dispatch(file, op, args, &code);
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
