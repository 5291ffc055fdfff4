// Runtime error codes the driver returns, and its own consistency checks.
#ifndef RUNTIME_KESTREL_DRIVER_DRIVER_ERRORS_H_
#define RUNTIME_KESTREL_DRIVER_DRIVER_ERRORS_H_

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr int kErrNotFound = 2;
inline constexpr int kErrPathNotFound = 3;
inline constexpr int kErrAccessDenied = 5;
inline constexpr int kErrTableLocked = 32;
inline constexpr int kErrNotAvailable = 33;
inline constexpr int kErrRecordNotFound = 35;
inline constexpr int kErrInvalidFile = 36;
inline constexpr int kErrNotOpen = 37;
inline constexpr int kErrDuplicateKey = 40;
inline constexpr int kErrHeld = 43;
inline constexpr int kErrInvalidName = 45;
inline constexpr int kErrDeclaration = 47;
inline constexpr int kErrNoCreate = 54;
inline constexpr int kErrInvalidIndex = 76;
inline constexpr int kErrUnsupported = 80;
inline constexpr int kErrChanged = 89;
inline constexpr int kErrFileSystem = 90;
inline constexpr int kErrBuildCancelled = 93;

// The driver's checks, after the format's (1-99) and the page store's (100-199).
inline constexpr Check kCheckRowSize = static_cast<Check>(200);       // data record of the wrong length
inline constexpr Check kCheckEntryValue = static_cast<Check>(201);    // key entry value is not an id
inline constexpr Check kCheckStatistics = static_cast<Check>(202);    // statistics record unreadable
inline constexpr Check kCheckNameRecord = static_cast<Check>(203);    // name record unreadable
inline constexpr Check kCheckDanglingEntry = static_cast<Check>(204); // key entry without its record
inline constexpr Check kCheckMissingEntry = static_cast<Check>(205);  // data record without its key entry
inline constexpr Check kCheckOrphanMemo = static_cast<Check>(206);    // memo segment without its record

inline constexpr char kCorruptionMessage[] = "Possible data corruption in file";
inline constexpr char kDriverErrorMessage[] = "Kestrel File Driver Error";

}  // namespace kestrel

#endif  // RUNTIME_KESTREL_DRIVER_DRIVER_ERRORS_H_
