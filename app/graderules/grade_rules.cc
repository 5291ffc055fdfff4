#include "app/graderules/grade_rules.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace app {
namespace {

constexpr std::string_view kAprueba = "APRUEBA";
constexpr std::string_view kRecupera = "RECUPERA";
constexpr std::string_view kDiciembre = "DICIEMBRE";
constexpr std::string_view kFebrero = "FEBRERO";
constexpr std::string_view kAdeuda = "ADEUDA";
constexpr std::string_view kAusente = "AUSENTE";

const rt::Decimal kPass = 7;
const rt::Decimal kHalf = rt::Decimal(5).ScaledByPowerOfTen(-1);

// A grade counts when it is above 0; an invalid value compares false.
bool Present(const rt::Decimal& grade) { return grade > 0; }
bool Failing(const rt::Decimal& grade) { return Present(grade) && grade < kPass; }

// The fields hold 2 places.
rt::Decimal Field(const rt::Decimal& v) { return v.Round(2); }

// Whole grades stay, a fraction up to .5 goes to .5, above .5 to the next
// whole grade: 7.25 -> 7.5, 7.50 -> 7.5, 7.51 -> 8.
rt::Decimal HalfPointRound(const rt::Decimal& x) {
  const rt::Decimal whole = x.Truncate(0);
  const rt::Decimal fraction = x - whole;
  if (fraction.IsZero()) return x;
  if (fraction > kHalf) return whole + 1;
  return whole + kHalf;
}

// The average of the present grades, kept with 2 places (half up at the
// third) and then half-point rounded. Only present grades are summed, so a
// negative value in a field can neither lower the average nor make it negative.
template <std::size_t N>
rt::Decimal Average(const std::array<const rt::Decimal*, N>& grades, std::int16_t count) {
  rt::Decimal sum;
  for (const rt::Decimal* g : grades) {
    if (Present(*g)) sum += *g;
  }
  return Field(HalfPointRound(rt::Decimal::Divide(sum, count, 2)));
}

// Equal to `word` once trailing blanks are ignored.
bool TextIs(std::span<const char> text, std::string_view word) {
  std::string_view s(text.data(), text.size());
  const std::size_t end = s.find_last_not_of(' ');
  s = end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
  return s == word;
}

void SetText(std::span<char> text, std::string_view word) {
  const std::size_t n = std::min(word.size(), text.size());
  std::copy_n(word.data(), n, text.data());
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(n), text.end(), ' ');
}

}  // namespace

void ApplyGradeRules(const GradeBookRow& row, GradeRuleWork& work) {
  row.QVL_ETAPA11 = 0;
  row.QVL_FINAL = 0;
  SetText(row.QVL_ETADO, "");
  work.FLAG_OLE = work.FLAG_EVAL = work.CNT_OLE = work.CNT_EVAL = 0;

  // OLE average: both OLE grades present and passed.
  const std::array<const rt::Decimal*, 2> ole = {&row.QVL_ETAPA4, &row.QVL_ETAPA9};
  for (const rt::Decimal* g : ole) {
    if (Present(*g)) ++work.CNT_OLE;
    if (Failing(*g)) work.FLAG_OLE = 1;
  }
  if (work.FLAG_OLE == 0 && work.CNT_OLE == 2) {
    work.PROMEDIO = Average(ole, work.CNT_OLE);
    row.QVL_ETAPA11 = work.PROMEDIO;
    work.FLAG_OLE = 3;
  } else {
    work.FLAG_OLE = 1;
    work.PROMEDIO = 0;
  }

  // Final grade: every present evaluation passed and the OLE average exists.
  // The OLE average is a condition of passing, not part of the grade.
  const std::array<const rt::Decimal*, 8> evaluations = {
      &row.QVL_ETAPA1, &row.QVL_ETAPA2, &row.QVL_ETAPA3, &row.QVL_ETAPA5,
      &row.QVL_ETAPA6, &row.QVL_ETAPA7, &row.QVL_ETAPA8, &row.QVL_ETAPA10};
  for (const rt::Decimal* g : evaluations) {
    if (Present(*g)) ++work.CNT_EVAL;
    if (Failing(*g)) work.FLAG_EVAL = 1;
  }
  if (work.FLAG_EVAL == 0 && work.CNT_EVAL > 0 && row.QVL_ETAPA11 > 0) {
    work.PROMEDIO = Average(evaluations, work.CNT_EVAL);
    row.QVL_FINAL = work.PROMEDIO;
    SetText(row.QVL_ETADO, kAprueba);
    work.FLAG_EVAL = 3;
  } else {
    work.FLAG_EVAL = 1;
    work.PROMEDIO = 0;
    SetText(row.QVL_ETADO, kRecupera);
  }

  // Recovery grade: once typed it decides, even over a regular pass.
  if (row.QVL_ETAPA12 >= kPass) {
    row.QVL_FINAL = Field(row.QVL_ETAPA12);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (Failing(row.QVL_ETAPA12)) {
    row.QVL_FINAL = 0;
    SetText(row.QVL_ETADO, kDiciembre);
  }

  // December examination.
  if (TextIs(row.QVL_ETADO, kDiciembre) && row.QVL_DICIEMBRE >= kPass) {
    row.QVL_FINAL = Field(row.QVL_DICIEMBRE);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (TextIs(row.QVL_ETADO, kDiciembre) &&
      (TextIs(row.QVL_AC, kAusente) || Failing(row.QVL_DICIEMBRE))) {
    SetText(row.QVL_ETADO, kFebrero);
  }

  // February/March examination.
  if (TextIs(row.QVL_ETADO, kFebrero) && row.QVL_MARZO >= kPass) {
    row.QVL_FINAL = Field(row.QVL_MARZO);
    SetText(row.QVL_ETADO, kAprueba);
  }
  if (TextIs(row.QVL_ETADO, kFebrero) &&
      (TextIs(row.QVL_AM, kAusente) || Failing(row.QVL_MARZO))) {
    SetText(row.QVL_ETADO, kAdeuda);
  }
}

void ApplyGradeRules(const GradeBookRow& row) {
  GradeRuleWork work;
  ApplyGradeRules(row, work);
}

}  // namespace app
