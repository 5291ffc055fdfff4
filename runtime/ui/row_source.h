// Where a list control takes its rows from: the page buffer of a browse, or
// any table. The list reads only the rows it shows; values come as text (see
// use_var.h) and are formatted through the column's picture.
#pragma once

#include <string>
#include <vector>

namespace ui {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual int rowCount() const = 0;
  // row and field from 1.
  virtual std::string value(int row, int field) const = 0;
};

// A row source over a table held in memory (tests, small fixed lists).
class TableRowSource : public RowSource {
 public:
  std::vector<std::vector<std::string>> rows;
  int rowCount() const override { return int(rows.size()); }
  std::string value(int row, int field) const override;
};

}  // namespace ui
