// A filter compiled for a run-time index build: the driver asks it about
// every record while the record is in the control block's buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "runtime/core/file_control.h"

namespace rt {

// The filter as a predicate over `file`'s buffer (names resolve to the
// file's fields and memos, then to the thread's bindings). Empty, with
// the error posted and left in *error, when the text does not compile.
std::function<bool(FileControlBlock&)> compileRecordFilter(FileControlBlock& file, std::string_view filter,
                                                           int32_t* error);

// BuildDynamic with the filter's text and its compiled form.
int32_t BuildFilteredIndex(FileControlBlock& file, int key, std::string_view components, std::string_view filter);

}  // namespace rt
