#include "app/followup/grade_row_fields.h"

#include <algorithm>
#include <string>

#include "app/gradebook/grade_book_record.h"
#include "app/graderules/grade_explanation.h"
#include "runtime/core/file_field.h"

namespace app::followup {

namespace {
enum : size_t { kEtapa11 = 10, kFinal = 12, kDiciembre = 13, kMarzo = 14, kEtado = 15, kAc = 16, kAm = 17 };

template <size_t N>
void ReadText(const rt::FileControlBlock& b, int field, std::array<char, N>& out) {
  out.fill(' ');
  if (field < 0) return;
  const std::string t = rt::getText(b, field).value_or("");
  std::copy_n(t.begin(), std::min(t.size(), N), out.begin());
}
}  // namespace

GradeRowFields::GradeRowFields(rt::FileControlBlock& buffer) : buffer_(buffer) {
  for (size_t i = 0; i < kGradeFields.size(); ++i) fields_[i] = buffer.decl().findField(kGradeFields[i]);
}

void GradeRowFields::Apply() {
  GradeRuleWork work;
  Apply(work);
}

struct GradeRowFields::Values {
  std::array<rt::Decimal, 15> d;
  std::array<char, 20> etado;
  std::array<char, 10> ac, am;
  GradeBookRow Row() {
    return GradeBookRow{d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8], d[9], d[11],
                        d[kDiciembre], d[kMarzo], std::span<const char, 10>(ac), std::span<const char, 10>(am),
                        d[kEtapa11], d[kFinal], std::span<char, 20>(etado)};
  }
};

void GradeRowFields::Read(Values& v) {
  for (size_t i = 0; i < v.d.size(); ++i)
    if (fields_[i] >= 0) v.d[i] = rt::getDecimal(buffer_, fields_[i]).value_or(rt::Decimal());
  ReadText(buffer_, fields_[kEtado], v.etado);
  ReadText(buffer_, fields_[kAc], v.ac);
  ReadText(buffer_, fields_[kAm], v.am);
}

std::string GradeRowFields::Explanation() {
  Values v;
  Read(v);
  return GradeExplanationText(ExplainGradeRules(v.Row()));
}

void GradeRowFields::Apply(GradeRuleWork& work) {
  Values v;
  Read(v);
  ApplyGradeRules(v.Row(), work);
  std::array<rt::Decimal, 15>& d = v.d;
  std::array<char, 20>& etado = v.etado;
  if (fields_[kEtapa11] >= 0) rt::setDecimal(buffer_, fields_[kEtapa11], d[kEtapa11]);
  if (fields_[kFinal] >= 0) rt::setDecimal(buffer_, fields_[kFinal], d[kFinal]);
  if (fields_[kEtado] >= 0) rt::setText(buffer_, fields_[kEtado], std::string_view(etado.data(), etado.size()));
}

}  // namespace app::followup
