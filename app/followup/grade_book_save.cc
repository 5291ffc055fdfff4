#include "app/followup/grade_book_save.h"

#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "framework/data/message_ids.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_sequence.h"

namespace app::followup {

namespace {
// Message 24, "Transaction cancelled": the save's transaction could not
// begin or commit.
constexpr uint16_t kTransactionCancelled = 24;
}  // namespace

void ReportGradeHistoryProblem(const GradeHistoryProblem& problem) {
  std::string reason = problem.reason;
  reason.erase(reason.find_last_not_of(' ') + 1);
  GlobalErrors.ThrowMessage(Msg_GradeHistoryNotWritten,
                            problem.path + ": " + reason + " (" + std::to_string(problem.code) + ")");
}

GradeBookSave::GradeBookSave(const int32_t* teacher) : teacher_(teacher) {
  // Not Init: the file's own relation manager stays the registered one.
  Me = Access_QVLIBRETA;
  Relations = std::make_unique<std::vector<Relation>>();
}

GradeBookSave::~GradeBookSave() {
  if (before_ && before_->open) rt::Close(*before_);
  Relations.reset();
}

fw::Level GradeBookSave::Update(bool /*fromForm*/) {
  rt::FileControlBlock& b = Me->Block();
  // The image on disk that this save replaces, for the history.
  if (!before_) {
    before_ = std::make_unique<rt::FileControlBlock>(QVLIBRETADecl());
    before_->name = b.name;
  }
  if (!before_->open && rt::Open(*before_, rt::kAccessRead | rt::kShareDenyNone) != 0) {
    Me->SetError(fw::Msg_RecordNotUpdated);
    Me->Throw();
    return fw::Level::User;
  }
  const std::vector<uint8_t> written = b.record;
  const std::string position = rt::Position(b);
  std::vector<uint8_t> before;
  if (rt::Reget(*before_, position) == 0) before = before_->record;
  b.record = written;

  if (!saver_) {
    saver_ = std::make_unique<GradeRowSaver>(
        std::string(), GradeAuthor{.dni = teacher_ ? *teacher_ : 0, .program = {}},
        GradeRowSaver::Options{.report = ReportGradeHistoryProblem});
  }
  fw::Level wrote = fw::Level::Benign;
  bool tried = false;
  const GradeSaveResult result = saver_->Save(b, before, [&]() -> int32_t {
    tried = true;
    wrote = Me->TryUpdate();
    if (wrote == fw::Level::Benign) return 0;
    if (Me->LastError == fw::Msg_RecordNotUpdatedChanged) return rt::Error_RecordChangedByAnotherStation;
    return rt::ERRORCODE() ? rt::ERRORCODE() : rt::Error_FileSystemError;
  });
  if (result == GradeSaveResult::Saved || result == GradeSaveResult::Unchanged) return fw::Level::Benign;
  if (tried && wrote != fw::Level::Benign) {
    // The list keeps no field history to recall the typed values from:
    // the plain "changed by another station" message (7), and the list
    // then shows the other station's version.
    if (wrote == fw::Level::Notify) Me->Throw();
    return Me->LastError == fw::Msg_RecordNotUpdatedChanged || Me->LastError == fw::Msg_RecordNotUpdatedShown
               ? fw::Level::Notify
               : fw::Level::User;
  }
  Me->Throw(kTransactionCancelled);
  return fw::Level::User;
}

}  // namespace app::followup
