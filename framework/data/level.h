// The one-byte outcome of the framework's operations, and the level of a message.
#pragma once

#include <cstdint>

namespace fw {

enum class Level : uint8_t {
  Benign = 0,   // success, or the user answered Yes
  User = 1,     // a question to the user; as a result: failed, the caller may offer a retry
  Program = 2,  // programming error
  Fatal = 3,    // failed for good; in an event loop: leave the loop
  Cancel = 4,   // the user answered No
  Notify = 5,   // failed and the user has been told, or nothing was found; the event is consumed
};

}  // namespace fw
