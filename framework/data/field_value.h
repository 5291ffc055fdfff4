// Values of record fields outside any record: a private copy of a field's
// value, and the comparisons and clearing that field pairs and keys need.
#pragma once

#include <memory>

#include "runtime/core/file_control.h"
#include "runtime/core/file_field.h"

namespace fw {

// A value of the same type, size and places as one element of a field,
// kept in a one-field record of its own. Starts cleared.
class FieldValue {
 public:
  explicit FieldValue(const rt::FieldRef& like);
  FieldValue(const FieldValue&) = delete;
  FieldValue& operator=(const FieldValue&) = delete;

  rt::FieldRef ref() const;

 private:
  std::unique_ptr<rt::FileControlBlock> block_;
};

// True when both hold the same value: numbers by value, dates as dates,
// anything else as text without trailing blanks.
bool SameValue(const rt::FieldRef& a, const rt::FieldRef& b);
// True when both read the same as upper-case text.
bool SameUpperText(const rt::FieldRef& a, const rt::FieldRef& b);
// Blank text, zero numbers (just the one element).
void ClearValue(const rt::FieldRef& f);
// Copies the value of `src` into `dst` (see rt::assignValue).
void AssignValue(const rt::FieldRef& dst, const rt::FieldRef& src);

}  // namespace fw
