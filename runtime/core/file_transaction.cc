#include "runtime/core/file_transaction.h"

#include <algorithm>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_ops.h"

namespace rt {

namespace {

// Set once the thread's transaction is destroyed at thread end, so that
// control blocks discarded after it do not touch it.
thread_local bool txGone = false;

struct Transaction {
  bool active = false;
  std::vector<FileControlBlock*> files;
  std::vector<FileControlBlock*> enlisted;
  ~Transaction() { txGone = true; }
};

thread_local Transaction tx;

int32_t fail(int32_t code) {
  clearError();
  postError(code);
  return code;
}

int32_t identity(FileControlBlock& file, int64_t* id) {
  DriverArgs args;
  int32_t code = callFile(file, Op_Internal91, args);
  *id = args.value;
  return code;
}

void notifyAll(const std::vector<FileControlBlock*>& files, int32_t op) {
  for (FileControlBlock* f : files) {
    DriverArgs args;
    callFile(*f, op, args);
  }
}

// Ends the transaction: ENDTRAN to every file, the outcome of `code` left
// in the error state.
int32_t finish(std::vector<FileControlBlock*> files, int32_t code) {
  tx.active = false;
  tx.files.clear();
  notifyAll(files, Op_ENDTRAN);
  return code == 0 ? (clearError(), 0) : fail(code);
}

}  // namespace

int32_t Logout(int32_t seconds, std::span<FileControlBlock* const> files) {
  if (tx.active) return fail(Error_LogoutAlreadyActive);
  if (files.empty() || std::find(files.begin(), files.end(), nullptr) != files.end()) return fail(Error_InvalidNumberOfParameters);
  // A file named twice takes part once.
  std::vector<FileControlBlock*> list;
  for (FileControlBlock* f : files) {
    if (std::find(list.begin(), list.end(), f) == list.end()) list.push_back(f);
  }
  int64_t first = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    int64_t id = 0;
    if (int32_t code = identity(*list[i], &id)) return code;
    if (i == 0) first = id;
    if (id != first) return fail(Error_UnableToLogTransaction);
  }
  notifyAll(list, Op_STARTRAN);
  std::vector<FileControlBlock*> done;
  for (FileControlBlock* f : list) {
    DriverArgs args;
    args.seconds = seconds;
    int32_t code = callFile(*f, Op_LOGOUT, args);
    if (code != 0) {
      if (!done.empty()) {
        DriverArgs rollback;
        callFile(*done.front(), Op_ROLLBACK, rollback);
      }
      notifyAll(list, Op_ENDTRAN);
      return fail(code);
    }
    done.push_back(f);
  }
  tx.active = true;
  tx.files = std::move(list);
  clearError();
  return 0;
}

int32_t Logout(int32_t seconds, std::initializer_list<FileControlBlock*> files) {
  return Logout(seconds, std::span<FileControlBlock* const>(files.begin(), files.size()));
}

int32_t Commit() {
  if (!tx.active) return fail(Error_LogoutNotActive);
  std::vector<FileControlBlock*> files = tx.files;
  if (files.empty()) return finish(files, 0);  // every file went away meanwhile
  DriverArgs args;
  int32_t code = callFile(*files.front(), Op_COMMIT, args);
  if (code != 0) {
    // Make sure the driver holds nothing back; its answer does not matter.
    DriverArgs rollback;
    callFile(*files.front(), Op_ROLLBACK, rollback);
  }
  return finish(files, code);
}

int32_t Rollback() {
  if (!tx.active) return fail(Error_LogoutNotActive);
  std::vector<FileControlBlock*> files = tx.files;
  int32_t code = 0;
  if (!files.empty()) {
    DriverArgs args;
    code = callFile(*files.front(), Op_ROLLBACK, args);
  }
  return finish(files, code);
}

bool transactionActive() { return tx.active; }

int32_t Enlist(FileControlBlock& file, bool on) {
  auto it = std::find(tx.enlisted.begin(), tx.enlisted.end(), &file);
  if (!on) {
    if (it != tx.enlisted.end()) tx.enlisted.erase(it);
    file.enlisted = false;
    clearError();
    return 0;
  }
  int64_t id = 0;
  if (int32_t code = identity(file, &id)) return code;
  if (it == tx.enlisted.end()) tx.enlisted.push_back(&file);
  file.enlisted = true;
  return 0;
}

int32_t LogoutEnlisted(int32_t seconds) {
  std::vector<FileControlBlock*> files;
  files.swap(tx.enlisted);
  for (FileControlBlock* f : files) f->enlisted = false;
  return Logout(seconds, files);
}

void forgetTransactionFile(FileControlBlock* file) {
  if (txGone) return;
  std::erase(tx.enlisted, file);
  std::erase(tx.files, file);
}

}  // namespace rt
