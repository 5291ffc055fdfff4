#include "runtime/core/file_ops.h"

namespace rt {

FileOpKind fileOpKind(int32_t op) {
  switch (op) {
    case Op_GETfilekey:
    case Op_GETfileptr:
    case Op_GETkeyptr:
    case Op_NEXT:
    case Op_PREVIOUS:
    case Op_REGETfile:
    case Op_REGETkey:
      return FileOpKind::kRead;
    case Op_ADD:
    case Op_APPEND:
      return FileOpKind::kAdd;
    case Op_PUT:
    case Op_PUTfileptr:
      return FileOpKind::kChange;
    case Op_DELETE:
      return FileOpKind::kDelete;
    default:
      return FileOpKind::kOther;
  }
}

const char* fileOpName(int32_t op) {
  switch (op) {
#define QV_OP(name) \
  case Op_##name:   \
    return #name;
    QV_OP(ADD) QV_OP(BOF) QV_OP(BUILDfile) QV_OP(APPEND) QV_OP(BUILDdyn) QV_OP(BUILDkey)
    QV_OP(CLOSE) QV_OP(COMMIT) QV_OP(COPY) QV_OP(CREATE) QV_OP(DELETE) QV_OP(DUPLICATE)
    QV_OP(EMPTY) QV_OP(EOF) QV_OP(GETfilekey) QV_OP(GETfileptr) QV_OP(GETkeyptr)
    QV_OP(HOLDfile) QV_OP(HOLDfilesec) QV_OP(LOCKfile) QV_OP(LOCKfilesec) QV_OP(LOGOUT)
    QV_OP(NAME) QV_OP(NEXT) QV_OP(OPEN) QV_OP(PACK) QV_OP(POINTERfile) QV_OP(POINTERkey)
    QV_OP(FLUSH) QV_OP(PUT) QV_OP(PREVIOUS) QV_OP(RECORDSfile) QV_OP(RECORDSkey)
    QV_OP(BUILDdynfilter) QV_OP(STARTRAN) QV_OP(RELEASE) QV_OP(REMOVE) QV_OP(RENAME)
    QV_OP(ENDTRAN) QV_OP(ROLLBACK) QV_OP(SETfile) QV_OP(SETfilekey) QV_OP(SETfileptr)
    QV_OP(SETkey) QV_OP(SETkeykey) QV_OP(SETkeyptr) QV_OP(SETkeykeyptr) QV_OP(SHARE)
    QV_OP(SKIP) QV_OP(UNLOCK) QV_OP(BYTES) QV_OP(PUTfileptr) QV_OP(STREAM)
    QV_OP(DUPLICATEkey) QV_OP(WATCH) QV_OP(SEND) QV_OP(POSITIONfile) QV_OP(POSITIONkey)
    QV_OP(RESETfile) QV_OP(RESETkey) QV_OP(NOMEMO) QV_OP(REGETfile) QV_OP(REGETkey)
    QV_OP(SET_PROPERTY) QV_OP(GET_PROPERTY) QV_OP(QUERY_KEY) QV_OP(BLOB_YIELD)
    QV_OP(BLOB_TAKE) QV_OP(BLOB_SIZE) QV_OP(BLOB_SET_PROP) QV_OP(BLOB_GET_PROP) QV_OP(CLEAR)
    QV_OP(BUILDevent) QV_OP(SETPROPERTYkey) QV_OP(GETPROPERTYkey) QV_OP(Internal91)
    QV_OP(INVIEW) QV_OP(ENDVIEW) QV_OP(COUNTRECORDS) QV_OP(GETSTATE) QV_OP(RESTORESTATE)
    QV_OP(FREESTATE) QV_OP(DESTROY) QV_OP(DISCARD) QV_OP(GETNULLS) QV_OP(SETNULLS)
#undef QV_OP
    default:
      return "";
  }
}

}  // namespace rt
