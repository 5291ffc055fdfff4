// A view: the records of one primary file, read through an order under a
// filter, with positions that let a caller come back to a record.
//
//   View v(grades);                           // the thread's control block
//   v.SetOrder("QVL:COD_MATERIA,QVL:ALUMNO");
//   v.SetFilter("QVL:COD_MATERIA = 12 AND QVL:ETADO <> 'APRUEBA'");
//   v.Open();
//   v.Set();                                  // the start of the order
//   while (v.Next() == 0) { ... the record is in grades.record ... }
//   v.Close();
//
// The order picks the file's key whose components it names (read backwards
// when every direction is reversed). Leading equality terms of the filter on
// that key's components, and bounds on the next one, make the view seek to
// that part of the key and stop at its end, so reading one subject of a
// large file reads only that subject's records; other terms are tested per
// record. An order that no key gives is sorted in memory at each
// positioning (the whole file is read once then).
//
// Every operation returns a runtime error code (0 on success) and leaves it
// in the error state: 33 no more records, 37 view or file not open, 52 view
// already open, 76 bad order text, 1010-1015 bad filter. The view's file
// operations are issued inside a ViewIssueScope (file_notice.h), and each
// batch of reads is bracketed by INVIEW/ENDVIEW: a prefetch count set through
// property 29525 keeps the bracket open for that many reads.
//
// Fields outside the projection are read too (the driver reads whole
// records); memos are skipped when the projection names fields but no memo.
// Of the buffering settings, the time-out (seconds) bounds how long a sorted
// order is re-used by positionings other than the start; the driver does
// its own caching, so the page settings are kept for the caller only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/file_control.h"
#include "runtime/view/expression.h"
#include "runtime/view/view_order.h"
#include "runtime/view/view_range.h"

namespace rt {

// The prefetch-count property: reads the caller announces will follow.
inline constexpr int32_t kPropPrefetchCount = 29525;

struct ViewBuffering {
  uint16_t page_size = 20;
  uint16_t pages_behind = 2;
  uint16_t pages_ahead = 0;
  uint16_t timeout = 60;
};

struct ViewField {
  int file = 1;         // 1-based file of the view
  int field = -1;       // field index in the file's declaration, or -1 for a memo
  int memo = -1;        // memo index, or -1 for a field
  std::string label;
};

class View {
 public:
  explicit View(FileControlBlock& primary);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // --- Files and fields.
  int fileCount() const { return 1; }
  FileControlBlock* file(int n) const { return n == 1 ? &primary_ : nullptr; }
  // Adds a field or memo of the primary file by label; 47 when unknown.
  int32_t Project(std::string_view label);
  // The projected fields, or every field of the file without a projection.
  int fieldCount() const;
  ViewField field(int n) const;  // 1-based; a default ViewField when out of range

  // --- Order and filter: take effect at the next positioning.
  int32_t SetOrder(std::string_view text);
  const std::string& order() const { return order_text_; }
  // Names resolve to the file's fields and memos, then to the thread's
  // bindings. On error the view has no filter.
  int32_t SetFilter(std::string_view text);
  const std::string& filter() const { return filter_text_; }
  // Whether the record in the buffers passes the filter (true without one).
  bool Accepts() const;

  // --- Open and close.
  int32_t Open();
  int32_t Close();
  bool isOpen() const { return open_; }
  void SetBuffer(ViewBuffering b) { buffering_ = b; }
  const ViewBuffering& buffering() const { return buffering_; }

  // --- Positioning and reading.
  // At the start of the order (components 0: Next reads the first record,
  // Previous the last), or at the record buffer's values of the first n
  // order components.
  int32_t Set(int components = 0);
  int32_t Next();
  int32_t Previous();
  // The position of the record read last ("" when none). Next and Previous
  // after ResetTo both read the record at the position first. When a read
  // ends (33) after the driver has read records the view passed over, the
  // record returned last is read again, so that the driver's current record
  // and the buffers agree with what the caller saw.
  std::string Position();
  int32_t ResetTo(std::string_view position);
  // Re-positions at the record the file's buffer holds (the file's current
  // record, e.g. after an add or a change).
  int32_t ResetToCurrent();
  // The next Reget watches the record for changes by other stations.
  int32_t Watch();
  // Reads the record at a position into the buffers.
  int32_t Reget(std::string_view position);
  // Drops what the view holds between reads and ends a read bracket.
  void Flush();

  int32_t SetProperty(int32_t property, std::string_view value);
  std::string GetProperty(int32_t property) const;

  // --- What the view does, for tests and diagnostics.
  int key() const { return plan_.key.key; }
  bool sorted() const { return mode_ == Mode::kSorted; }
  bool ranged() const { return ranged_; }

 private:
  enum class Mode { kFile, kKey, kSorted };
  struct Plan {
    std::vector<OrderComponent> order;
    KeyChoice key;
    RangePlan range;
  };
  struct SortedRow {
    std::vector<Value> keys;
    uint32_t id = 0;
    std::string position;
  };

  int32_t fail(int32_t code) const;
  void Prepare();
  void Activate();
  int32_t Read(int vdir);
  int32_t ReadKeyed(int kdir);
  int32_t ReadSorted(int vdir);
  int32_t SeekValues(size_t fixed, int kdir, bool range_start);
  std::string DriverPosition();
  int RangeSide() const;
  bool Residual() const;
  int32_t Materialize();
  bool RowsFresh() const;
  std::vector<Value> SortKeys() const;
  int CompareRows(const std::vector<Value>& a, const std::vector<Value>& b, size_t n) const;
  void BeginBracket();
  void EndBracket();
  void AfterRead(int32_t rc);

  FileControlBlock& primary_;
  std::vector<ViewField> projection_;
  bool skip_memos_ = false;
  bool filter_reads_memo_ = false;
  std::string order_text_;
  std::string filter_text_;
  Expression filter_;
  bool dirty_ = true;
  Plan plan_;
  ViewBuffering buffering_;
  bool open_ = false;
  bool in_bracket_ = false;
  int32_t prefetch_ = 0;

  // Positioning state.
  Mode mode_ = Mode::kFile;
  bool positioned_ = false;
  bool ranged_ = false;
  bool boundary_ = false;  // the next read starts from the range's end in its direction
  bool seeked_ = false;    // a boundary seek happened since the last positioning
  std::vector<Value> eq_values_;
  Value low_value_, high_value_;
  std::vector<int> residual_;
  // The position of the record the view returned last ("" when none since
  // the last positioning), and whether the driver has read past it.
  std::string last_position_;
  bool moved_ = false;

  std::vector<SortedRow> rows_;
  bool rows_valid_ = false;
  std::chrono::steady_clock::time_point rows_taken_;  // older than the time-out: sorted again
  long cur_ = -1;        // sorted: the row read last
  long inclusive_ = -1;  // sorted: the row the next read returns
  bool sorted_boundary_ = true;
};

}  // namespace rt
