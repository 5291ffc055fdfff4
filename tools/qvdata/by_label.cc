#include "tools/qvdata/by_label.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/core/file_field.h"
#include "runtime/core/trim.h"

namespace qvdata {

namespace {

[[noreturn]] void Fault(std::string_view label) {
  std::fprintf(stderr, "qvdata: internal fault at field %.*s\n", static_cast<int>(label.size()), label.data());
  std::abort();
}

}  // namespace

int FieldOf(const rt::FileControlBlock& f, std::string_view label) {
  const int i = f.decl().findField(label);
  if (i < 0) Fault(label);
  return i;
}

int64_t IntOf(const rt::FileControlBlock& f, std::string_view label) {
  return rt::getInteger(f, FieldOf(f, label)).value_or(0);
}

std::string TextOf(const rt::FileControlBlock& f, std::string_view label) {
  return std::string(rt::trimRight(rt::getText(f, FieldOf(f, label)).value_or("")));
}

rt::Decimal DecimalOf(const rt::FileControlBlock& f, std::string_view label) {
  return rt::getDecimal(f, FieldOf(f, label)).value_or(rt::Decimal(0));
}

void PutInt(rt::FileControlBlock& f, std::string_view label, int64_t value) {
  if (!rt::setInteger(f, FieldOf(f, label), value)) Fault(label);
}

void PutText(rt::FileControlBlock& f, std::string_view label, std::string_view text) {
  if (!rt::setText(f, FieldOf(f, label), text)) Fault(label);
}

void PutDecimal(rt::FileControlBlock& f, std::string_view label, const rt::Decimal& value) {
  if (!rt::setDecimal(f, FieldOf(f, label), value)) Fault(label);
}

void PutDate(rt::FileControlBlock& f, std::string_view label, int32_t std_date) {
  if (!rt::setDate(f, FieldOf(f, label), std_date)) Fault(label);
}

}  // namespace qvdata
