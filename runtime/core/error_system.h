// Operating-system errors as runtime error codes: 300 plus the number of the
// condition that the message table names (302 "File Not Found", 332 "Sharing
// Violation", ...). Linux errno values are mapped onto those conditions by the
// table in error_system.cc.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr int32_t kSystemErrorBase = 300;

// The runtime error code (301 to 391) for an errno value. Never 0: an errno
// with no matching condition, 0 included, gives 391 "Unknown Error", so a
// posted failure is never read back as success.
int32_t systemErrorCode(int err);

}  // namespace rt
