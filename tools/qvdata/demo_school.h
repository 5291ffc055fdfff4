// A plausible sample school, the same for the same seed: courses of five
// years in two divisions, about thirty students each with Spanish names,
// the subjects of each course with their teachers, a grade-book row per
// student and subject with some grades already typed, two prioritized
// contents in every subject and their follow-up records for every student
// of the course, marked in the subjects already graded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvdata/school.h"

namespace qvdata {

struct DemoTeacher {
  std::string name;
  int32_t dni = 0;
  int32_t birth_date = 0;  // standard date
  std::vector<std::string> subjects;  // "Matemática 1° A"
};

struct DemoSchool {
  std::vector<RecordImage> students;   // QVALUAP
  std::vector<RecordImage> subjects;   // QVMATERIAS
  std::vector<RecordImage> gradebook;  // QVLIBRETA
  std::vector<RecordImage> contents;   // QVAPRENDE
  std::vector<RecordImage> followup;   // QVSEGUIR
  std::vector<DemoTeacher> teachers;
  int courses = 0;
};

// `courses_per_year` divisions in each of the five years (at least 1).
DemoSchool MakeDemoSchool(uint32_t seed, int courses_per_year = 2);

}  // namespace qvdata
