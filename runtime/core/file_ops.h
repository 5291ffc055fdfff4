// The numbers of the runtime's file operations, as every driver receives
// them, and what kind of work each one does.
#pragma once

#include <cstdint>

namespace rt {

// Operation numbers of the driver entry routine. The names are the
// runtime's names of the operations (Op_ prefixed: EOF is a C macro).
enum FileOp : int32_t {
  Op_ADD = 1,
  Op_BOF = 2,
  Op_BUILDfile = 3,
  Op_APPEND = 4,
  Op_BUILDdyn = 5,
  Op_BUILDkey = 6,
  Op_CLOSE = 7,
  Op_COMMIT = 8,
  Op_COPY = 9,
  Op_CREATE = 10,
  Op_DELETE = 11,
  Op_DUPLICATE = 12,
  Op_EMPTY = 13,
  Op_EOF = 14,
  Op_GETfilekey = 15,
  Op_GETfileptr = 16,
  Op_GETkeyptr = 17,
  Op_HOLDfile = 18,
  Op_HOLDfilesec = 19,
  Op_LOCKfile = 20,
  Op_LOCKfilesec = 21,
  Op_LOGOUT = 22,
  Op_NAME = 23,
  Op_NEXT = 24,
  Op_OPEN = 25,
  Op_PACK = 26,
  Op_POINTERfile = 27,
  Op_POINTERkey = 28,
  Op_FLUSH = 29,
  Op_PUT = 30,
  Op_PREVIOUS = 31,
  Op_RECORDSfile = 32,
  Op_RECORDSkey = 33,
  Op_BUILDdynfilter = 34,
  Op_STARTRAN = 35,
  Op_RELEASE = 36,
  Op_REMOVE = 37,
  Op_RENAME = 38,
  Op_ENDTRAN = 39,
  Op_ROLLBACK = 40,
  Op_SETfile = 41,
  Op_SETfilekey = 42,
  Op_SETfileptr = 43,
  Op_SETkey = 44,
  Op_SETkeykey = 45,
  Op_SETkeyptr = 46,
  Op_SETkeykeyptr = 47,
  Op_SHARE = 48,
  Op_SKIP = 49,
  Op_UNLOCK = 50,
  Op_BYTES = 52,
  Op_PUTfileptr = 54,
  Op_STREAM = 56,
  Op_DUPLICATEkey = 57,
  Op_WATCH = 58,
  Op_SEND = 60,
  Op_POSITIONfile = 61,
  Op_POSITIONkey = 62,
  Op_RESETfile = 63,
  Op_RESETkey = 64,
  Op_NOMEMO = 65,
  Op_REGETfile = 66,
  Op_REGETkey = 67,
  Op_SET_PROPERTY = 71,
  Op_GET_PROPERTY = 72,
  Op_QUERY_KEY = 73,
  Op_BLOB_YIELD = 75,
  Op_BLOB_TAKE = 76,
  Op_BLOB_SIZE = 77,
  Op_BLOB_SET_PROP = 78,
  Op_BLOB_GET_PROP = 79,
  Op_CLEAR = 82,
  Op_BUILDevent = 84,
  Op_SETPROPERTYkey = 85,
  Op_GETPROPERTYkey = 86,
  Op_Internal91 = 91,
  Op_INVIEW = 92,
  Op_ENDVIEW = 93,
  Op_COUNTRECORDS = 95,
  Op_GETSTATE = 98,
  Op_RESTORESTATE = 99,
  Op_FREESTATE = 102,
  Op_DESTROY = 104,

  // Notices the runtime gives the file's observer without calling a driver:
  // the calling thread's instance of the file is being discarded; the
  // field-nullity text is read or set (file_access.h).
  Op_DISCARD = 1001,
  Op_GETNULLS = 1002,
  Op_SETNULLS = 1003,
};

// Highest number a driver entry routine can be called with.
inline constexpr int32_t kMaxDriverOp = Op_DESTROY;

// What an operation does to the records, for the operation notices.
enum class FileOpKind : uint8_t {
  kOther = 0,   // open, close, positioning, locks, commands ...
  kRead,        // reads a record into the buffer (GET, NEXT, PREVIOUS, REGET)
  kAdd,         // ADD, APPEND
  kChange,      // PUT, PUTfileptr
  kDelete,      // DELETE
};

FileOpKind fileOpKind(int32_t op);

// The runtime's name of an operation ("ADD", "GETfilekey"); "" when the
// number names none.
const char* fileOpName(int32_t op);

}  // namespace rt
