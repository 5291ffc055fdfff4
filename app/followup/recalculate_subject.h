// The close-time recalculation of "Salir": every grade-book row of one
// subject gets the grade rule (Prom. OLE, final grade, status) and is saved
// through GradeRowSaver, each row with its grade history in one transaction
// of its own.
//
//   RecalculationResult r = RecalculateSubject(subject, work, {.dni = teacher});
//
// Uses the thread's Access_QVLIBRETA (open). The subject's rows are found
// through QVL:CLAVE_MATERIA first and then re-read one by one by position,
// watched, so that no write disturbs the walk and a row another station
// changes between its read and its write is read again and recalculated
// (up to GradeRowSaver::kAttempts times) instead of being overwritten. A
// row whose rule leaves it as stored is not written. A row that cannot be
// read or written is reported by the file manager and the work goes on with
// the next. A history that cannot be opened or written is reported once
// (Msg_GradeHistoryNotWritten) and the rows are saved without it. Rows of
// other subjects are not touched. The record buffer is left as the last
// row read.
#pragma once

#include <cstdint>

#include "app/gradebook/grade_history.h"
#include "app/graderules/grade_rules.h"

namespace app::followup {

struct RecalculationResult {
  int64_t rows = 0;     // rows of the subject found
  int64_t saved = 0;    // rows that hold the rule's results now: written, or already so
  int64_t changed = 0;  // of those, rows written
  int64_t failed = 0;   // rows not saved
};

RecalculationResult RecalculateSubject(int32_t subject, GradeRuleWork& work, const GradeAuthor& author);

}  // namespace app::followup
