#include "app/followup/recalculate_subject.h"

#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/globals.h"
#include "app/followup/grade_row_fields.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"

namespace app::followup {

namespace {
constexpr int32_t kLogoutSeconds = 2;

std::string FailureText(int32_t code) {
  std::string t = rt::Error();
  return t.empty() ? "error " + std::to_string(code) : t + " (" + std::to_string(code) + ")";
}
}  // namespace

RecalculationResult RecalculateSubject(int32_t subject, GradeRuleWork& work, const GradeAuthor& author) {
  RecalculationResult result;
  fw::FileManager& libreta = *Access_QVLIBRETA;
  rt::FileControlBlock& b = libreta.Block();
  const int subjectField = b.decl().findField("QVL:COD_MATERIA");
  const int key = b.decl().findKey("QVL:CLAVE_MATERIA");

  // The subject's rows, by position, before anything is written.
  std::vector<std::string> positions;
  rt::clearField(b, subjectField);
  rt::setInteger(b, subjectField, subject);
  if (rt::SetKeyKey(b, key) == 0) {
    while (libreta.Next() == fw::Level::Benign) {
      const int64_t s = rt::getInteger(b, subjectField).value_or(0);
      if (s > subject) break;
      if (s == subject) positions.push_back(libreta.Position());
    }
  }
  result.rows = int64_t(positions.size());
  if (positions.empty()) return result;

  GradeHistory history;
  bool historyReported = false;
  auto historyFailed = [&](int32_t code) {
    ++result.failed;
    if (historyReported) return;
    historyReported = true;
    GlobalErrors.ThrowMessage(Msg_GradeHistoryNotWritten, FailureText(code));
  };
  const int32_t opened = history.Open();
  GradeRowFields row(b);
  for (const std::string& position : positions) {
    if (opened != 0) {
      historyFailed(opened);
      continue;
    }
    if (libreta.TryReget(position) != fw::Level::Benign) {
      ++result.failed;  // deleted by another station since the walk
      continue;
    }
    const std::vector<uint8_t> before = b.record;
    row.Apply(work);
    if (const int32_t rc = rt::Logout(kLogoutSeconds, {&b, &history.Block()}); rc != 0) {
      historyFailed(rc);
      continue;
    }
    if (libreta.Update() != fw::Level::Benign) {  // reported by the file manager
      rt::Rollback();
      ++result.failed;
      continue;
    }
    if (const int32_t rc = history.Append(before, b.record, author); rc != 0) {
      rt::Rollback();
      historyFailed(rc);
      continue;
    }
    if (const int32_t rc = rt::Commit(); rc != 0) {
      historyFailed(rc);
      continue;
    }
    ++result.saved;
  }
  return result;
}

}  // namespace app::followup
