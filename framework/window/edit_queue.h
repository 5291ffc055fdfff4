// The edit list of an edit-in-place browse: one entry per list column that
// has an editor registered (or made for it when an edit starts). The browse
// owns the list; the edit-in-place manager works on it.
#pragma once

#include <cstdint>
#include <vector>

namespace fw {

class EditClass;

struct EditQueueEntry {
  int32_t Field = 0;            // field number of the column, as the list reports it
  uint8_t FreeUp = 0;           // the browse deletes Control when it is killed
  EditClass* Control = nullptr;  // nullptr: the column is not edited
  int32_t Column = 0;           // list column (from 1)
};

using EditQueue = std::vector<EditQueueEntry>;

}  // namespace fw
