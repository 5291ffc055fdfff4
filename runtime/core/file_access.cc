#include "runtime/core/file_access.h"

#include "runtime/core/error_state.h"
#include "runtime/core/file_ops.h"

namespace rt {

namespace {

int32_t simple(FileControlBlock& file, int32_t op) {
  DriverArgs args;
  return callFile(file, op, args);
}

int32_t withText(FileControlBlock& file, int32_t op, std::string_view text) {
  DriverArgs args;
  args.text = text;
  return callFile(file, op, args);
}

// A build that the driver only noted (a file with the progress attribute)
// is performed at once through BUILDevent, its notices going to the
// thread's receiver.
int32_t build(FileControlBlock& file, int32_t op, DriverArgs& args) {
  const int32_t code = callFile(file, op, args);
  if (code != 0 || args.value != kBuildNoted) return code;
  return BuildEvent(file);
}

int32_t openWith(FileControlBlock& file, int32_t op, int32_t access_mode) {
  DriverArgs args;
  args.access_mode = access_mode;
  if (file.open) return answerFile(file, op, args, Error_FileAlreadyOpen);
  int32_t code = callFile(file, op, args);
  if (code == 0) file.open = true;
  return code;
}

}  // namespace

int32_t Open(FileControlBlock& file, int32_t access_mode) { return openWith(file, Op_OPEN, access_mode); }
int32_t Share(FileControlBlock& file, int32_t access_mode) { return openWith(file, Op_SHARE, access_mode); }

int32_t Create(FileControlBlock& file) {
  int32_t code = simple(file, Op_CREATE);
  if (code == 0) file.open = true;
  return code;
}

int32_t Close(FileControlBlock& file) {
  int32_t code = simple(file, Op_CLOSE);
  file.open = false;
  return code;
}

int32_t Remove(FileControlBlock& file) { return simple(file, Op_REMOVE); }
int32_t Copy(FileControlBlock& file, std::string_view new_name) { return withText(file, Op_COPY, new_name); }
int32_t Rename(FileControlBlock& file, std::string_view new_name) { return withText(file, Op_RENAME, new_name); }
int32_t Empty(FileControlBlock& file) { return simple(file, Op_EMPTY); }

int32_t Build(FileControlBlock& file) {
  DriverArgs args;
  return build(file, Op_BUILDfile, args);
}

int32_t Pack(FileControlBlock& file) { return simple(file, Op_PACK); }

int32_t BuildKey(FileControlBlock& file, int key) {
  DriverArgs args;
  args.key = key;
  return build(file, Op_BUILDkey, args);
}

int32_t BuildDynamic(FileControlBlock& file, int key, std::string_view components, std::string_view filter,
                     std::function<bool(FileControlBlock&)> accept) {
  DriverArgs args;
  args.key = key;
  args.text = components;
  args.filter = filter;
  args.accept = std::move(accept);
  bool filtered = !filter.empty() || args.accept;
  return build(file, filtered ? Op_BUILDdynfilter : Op_BUILDdyn, args);
}

int32_t BuildEvent(FileControlBlock& file) {
  DriverArgs args;
  args.progress = [&file](const BuildProgress& progress) {
    BuildProgressReceiver* receiver = buildProgressReceiver();
    return !receiver || receiver->buildProgress(file, progress);
  };
  return callFile(file, Op_BUILDevent, args);
}

std::string Send(FileControlBlock& file, std::string_view command) {
  DriverArgs args;
  args.text = command;
  return callFile(file, Op_SEND, args) == 0 ? args.result : std::string();
}

std::string Name(FileControlBlock& file) {
  DriverArgs args;
  return callFile(file, Op_NAME, args) == 0 ? args.result : std::string();
}

int64_t Bytes(FileControlBlock& file) {
  DriverArgs args;
  return callFile(file, Op_BYTES, args) == 0 ? args.value : 0;
}

int32_t Lock(FileControlBlock& file) { return simple(file, Op_LOCKfile); }

int32_t Lock(FileControlBlock& file, int32_t seconds) {
  DriverArgs args;
  args.seconds = seconds;
  return callFile(file, Op_LOCKfilesec, args);
}

int32_t Unlock(FileControlBlock& file) { return simple(file, Op_UNLOCK); }
int32_t Stream(FileControlBlock& file) { return simple(file, Op_STREAM); }
int32_t Flush(FileControlBlock& file) { return simple(file, Op_FLUSH); }

int32_t Clear(FileControlBlock& file, int32_t fill) {
  file.clearBuffers(fill < 0 ? -1 : (fill > 0 ? 1 : 0));
  DriverArgs args;
  args.fill = fill;
  int32_t code = callFile(file, Op_CLEAR, args);
  if (code == Error_UnsupportedFileDriverFunction) {
    clearError();
    code = 0;
  }
  return code;
}

int32_t SetProperty(FileControlBlock& file, int32_t property, std::string_view value) {
  DriverArgs args;
  args.property = property;
  args.text = value;
  return callFile(file, Op_SET_PROPERTY, args);
}

std::string GetProperty(FileControlBlock& file, int32_t property) {
  DriverArgs args;
  args.property = property;
  return callFile(file, Op_GET_PROPERTY, args) == 0 ? args.result : std::string();
}

std::string GetNulls(FileControlBlock& file) {
  DriverArgs args;
  answerFile(file, Op_GETNULLS, args, 0);
  return std::string(file.decl().fields.size(), '\0');
}

int32_t SetNulls(FileControlBlock& file, std::string_view nulls) {
  DriverArgs args;
  args.text = nulls;
  return answerFile(file, Op_SETNULLS, args, 0);
}

}  // namespace rt
