// Runtime file operations on a whole file: open and close, create, remove,
// copy and rename, key builds, commands, locks, stream mode.
//
// Every operation of file_access.h, file_records.h, file_sequence.h and
// file_state.h works the same way:
//   1. the error state is cleared;
//   2. the file's observer gets FunctionCalled (file_notice.h);
//   3. the file's driver (resolved by name on first use) gets the operation,
//      unless it names a key or memo the declaration does not have: that
//      fails with 77 ("Unable To Access Index") instead;
//   4. the observer gets FunctionDone;
//   5. the outcome is left in the error state (ERRORCODE() and friends).
// Operations that return an int32_t return that same error code. A file
// whose driver is not registered fails every operation with 80 and a file
// error message that names the driver.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/core/file_control.h"
#include "runtime/core/file_driver.h"

namespace rt {

// Access modes: low two bits access, high four bits sharing.
inline constexpr int32_t kAccessRead = 0x00;
inline constexpr int32_t kAccessWrite = 0x01;
inline constexpr int32_t kAccessReadWrite = 0x02;
inline constexpr int32_t kShareCompat = 0x00;
inline constexpr int32_t kShareDenyAll = 0x10;
inline constexpr int32_t kShareDenyWrite = 0x20;
inline constexpr int32_t kShareDenyRead = 0x30;
inline constexpr int32_t kShareDenyNone = 0x40;

// Sends one operation through the full sequence above. The building block
// of every operation below, and the way to reach operations without a
// function of their own (blob transfer, key properties, QUERY_KEY ...).
int32_t callFile(FileControlBlock& file, int32_t op, DriverArgs& args);

// The same sequence where the runtime answers `code` itself instead of the
// driver (an open of an open file, an unknown state handle): the observer
// still sees the operation.
int32_t answerFile(FileControlBlock& file, int32_t op, DriverArgs& args, int32_t code);

// Open (25) and Share (48). An already open control block answers 52
// ("File Already Open") without calling the driver (notices are given).
int32_t Open(FileControlBlock& file, int32_t access_mode = kAccessReadWrite | kShareDenyWrite);
int32_t Share(FileControlBlock& file, int32_t access_mode = kAccessReadWrite | kShareDenyNone);
int32_t Create(FileControlBlock& file);  // leaves the file open on success
int32_t Close(FileControlBlock& file);   // the block counts as closed afterwards in any case

int32_t Remove(FileControlBlock& file);
int32_t Copy(FileControlBlock& file, std::string_view new_name);
int32_t Rename(FileControlBlock& file, std::string_view new_name);
int32_t Empty(FileControlBlock& file);

// On a file with the progress attribute the builds below are performed
// through BuildEvent, with notices to the thread's receiver
// (build_progress.h); a receiver that cancels makes them answer 93.
int32_t Build(FileControlBlock& file);                // BUILDfile
int32_t Pack(FileControlBlock& file);                 // PACK
int32_t BuildKey(FileControlBlock& file, int key);    // BUILDkey
// Run-time index `key` (a kKeyDynamic key) over `components`
// ("+PRE:A,-PRE:B"), with an optional filter: its expression text and the
// evaluator's compiled form, which the driver asks for every record (with
// the record in the buffer). Either makes the operation BUILDdynfilter.
int32_t BuildDynamic(FileControlBlock& file, int key, std::string_view components,
                     std::string_view filter = {},
                     std::function<bool(FileControlBlock&)> accept = {});
int32_t BuildEvent(FileControlBlock& file);           // BUILDevent: performs the noted builds

// Send (60): the command's answer ("" on failure).
std::string Send(FileControlBlock& file, std::string_view command);
// Name (23): the name as the driver shows it in messages.
std::string Name(FileControlBlock& file);
int64_t Bytes(FileControlBlock& file);

int32_t Lock(FileControlBlock& file);                 // LOCKfile
int32_t Lock(FileControlBlock& file, int32_t seconds);  // LOCKfilesec
int32_t Unlock(FileControlBlock& file);
int32_t Stream(FileControlBlock& file);
int32_t Flush(FileControlBlock& file);

// Clear (82): fills the buffers by field type (see clearBuffers) and tells
// the driver. A driver answering 80 to CLEAR is not an error here.
int32_t Clear(FileControlBlock& file, int32_t fill = 0);

// Driver properties (71, 72).
int32_t SetProperty(FileControlBlock& file, int32_t property, std::string_view value);
std::string GetProperty(FileControlBlock& file, int32_t property);

// Field nullity. The record files have no null fields: the nullity text
// holds one byte per field, all 0 (not null), and setting it changes
// nothing. Both work on closed files and give notices (Op_GETNULLS,
// Op_SETNULLS) but never reach the driver.
std::string GetNulls(FileControlBlock& file);
int32_t SetNulls(FileControlBlock& file, std::string_view nulls);

// Op_DISCARD notice to the observer, then Op_DESTROY to the driver (when
// it holds a part). Used when a thread's instance goes away.
void discardFile(FileControlBlock& file, bool cleanup);

}  // namespace rt
