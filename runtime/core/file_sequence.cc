#include "runtime/core/file_sequence.h"

#include "runtime/core/file_access.h"
#include "runtime/core/file_ops.h"

namespace rt {

namespace {

int32_t call(FileControlBlock& file, int32_t op, int key = -1, uint32_t id = 0) {
  DriverArgs args;
  args.key = key;
  args.id = id;
  return callFile(file, op, args);
}

int32_t withPosition(FileControlBlock& file, int32_t op, int key, std::string_view position) {
  DriverArgs args;
  args.key = key;
  args.text = position;
  return callFile(file, op, args);
}

std::string position(FileControlBlock& file, int32_t op, int key) {
  DriverArgs args;
  args.key = key;
  return callFile(file, op, args) == 0 ? args.result : std::string();
}

bool flag(FileControlBlock& file, int32_t op) {
  DriverArgs args;
  return callFile(file, op, args) == 0 && args.value != 0;
}

}  // namespace

int32_t SetFile(FileControlBlock& file) { return call(file, Op_SETfile); }
int32_t SetFileKey(FileControlBlock& file, int key) { return call(file, Op_SETfilekey, key); }
int32_t SetFilePtr(FileControlBlock& file, uint32_t id) { return call(file, Op_SETfileptr, -1, id); }
int32_t SetKey(FileControlBlock& file, int key) { return call(file, Op_SETkey, key); }
int32_t SetKeyKey(FileControlBlock& file, int key) { return call(file, Op_SETkeykey, key); }
int32_t SetKeyPtr(FileControlBlock& file, int key, uint32_t id) { return call(file, Op_SETkeyptr, key, id); }
int32_t SetKeyKeyPtr(FileControlBlock& file, int key, uint32_t id) {
  return call(file, Op_SETkeykeyptr, key, id);
}

int32_t Next(FileControlBlock& file) { return call(file, Op_NEXT); }
int32_t Previous(FileControlBlock& file) { return call(file, Op_PREVIOUS); }

int32_t Skip(FileControlBlock& file, int32_t count) {
  DriverArgs args;
  args.count = count;
  return callFile(file, Op_SKIP, args);
}

bool Bof(FileControlBlock& file) { return flag(file, Op_BOF); }
bool Eof(FileControlBlock& file) { return flag(file, Op_EOF); }

std::string Position(FileControlBlock& file) { return position(file, Op_POSITIONfile, -1); }
std::string Position(FileControlBlock& file, int key) { return position(file, Op_POSITIONkey, key); }

int32_t Reset(FileControlBlock& file, std::string_view pos) { return withPosition(file, Op_RESETfile, -1, pos); }
int32_t Reset(FileControlBlock& file, int key, std::string_view pos) {
  return withPosition(file, Op_RESETkey, key, pos);
}
int32_t Reget(FileControlBlock& file, std::string_view pos) { return withPosition(file, Op_REGETfile, -1, pos); }
int32_t Reget(FileControlBlock& file, int key, std::string_view pos) {
  return withPosition(file, Op_REGETkey, key, pos);
}

int32_t InView(FileControlBlock& file) { return call(file, Op_INVIEW); }
int32_t EndView(FileControlBlock& file) { return call(file, Op_ENDVIEW); }

}  // namespace rt
