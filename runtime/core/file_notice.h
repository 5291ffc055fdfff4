// Operation notices: the runtime tells a file's observer before and after
// every operation on the file (FunctionCalled, FunctionDone), what the
// operation is, whether it adds, changes, deletes or reads a record, and
// whether a view issued it.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/file_ops.h"

namespace rt {

class FileControlBlock;
struct DriverArgs;

struct FileNotice {
  int32_t op = 0;             // a FileOp
  FileOpKind kind = FileOpKind::kOther;
  bool by_view = false;       // issued inside a ViewIssueScope
  const DriverArgs* args = nullptr;  // the operation's arguments (nullptr for Op_DISCARD)
  // FunctionDone: the operation's error code and the error text. FunctionCalled:
  // an observer that refuses the operation may set them (see FileCallback).
  int32_t error_code = 0;
  std::string error_message;
  // Op_DISCARD: the instance is discarded as a whole (thread end, program
  // end), so the observer should clean up rather than complain.
  bool cleanup = false;
};

// The receiver of a file's notices (FileControlBlock::callback).
//
// FunctionCalled returning false refuses the operation: the driver is not
// called, FunctionDone is not given, and the error state is set to the
// notice's error_code (5 "Access Denied" when it left 0) with its
// error_message, if any, as the file error message.
//
// FunctionDone may change error_code/error_message: what it leaves there is
// posted as the operation's outcome. Its result is otherwise ignored (the
// operation has already happened).
//
// An observer may call runtime operations on the same file from inside a
// notice; those operations give notices of their own.
class FileCallback {
 public:
  virtual ~FileCallback() = default;
  virtual bool FunctionCalled(FileControlBlock& file, FileNotice& notice) = 0;
  virtual bool FunctionDone(FileControlBlock& file, FileNotice& notice) = 0;
};

// Marks the calling thread's file operations as issued by a view for the
// life of the object. Scopes nest.
class ViewIssueScope {
 public:
  ViewIssueScope();
  ~ViewIssueScope();
  ViewIssueScope(const ViewIssueScope&) = delete;
  ViewIssueScope& operator=(const ViewIssueScope&) = delete;
};

// True inside a ViewIssueScope on the calling thread.
bool issuedByView();

}  // namespace rt
