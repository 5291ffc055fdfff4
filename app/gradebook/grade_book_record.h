// The fields of a grade-book (QVLIBRETA) record image that the grade rule
// reads and writes, decoded into values the rule and its explanation bind,
// and the changes of those fields between two images of a row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/graderules/grade_rules.h"
#include "runtime/core/decimal.h"

namespace app {

// The grade rule's fields in the order of the list's columns: the twelve
// stage grades, the final grade, the examinations and the status.
inline constexpr std::array<std::string_view, 18> kGradeFields = {
    "QVL:ETAPA1", "QVL:ETAPA2",  "QVL:ETAPA3",  "QVL:ETAPA4",    "QVL:ETAPA5", "QVL:ETAPA6",
    "QVL:ETAPA7", "QVL:ETAPA8",  "QVL:ETAPA9",  "QVL:ETAPA10",   "QVL:ETAPA11", "QVL:ETAPA12",
    "QVL:FINAL",  "QVL:DICIEMBRE", "QVL:MARZO", "QVL:ETADO",     "QVL:AC",     "QVL:AM"};

// The grade-book list's column header of one of kGradeFields ("QVL:ETAPA2"
// is "Eval. 2"); the field itself for any other.
std::string_view GradeFieldHeader(std::string_view field);

class GradeBookRecord {
 public:
  // `image` is a whole QVLIBRETA record; a shorter one reads as blank.
  explicit GradeBookRecord(std::span<const std::uint8_t> image);
  GradeBookRecord(const GradeBookRecord&) = delete;
  GradeBookRecord& operator=(const GradeBookRecord&) = delete;

  std::int32_t subject() const { return subject_; }  // QVL:COD_MATERIA
  std::int32_t student() const { return student_; }  // QVL:NRO_LEGAJO
  std::string_view name() const { return name_; }    // QVL:ALUMNO, without trailing blanks

  // The row bound to this object's copies of the fields: ApplyGradeRules
  // on it changes this object only.
  GradeBookRow Row();

  // The stored results (or the ones the rule gave, after ApplyGradeRules on Row()).
  const rt::Decimal& ole_average() const { return decimals_[10]; }
  const rt::Decimal& final_grade() const { return decimals_[12]; }
  std::string status() const;  // without trailing blanks

  // Field `index` of kGradeFields as text: grades with two places and a
  // point ("7.50"; "?" for bytes that are no number), texts without
  // trailing blanks.
  std::string ValueText(std::size_t index) const;

  // Writes this object's results (QVL:ETAPA11, QVL:FINAL, QVL:ETADO) into
  // the record image `image`; nothing else of it changes. An image too
  // short for a field does not get it.
  void StoreResults(std::span<std::uint8_t> image) const;

 private:
  // kGradeFields order; the texts are kept apart.
  std::array<rt::Decimal, 15> decimals_;
  std::array<char, 20> etado_{};
  std::array<char, 10> ac_{}, am_{};
  std::int32_t subject_ = 0, student_ = 0;
  std::string name_;
};

// ApplyGradeRules on a whole QVLIBRETA record image: its grades and
// examinations give it its "Prom. OLE", final grade and status, written
// into the image. `work` gets the rule's working variables (nullptr: none
// kept).
void ApplyGradeRulesToRecord(std::span<std::uint8_t> image, GradeRuleWork* work = nullptr);

struct GradeFieldChange {
  std::string_view field;  // one of kGradeFields
  std::string before;      // "" when the row is new
  std::string after;
};

// The grade fields whose bytes differ between the image a save replaced
// and the one it wrote, in kGradeFields order. An empty `before` is a new
// row: every field that is not zero or blank counts as changed.
std::vector<GradeFieldChange> GradeFieldChanges(std::span<const std::uint8_t> before,
                                                std::span<const std::uint8_t> after);

}  // namespace app
