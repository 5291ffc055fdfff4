// Rows of the error manager's tables: messages, history, procedure names.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "framework/data/level.h"

namespace fw {

// One message of the table. Texts may hold the placeholders that
// ErrorClass::SubsString fills ("%File", "%ErrorText", ...); "|" breaks a line.
struct ErrorEntryGroup {
  int32_t Id = 0;
  std::string Message;
  std::string Title;
  Level Fatality = Level::Benign;  // may hold any byte a table gives
  std::string Category;            // empty: the manager's default category
};

// A message shown through ErrorClass::Msg while the history is on.
struct HistoryEntry {
  std::string Category;
  std::string Txt;  // up to kHistoryTextMax characters
  uint16_t Id = 0;
};

constexpr size_t kHistoryTextMax = 1023;

// The procedure a thread is running, for "%Procedure".
struct ProcNameEntry {
  std::thread::id Thread;
  std::string Name;
};

}  // namespace fw
