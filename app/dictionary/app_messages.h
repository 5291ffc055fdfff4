// The program's own entries of the error manager's message table, added
// after the built-in ones at start-up.
#pragma once

#include <cstdint>

#include "framework/data/error_class.h"

namespace app {

// "%File" could not be written: window positions are not kept. Notify.
inline constexpr uint16_t Msg_SettingsNotSaved = 1001;
// A window of the program that this version does not have yet
// ("%Message" names it). Notify.
inline constexpr uint16_t Msg_WindowNotAvailable = 1002;
// The history of grade changes cannot be opened or written ("%Message":
// the file and why); shown once, and grades are saved without it. Notify.
inline constexpr uint16_t Msg_GradeHistoryNotWritten = 1010;
// A grade cell refused what was typed ("%Message"). Notify.
inline constexpr uint16_t Msg_GradeRefused = 1011;

// Adds the entries above to `errors`.
void AddAppMessages(fw::ErrorClass& errors);

}  // namespace app
