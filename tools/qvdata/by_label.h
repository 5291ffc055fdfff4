// Field access by label for the tool's own records. The labels are the
// dictionary's; a wrong one is a fault in this program and stops it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/decimal.h"
#include "runtime/core/file_control.h"

namespace qvdata {

int FieldOf(const rt::FileControlBlock& f, std::string_view label);

int64_t IntOf(const rt::FileControlBlock& f, std::string_view label);
std::string TextOf(const rt::FileControlBlock& f, std::string_view label);  // trailing blanks dropped
rt::Decimal DecimalOf(const rt::FileControlBlock& f, std::string_view label);

void PutInt(rt::FileControlBlock& f, std::string_view label, int64_t value);
void PutText(rt::FileControlBlock& f, std::string_view label, std::string_view text);  // cut to fit
void PutDecimal(rt::FileControlBlock& f, std::string_view label, const rt::Decimal& value);
void PutDate(rt::FileControlBlock& f, std::string_view label, int32_t std_date);

}  // namespace qvdata
