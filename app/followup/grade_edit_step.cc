#include "app/followup/grade_edit_step.h"

#include <string>

#include "app/followup/grade_row_fields.h"
#include "runtime/core/trim.h"

namespace app::followup {

uint8_t GradeCellStep(uint8_t action, const std::function<bool()>& moveScreenValue, GradeRowFields* row,
                      GradeRuleWork* work) {
  if (moveScreenValue && !moveScreenValue()) return EditAction_None;
  if (row && action != EditAction_None && action != EditAction_Cancel) {
    if (work) row->Apply(*work);
    else row->Apply();
  }
  return action;
}

std::optional<rt::Decimal> GradeCellAccepts(std::string_view text) {
  std::string t(rt::trim(text));
  if (t.empty()) return rt::Decimal();
  for (char& c : t)
    if (c == ',') c = '.';  // the decimal comma of a Spanish keyboard
  for (char c : t)
    if (!(c >= '0' && c <= '9') && c != '.') return std::nullopt;  // no signs, no letters
  std::optional<rt::Decimal> d = rt::Decimal::Parse(t);
  if (!d || !d->IsValid()) return std::nullopt;
  if (*d < 0 || *d > 10) return std::nullopt;
  // The cell shows whole grades (picture @n2B): a fraction typed into it
  // would be stored cut to its whole part.
  if (!(d->Round(0) == *d)) return std::nullopt;
  return d->Round(0);
}

}  // namespace app::followup
