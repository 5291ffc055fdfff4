// The grade-book rows of one subject, or of one student in it, read in
// student order through the key on subject and student.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/core/file_control.h"

namespace qvdata {

// Calls `each` with every such row in the buffer of the open grade book
// `book`. False with *error when the file cannot be read.
bool ForEachGradeBookRow(rt::FileControlBlock& book, int32_t subject, std::optional<int32_t> student,
                         const std::function<void()>& each, std::string* error);

}  // namespace qvdata
