#include "runtime/core/file_records.h"

#include "runtime/core/file_access.h"
#include "runtime/core/file_ops.h"

namespace rt {

namespace {

int32_t call(FileControlBlock& file, int32_t op, int key = -1, uint32_t id = 0, int32_t length = 0) {
  DriverArgs args;
  args.key = key;
  args.id = id;
  args.length = length;
  return callFile(file, op, args);
}

int64_t value(FileControlBlock& file, int32_t op, int key = -1) {
  DriverArgs args;
  args.key = key;
  return callFile(file, op, args) == 0 ? args.value : 0;
}

}  // namespace

int32_t Add(FileControlBlock& file) { return call(file, Op_ADD); }
int32_t Add(FileControlBlock& file, int32_t length) { return call(file, Op_ADD, -1, 0, length); }
int32_t Append(FileControlBlock& file) { return call(file, Op_APPEND); }
int32_t Append(FileControlBlock& file, int32_t length) { return call(file, Op_APPEND, -1, 0, length); }

int32_t Get(FileControlBlock& file, int key) { return call(file, Op_GETfilekey, key); }
int32_t GetById(FileControlBlock& file, uint32_t id) { return call(file, Op_GETfileptr, -1, id); }
int32_t GetById(FileControlBlock& file, int key, uint32_t id, int32_t length) {
  return call(file, Op_GETkeyptr, key, id, length);
}

int32_t Put(FileControlBlock& file) { return call(file, Op_PUT); }
int32_t PutById(FileControlBlock& file, uint32_t id) { return call(file, Op_PUTfileptr, -1, id); }
int32_t Delete(FileControlBlock& file) { return call(file, Op_DELETE); }

int32_t Hold(FileControlBlock& file) { return call(file, Op_HOLDfile); }

int32_t Hold(FileControlBlock& file, int32_t seconds) {
  DriverArgs args;
  args.seconds = seconds;
  return callFile(file, Op_HOLDfilesec, args);
}

int32_t Release(FileControlBlock& file) { return call(file, Op_RELEASE); }
int32_t Watch(FileControlBlock& file) { return call(file, Op_WATCH); }
int32_t NoMemo(FileControlBlock& file) { return call(file, Op_NOMEMO); }

bool Duplicate(FileControlBlock& file) { return value(file, Op_DUPLICATE) != 0; }
bool Duplicate(FileControlBlock& file, int key) { return value(file, Op_DUPLICATEkey, key) != 0; }

int64_t Records(FileControlBlock& file) { return value(file, Op_RECORDSfile); }
int64_t Records(FileControlBlock& file, int key) { return value(file, Op_RECORDSkey, key); }

uint32_t Pointer(FileControlBlock& file) { return static_cast<uint32_t>(value(file, Op_POINTERfile)); }
uint32_t Pointer(FileControlBlock& file, int key) {
  return static_cast<uint32_t>(value(file, Op_POINTERkey, key));
}

}  // namespace rt
