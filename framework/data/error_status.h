// The details of the error being reported on one thread.
//
// The error manager is shared by all threads; what it fills a message from
// (file, key and field names, the runtime's error state, the entry being
// reported) lives here, one instance per thread, so threads reporting at the
// same time do not mix their texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/data/error_entry.h"

namespace fw {

constexpr size_t kStatusTextMax = 254;

struct ErrorStatusGroup {
  std::string FieldName;
  std::string FileName;
  std::string KeyName;
  std::string MessageText;
  std::string SaveError;          // the runtime's error message
  int32_t SaveErrorCode = 0;      // the runtime's error code
  std::string SaveFileError;      // the driver's message
  std::string SaveFileErrorCode;  // the driver's own code, as text
  ErrorEntryGroup ErrorBuffer;    // the entry being reported (own copies)
  int32_t PrevErrorId = 0;        // the identifier reported before it
};

class ErrorStatusClass : public ErrorStatusGroup {
 public:
  // Store the text as given, cut to kStatusTextMax characters.
  void SetFieldName(std::string_view s);
  void SetFileName(std::string_view s);
  void SetKeyName(std::string_view s);
  void SetMessageText(std::string_view s);
};

// How the manager reaches the calling thread's status.
using ErrorStatusSource = ErrorStatusClass& (*)();

// The calling thread's own status: made on the thread's first use, destroyed
// when the thread ends. This is what start-up binds as GlobalErrorStatus.
ErrorStatusClass& ThreadErrorStatus();

}  // namespace fw
