// An in-memory list of rows of one layout (a declaration used only for its
// fields), with a current-row buffer. A browse keeps its page in one; the
// list control reads the rows it shows straight from it (ui::RowSource).
//
//   auto q = fw::RecordQueue(layout);      // fields NAME, GRADE
//   rt::setValueText(q.Field(1), "Ana");   // the current row's buffer
//   q.Position = view.Position();
//   q.Add();                                // appended, and current
//   q.Get(1);                               // row 1 into the buffer
//
// Each row also holds the driver position of its record, kept byte for byte
// beside the columns (positions are binary and vary in length).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/file_control.h"
#include "runtime/core/file_decl.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/row_source.h"

namespace fw {

class RecordQueue : public ui::RowSource {
 public:
  explicit RecordQueue(rt::FileDeclPtr layout);

  rt::FileControlBlock& Buffer() { return buffer_; }
  // Field n (1-based) of the current-row buffer; invalid when out of range.
  rt::FieldRef Field(int n);
  rt::FieldRef Field(std::string_view label);

  size_t Records() const { return rows_.size(); }
  // The row last read, added or written (0: none).
  size_t Pointer() const { return pointer_; }
  // Stores the buffer and Position as a new row at `position` (0 or past the
  // end: appended); it becomes current.
  void Add(size_t position = 0);
  // Row `position` into the buffer and Position; false when there is none.
  bool Get(size_t position);
  // Writes the buffer and Position back to the current row.
  bool Put();
  // Deletes the current row; the row after it becomes current.
  bool Delete();
  void Free();
  // Label of field `column` (1-based), "" when there is none.
  std::string Who(int column) const;

  // ui::RowSource
  int rowCount() const override { return int(rows_.size()); }
  std::string value(int row, int field) const override;

  std::string Position;  // the current row's driver position

 private:
  struct Row {
    std::vector<uint8_t> record;
    std::string position;
  };
  rt::FileControlBlock buffer_;
  mutable rt::FileControlBlock scratch_;
  std::vector<Row> rows_;
  size_t pointer_ = 0;
};

}  // namespace fw
