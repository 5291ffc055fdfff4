// The driver interface: one entry routine per driver, registered by name.
//
//   int32_t entry(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args);
//
// `op` is a number of file_ops.h; the routine returns an error code (0 for
// success, else a code of error_messages.h) and may post the driver's own
// file error details first with rt::postFileError (the runtime posts the
// returned code itself, after the driver returns, and clears the error
// state before calling it). Numbers the driver does not implement answer 80.
//
// Which members of DriverArgs an operation reads and writes:
//
//   OPEN, SHARE                     in  access_mode (low 2 bits: 0 read, 1 write,
//                                       2 read/write; high 4 bits sharing)
//   GETfilekey, SETfilekey, SETkey,
//   SETkeykey, BUILDkey,
//   DUPLICATEkey, RECORDSkey,
//   POINTERkey, POSITIONkey,
//   RESETkey, REGETkey, QUERY_KEY,
//   SETPROPERTYkey, GETPROPERTYkey  in  key (0-based index into decl().keys)
//   GETfileptr, GETkeyptr           in  id (and for GETkeyptr: key, length)
//   SETfileptr, SETkeyptr,
//   SETkeykeyptr, PUTfileptr        in  id (and key for the key forms)
//   ADD, APPEND                     in  length (0: the whole record)
//   HOLDfilesec, LOCKfilesec,
//   LOGOUT                          in  seconds
//   SKIP                            in  count (negative: backwards)
//   CLEAR                           in  fill (-1, 0, 1); the runtime has already
//                                       filled the buffers by field type
//   COPY, RENAME                    in  text (the new name)
//   SEND                            in  text (command); out result (its answer)
//   RESETfile/key, REGETfile/key    in  text (a position as POSITION gave it)
//   BUILDdyn, BUILDdynfilter        in  key, text (components, "+PRE:A,-PRE:B"),
//                                       filter (BUILDdynfilter: the expression text)
//                                       and accept (BUILDdynfilter: the compiled
//                                       filter; with the candidate record in
//                                       file.record, true admits it)
//   BUILDfile, BUILDkey, BUILDdyn,
//   BUILDdynfilter                  out value: kBuildNoted when the file has the
//                                       progress attribute and the build waits
//                                       for BUILDevent (build_progress.h)
//   BUILDevent                      in  progress: called with the build's notices;
//                                       false cancels the build (93)
//   SET_PROPERTY, GET_PROPERTY,
//   SETPROPERTYkey, GETPROPERTYkey  in  property, text (the value to set);
//                                   out result (the value got)
//   BLOB_*                          in  memo, property, block; out block, value
//   BLOB_SET_PROP                   in  memo, property, value (the value to set)
//   BOF, EOF, DUPLICATE,
//   DUPLICATEkey                    out value: 1 or 0
//   POINTERfile, POINTERkey         out value: the current record id
//   RECORDSfile/key, COUNTRECORDS   out value: the count
//   BYTES                           out value: the byte count
//   Internal91                      out value: the driver's identity (non-zero;
//                                       equal only for files of one driver)
//   GETSTATE                        out value: a state handle of the driver
//   RESTORESTATE, FREESTATE         in  state: a handle from GETSTATE
//   NAME                            out result: the name as shown in messages
//   POSITIONfile, POSITIONkey       out result: the position text
//   COMMIT, ROLLBACK                called once per transaction, with the
//                                   control block of its first file
//   DESTROY                         release file.driver_data
//
// A record read or written moves through file.record and file.memos.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/build_progress.h"
#include "runtime/core/file_control.h"

namespace rt {

struct DriverArgs {
  // In.
  int32_t access_mode = 0;
  int32_t key = -1;      // index into decl().keys; -1 for none
  uint32_t id = 0;       // record id
  int32_t length = 0;
  int32_t seconds = 0;
  int32_t count = 0;
  int32_t fill = 0;
  int32_t property = 0;
  int32_t memo = -1;     // index into decl().memos; -1 for none
  int64_t state = 0;
  std::string text;
  std::string filter;
  std::function<bool(FileControlBlock&)> accept;
  std::function<bool(const BuildProgress&)> progress;
  // Out.
  int64_t value = 0;
  std::string result;
  // In or out (blob transfer).
  std::vector<uint8_t> block;
};

// Registers `entry` under `name` (compared without regard to case),
// replacing a driver of that name. An empty entry unregisters the name.
void registerDriver(std::string_view name, DriverEntry entry);

// The entry of the driver `name`; empty when none is registered.
DriverEntry findDriver(std::string_view name);

}  // namespace rt
