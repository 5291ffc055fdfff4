// The runtime's notices before and after every operation on the file:
// misuse diagnostics, the blob and previous-record bookkeeping, and the
// hooks of derived classes.
#include "framework/data/file_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_ops.h"

namespace fw {

namespace {

// Operations that may run on a closed file.
bool RunsClosed(int32_t op) { return op == rt::Op_CLOSE || op == rt::Op_DISCARD; }

int32_t LengthOf(const rt::FileNotice& n) { return n.args ? n.args->length : 0; }

}  // namespace

bool FileManager::FunctionCalled(rt::FileControlBlock& file, rt::FileNotice& n) {
  ++InCallback;
  if (n.op == rt::Op_CLOSE) {
    if (InRestore > 0 && Opened > 0) {
      Opened = 0;
      Used = false;
      Close();
    } else if (InClose == 0 && InRestore == 0 && Opened > 0 && !n.by_view && file.decl().threaded()) {
      rt::assertionFailed("You are calling CLOSE(" + GetName() + ") instead of FileManager.Close()");
    }
  } else if (n.op == rt::Op_DISCARD) {
    if (n.cleanup) {
      // The instance is going away with everything in it: nothing to close.
      // (Names bound to it go with Kill; as a thread ends its names go too.)
      Opened = 0;
      Used = false;
      Cleanup();
    } else if (Used) {
      rt::assertionFailed("You have not called FileManager.Close() for " + GetName());
    }
  }
  bool go = true;
  if (InView == 0) {
    switch (n.kind) {
      case rt::FileOpKind::kDelete: go = PreDelete(n.error_code, n.error_message); break;
      case rt::FileOpKind::kAdd: go = PreInsert(n.op, LengthOf(n), n.error_code, n.error_message); break;
      case rt::FileOpKind::kChange: go = PreUpdate(n.op, LengthOf(n), n.error_code, n.error_message); break;
      default: break;
    }
  }
  if (go) {
    if (n.op == rt::Op_RESTORESTATE) ++InRestore;
    if (n.by_view) ++InView;
  }
  --InCallback;
  return go;
}

bool FileManager::FunctionDone(rt::FileControlBlock& file, rt::FileNotice& n) {
  const bool own = InCallback > 0;  // issued from inside one of this manager's notices
  ++InCallback;
  if (n.by_view && InView > 0) --InView;
  if (n.error_code == rt::Error_FileNotOpen && LazyOpen && InUseFile == 0 && !own && !n.by_view && !RunsClosed(n.op)) {
    rt::assertionFailed("You have not called FileManager.UseFile() for" + GetName());
  }
  if (n.error_code == 0) {
    if (n.op == rt::Op_BLOB_TAKE) {
      BlobChanged = true;
    } else if (n.kind == rt::FileOpKind::kAdd || n.kind == rt::FileOpKind::kChange ||
               n.kind == rt::FileOpKind::kDelete) {
      BlobChanged = false;
    }
    if (SavePreviousBuffer && n.kind == rt::FileOpKind::kRead) {
      PreviousBuffer.assign(file.record.begin(), file.record.end());
    }
  }
  if (n.op == rt::Op_RESTORESTATE && InRestore > 0) --InRestore;
  if (InView == 0) {
    switch (n.kind) {
      case rt::FileOpKind::kDelete: PostDelete(n.error_code, n.error_message); break;
      case rt::FileOpKind::kAdd: PostInsert(n.error_code, n.error_message); break;
      case rt::FileOpKind::kChange: PostUpdate(n.error_code, n.error_message); break;
      default: break;
    }
  }
  --InCallback;
  return true;
}

bool FileManager::PreDelete(int32_t&, std::string&) { return true; }
bool FileManager::PostDelete(int32_t&, std::string&) { return true; }
bool FileManager::PreInsert(int32_t, int32_t, int32_t&, std::string&) { return true; }
bool FileManager::PostInsert(int32_t&, std::string&) { return true; }
bool FileManager::PreUpdate(int32_t, int32_t, int32_t&, std::string&) { return true; }
bool FileManager::PostUpdate(int32_t&, std::string&) { return true; }

}  // namespace fw
