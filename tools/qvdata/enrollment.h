// Which grade-book rows are missing: one belongs to every pair of a subject
// and a student of the subject's course.
#pragma once

#include <string>
#include <vector>

#include "tools/qvdata/school.h"

namespace qvdata {

// Walks the open QVMATERIAS, QVALUAP and QVLIBRETA of `school` in key order
// and gives the rows to add, numbered after the highest registration
// number in use. Subjects and students without a number are skipped.
bool MissingGradeBookRows(School& school, std::vector<RecordImage>* rows, std::string* error);

}  // namespace qvdata
