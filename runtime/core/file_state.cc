#include "runtime/core/file_state.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_state_table.h"

namespace rt {

namespace {

SavedFileState* find(FileControlBlock& file, int64_t handle) {
  if (!file.states) return nullptr;
  auto it = file.states->states.find(handle);
  return it == file.states->states.end() ? nullptr : &it->second;
}

int32_t badHandle(FileControlBlock& file, int32_t op, int64_t handle) {
  DriverArgs args;
  args.state = handle;
  return answerFile(file, op, args, Error_InvalidNumberOfParameters);
}

}  // namespace

int64_t GetState(FileControlBlock& file) {
  DriverArgs args;
  if (callFile(file, Op_GETSTATE, args) != 0) return 0;
  if (!file.states) file.states = std::make_unique<FileStateTable>();
  int64_t handle = ++file.states->last_handle;
  SavedFileState& s = file.states->states[handle];
  s.driver_handle = args.value;
  s.record = file.record;
  s.memos = file.memos;
  return handle;
}

int32_t RestoreState(FileControlBlock& file, int64_t handle) {
  SavedFileState* s = find(file, handle);
  if (!s) return badHandle(file, Op_RESTORESTATE, handle);
  DriverArgs args;
  args.state = s->driver_handle;
  int32_t code = callFile(file, Op_RESTORESTATE, args);
  // The observer may have freed the state during the notices.
  s = find(file, handle);
  if (code == 0 && s) {
    if (s->record.size() == file.record.size()) file.record = s->record;
    if (s->memos.size() == file.memos.size()) file.memos = s->memos;
  }
  return code;
}

int32_t FreeState(FileControlBlock& file, int64_t handle) {
  SavedFileState* s = find(file, handle);
  if (!s) return badHandle(file, Op_FREESTATE, handle);
  DriverArgs args;
  args.state = s->driver_handle;
  file.states->states.erase(handle);  // gone whatever the driver answers
  return callFile(file, Op_FREESTATE, args);
}

size_t savedStateCount(const FileControlBlock& file) {
  return file.states ? file.states->states.size() : 0;
}

}  // namespace rt
