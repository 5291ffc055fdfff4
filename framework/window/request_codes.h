// Request and response codes that procedures pass to one another, and the
// per-thread pair of globals that carries them across a call.
#pragma once

#include <cstdint>

namespace fw {

inline constexpr uint8_t Request_Insert = 1;
inline constexpr uint8_t Request_Change = 2;
inline constexpr uint8_t Request_Delete = 3;
inline constexpr uint8_t Request_Select = 4;
inline constexpr uint8_t Request_Print = 5;
inline constexpr uint8_t Request_View = 6;
inline constexpr uint8_t Request_Save = 7;  // transient: the save-and-stay button was pressed

inline constexpr uint8_t Response_Completed = 1;
inline constexpr uint8_t Response_Cancelled = 2;

// The calling thread's request byte, left by a caller for the procedure it
// calls, and the response byte the procedure leaves for its caller. Both
// start at 0 on every thread.
uint8_t& GlobalRequest();
uint8_t& GlobalResponse();

}  // namespace fw
