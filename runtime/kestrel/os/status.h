#pragma once

#include <string>

#include "runtime/core/error_codes.h"

namespace kestrel {

// Maps an errno value from an operation on `path` to a runtime error code
// (runtime/core/error_codes.h); the OS layer and the page store return those codes.
// ENOENT distinguishes a missing file (2) from a missing directory (3).
int ErrnoToCode(int err, const std::string& path);

}  // namespace kestrel
