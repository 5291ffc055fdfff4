#include "framework/data/error_status.h"

namespace fw {

namespace {
void store(std::string& field, std::string_view s) { field.assign(s.substr(0, kStatusTextMax)); }
}  // namespace

void ErrorStatusClass::SetFieldName(std::string_view s) { store(FieldName, s); }
void ErrorStatusClass::SetFileName(std::string_view s) { store(FileName, s); }
void ErrorStatusClass::SetKeyName(std::string_view s) { store(KeyName, s); }
void ErrorStatusClass::SetMessageText(std::string_view s) { store(MessageText, s); }

ErrorStatusClass& ThreadErrorStatus() {
  thread_local ErrorStatusClass status;
  return status;
}

}  // namespace fw
