#include "framework/window/record_queue.h"

namespace fw {

RecordQueue::RecordQueue(rt::FileDeclPtr layout) : buffer_(layout), scratch_(layout) {}

rt::FieldRef RecordQueue::Field(int n) {
  if (n < 1 || n > int(buffer_.decl().fields.size())) return rt::FieldRef{};
  return rt::FieldRef{&buffer_, n - 1, 0};
}

rt::FieldRef RecordQueue::Field(std::string_view label) { return rt::findFieldRef(buffer_, label); }

void RecordQueue::Add(size_t position) {
  Row row{buffer_.record, Position};
  if (position == 0 || position > rows_.size()) {
    rows_.push_back(std::move(row));
    pointer_ = rows_.size();
  } else {
    rows_.insert(rows_.begin() + long(position - 1), std::move(row));
    pointer_ = position;
  }
}

bool RecordQueue::Get(size_t position) {
  if (position < 1 || position > rows_.size()) return false;
  const Row& row = rows_[position - 1];
  buffer_.record = row.record;
  Position = row.position;
  pointer_ = position;
  return true;
}

bool RecordQueue::Put() {
  if (pointer_ < 1 || pointer_ > rows_.size()) return false;
  rows_[pointer_ - 1] = Row{buffer_.record, Position};
  return true;
}

bool RecordQueue::Delete() {
  if (pointer_ < 1 || pointer_ > rows_.size()) return false;
  rows_.erase(rows_.begin() + long(pointer_ - 1));
  if (pointer_ > rows_.size()) pointer_ = rows_.size();
  return true;
}

void RecordQueue::Free() {
  rows_.clear();
  pointer_ = 0;
}

std::string RecordQueue::Who(int column) const {
  const auto& fields = buffer_.decl().fields;
  return column >= 1 && column <= int(fields.size()) ? fields[size_t(column - 1)].label : std::string();
}

std::string RecordQueue::value(int row, int field) const {
  if (row < 1 || row > int(rows_.size()) || field < 1 || field > int(scratch_.decl().fields.size()))
    return std::string();
  scratch_.record = rows_[size_t(row - 1)].record;
  return rt::getValueText(rt::FieldRef{&scratch_, field - 1, 0}).value_or(std::string());
}

}  // namespace fw
