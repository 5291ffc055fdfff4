// Orders no key gives: the records that pass the filter are sorted in
// memory at positioning and read back by record id.
#include <algorithm>

#include "runtime/core/error_state.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/view/view.h"

namespace rt {

std::vector<Value> View::SortKeys() const {
  std::vector<Value> keys;
  keys.reserve(plan_.order.size());
  for (const OrderComponent& c : plan_.order) {
    BoundSource s;
    s.kind = BoundSource::Kind::kField;
    s.field = c.field;
    Value v = s.read();
    if (c.fold != 0 && v.isText()) v = Value(c.fold > 0 ? upperText(v.rawText()) : lowerText(v.rawText()));
    keys.push_back(std::move(v));
  }
  return keys;
}

int View::CompareRows(const std::vector<Value>& a, const std::vector<Value>& b, size_t n) const {
  n = std::min({n, a.size(), b.size(), plan_.order.size()});
  for (size_t i = 0; i < n; ++i) {
    std::strong_ordering o = compareValues(a[i], b[i]);
    if (o != 0) {
      const int c = o < 0 ? -1 : 1;
      return plan_.order[i].descending ? -c : c;
    }
  }
  return 0;
}

int32_t View::Materialize() {
  rows_.clear();
  rows_valid_ = false;
  const std::vector<uint8_t> record = primary_.record;
  const std::vector<std::string> memos = primary_.memos;
  auto restore = [&] {
    std::copy(record.begin(), record.end(), primary_.record.begin());
    primary_.memos = memos;
  };
  int32_t rc = SetFile(primary_);
  while (rc == 0) {
    rc = rt::Next(primary_);
    if (rc != 0) break;
    if (filter_.compiled() && !filter_.TestNode(filter_.root())) continue;
    SortedRow row;
    row.keys = SortKeys();
    row.id = Pointer(primary_);
    row.position = rt::Position(primary_);
    rows_.push_back(std::move(row));
  }
  restore();
  if (rc != Error_RecordNotAvailable) return fail(rc);
  std::stable_sort(rows_.begin(), rows_.end(), [&](const SortedRow& a, const SortedRow& b) {
    return CompareRows(a.keys, b.keys, plan_.order.size()) < 0;
  });
  rows_valid_ = true;
  rows_taken_ = std::chrono::steady_clock::now();
  clearError();
  return 0;
}

bool View::RowsFresh() const {
  return rows_valid_ && std::chrono::steady_clock::now() - rows_taken_ <= std::chrono::seconds(buffering_.timeout);
}

int32_t View::ReadSorted(int vdir) {
  const long n = static_cast<long>(rows_.size());
  for (;;) {
    long i;
    if (inclusive_ >= 0) {
      i = inclusive_;
      inclusive_ = -1;
    } else if (sorted_boundary_) {
      i = vdir > 0 ? 0 : n - 1;
    } else {
      i = cur_ + vdir;
    }
    sorted_boundary_ = false;
    if (i < 0 || i >= n) {
      cur_ = i < 0 ? -1 : n;
      return fail(Error_RecordNotAvailable);
    }
    cur_ = i;
    if (skip_memos_ && !filter_reads_memo_) NoMemo(primary_);
    const int32_t rc = GetById(primary_, rows_[i].id);
    if (rc == Error_RecordNotFound || rc == Error_RecordNotAvailable) continue;  // deleted since the sort
    if (rc != 0) return rc;
    moved_ = true;
    if (Residual()) return 0;  // changed since the sort: tested again
  }
}

}  // namespace rt
