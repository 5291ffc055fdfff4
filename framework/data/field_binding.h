// Names the expression evaluator reads values by: each bound name stands
// for a field of a record buffer or a memo of a file, on the calling thread.
// File managers bind their record's fields when their file is opened
// (FileManager::BindFields) and unbind them when they clean up.
//
//   fw::BindField("STU:NAME", block, 1);
//   if (const fw::BoundName* b = fw::FindBoundName("stu:name")) ... b->ref() ...
#pragma once

#include <string_view>

#include "runtime/core/file_control.h"
#include "runtime/core/file_field.h"

namespace fw {

struct BoundName {
  rt::FileControlBlock* file = nullptr;
  int field = -1;  // a field of the record, or
  int memo = -1;   // a memo of the file

  rt::FieldRef ref() const { return rt::FieldRef{file, field, 0}; }
};

// Binds `name` (compared without regard to case); a name bound again
// stands for the new target.
void BindField(std::string_view name, rt::FileControlBlock& file, int field);
void BindMemo(std::string_view name, rt::FileControlBlock& file, int memo);
// nullptr when the name is not bound on this thread.
const BoundName* FindBoundName(std::string_view name);
// Drops every name bound to `file`.
void UnbindFile(const rt::FileControlBlock& file);

}  // namespace fw
