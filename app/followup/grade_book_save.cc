#include "app/followup/grade_book_save.h"

#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "framework/data/message_ids.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"

namespace app::followup {

namespace {
constexpr int32_t kLogoutSeconds = 2;

void HistoryFailed(int32_t code) {
  std::string t = rt::Error();
  GlobalErrors.ThrowMessage(Msg_GradeHistoryNotWritten,
                            (t.empty() ? "error" : t) + " (" + std::to_string(code) + ")");
}
}  // namespace

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

  if (int32_t rc = history_.IsOpen() ? 0 : history_.Open(); rc != 0) {
    HistoryFailed(rc);
    return fw::Level::User;
  }
  if (int32_t rc = rt::Logout(kLogoutSeconds, {&b, &history_.Block()}); rc != 0) {
    HistoryFailed(rc);
    return fw::Level::User;
  }
  fw::Level r = Me->TryUpdate();
  if (r != fw::Level::Benign) {
    rt::Rollback();
    // The row was edited on screen: the user is shown the other version (8).
    if (Me->LastError == fw::Msg_RecordNotUpdatedChanged) Me->LastError = fw::Msg_RecordNotUpdatedShown;
    if (r == fw::Level::Notify) Me->Throw();
    return Me->LastError == fw::Msg_RecordNotUpdatedChanged || Me->LastError == fw::Msg_RecordNotUpdatedShown
               ? fw::Level::Notify
               : fw::Level::User;
  }
  if (int32_t rc = history_.Append(before, b.record, GradeAuthor{.dni = teacher_ ? *teacher_ : 0, .program = {}});
      rc != 0) {
    rt::Rollback();
    HistoryFailed(rc);
    return fw::Level::User;
  }
  if (int32_t rc = rt::Commit(); rc != 0) {
    HistoryFailed(rc);
    return fw::Level::User;
  }
  return fw::Level::Benign;
}

}  // namespace app::followup
