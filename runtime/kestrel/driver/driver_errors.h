// The driver's own consistency checks and messages. The runtime error codes it
// returns are named in runtime/core/error_codes.h.
#pragma once

#include "runtime/core/error_codes.h"
#include "runtime/kestrel/format/status.h"

namespace kestrel {

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
