// The two small interfaces through which a browse reaches its page buffer
// and its list control, so that it works over any list. StandardBehavior
// (standard_behavior.h) implements both over a RecordQueue and a list
// control of the window engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The page buffer: rows with display columns and the driver position of
// their record. Positions are 1-based; one row is current.
class BrowseQueue {
 public:
  virtual ~BrowseQueue() = default;
  virtual int32_t Records() = 0;
  // Appends the current row.
  virtual void Insert() = 0;
  // Inserts the current row at `position`.
  virtual void Insert(int32_t position) = 0;
  // Makes row `position` current.
  virtual void Fetch(int32_t position) = 0;
  // Writes back the current row.
  virtual void Update() = 0;
  // Deletes the current row.
  virtual void Delete() = 0;
  virtual void Free() = 0;
  // Name of a column.
  virtual std::string Who(int32_t column) = 0;
  virtual std::string GetViewPosition() = 0;
  virtual void SetViewPosition(std::string_view position) = 0;
};

// The list control.
class IListControl {
 public:
  virtual ~IListControl() = default;
  // The highlighted row (1-based; 0 none).
  virtual int32_t Choice() = 0;
  virtual int32_t GetControl() = 0;
  // Rows the control can show.
  virtual int32_t GetItems() = 0;
  virtual bool GetVisible() = 0;
  virtual void SetChoice(int32_t row) = 0;
  virtual void SetControl(int32_t control) = 0;
};

}  // namespace fw
