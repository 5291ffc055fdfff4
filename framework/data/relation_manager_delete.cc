// Deleting a record through its relation manager: the delete rules of the
// relations, applied level by level inside one transaction.
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_transaction.h"
#include "runtime/ui/engine.h"

namespace fw {

namespace {

bool LocalAction(uint8_t mode) { return mode >= kRiClear && mode <= kRiCascade; }

// The wait cursor for the length of one scope.
class WaitCursor {
 public:
  WaitCursor() { ui::Engine::current().setWaitCursor(true); }
  ~WaitCursor() { ui::Engine::current().setWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

Level RelationManager::Delete(bool askFirst) {
  if (!Me || !Relations) {
    rt::assertionFailed("Relation manager incorrectly initialized.");
    return Level::Fatal;
  }
  if (askFirst && Me->Throw(Msg_ConfirmDelete) != Level::Benign) return Level::Cancel;
  for (;;) {
    bool mayRetry = false;
    Level r = DeleteAttempt(&mayRetry);
    if (r == Level::Benign || !mayRetry || Me->Throw(Msg_RecordDeleteError) != Level::Benign) return r;
  }
}

// One attempt at the cascade, under the wait cursor; the cursor is back
// before the caller asks whether to try again. Only a record that would
// not go is worth another try (*mayRetry); a failed set-up or a refused
// related record ends the operation.
Level RelationManager::DeleteAttempt(bool* mayRetry) {
  WaitCursor wait;
  const std::string pos = Me->Position();
  Level r = OpenFramed(&RelationManager::LogoutDelete);
  if (r != Level::Benign) return r;
  Me->TryReget(pos);  // read again inside the transaction
  DeferedRelations();
  for (Relation& rel : *Relations) {
    if (!LocalAction(rel.DeleteMode)) continue;
    r = rel.File->DeleteSecondary(rel.HisKey, *rel.Fields, rel.DeleteMode, false);
    if (r != Level::Benign) {
      Rollback();
      Close(false);
      return r;
    }
  }
  r = Me->DeleteRecord(false);
  if (r != Level::Benign) {
    Rollback();
    Me->Throw();
    r = Level::Notify;
    *mayRetry = true;
  } else if (UseLogout && rt::transactionActive()) {
    rt::Commit();  // its outcome is not this operation's
  }
  Close(false);
  return r;
}

Level RelationManager::DeleteSecondary(int hisKey, BufferedPairsClass& pairs, uint8_t mode, bool askFlag) {
  Me->UseFile(kUseRead);
  uint16_t saved = Me->SaveFile();
  std::vector<std::string> positions;
  Level result = CollectChildren(hisKey, pairs, false, &positions);
  for (const std::string& pos : positions) {
    if (result != Level::Benign) break;
    if (Me->TryReget(pos) != Level::Benign || !pairs.EqualLeftRight() || Me->Deleted()) continue;
    if (mode == kRiRestrict) {
      Me->SetError(Msg_ReferentialIntegrityDeleteError);
      Rollback();
      Me->Throw();
      result = Level::Notify;
    } else if (mode == kRiClear) {
      Save();
      pairs.ClearRight();
      if (CascadeUpdates() != Level::Benign) result = Level::Notify;
    } else if (mode == kRiCascade) {
      DeferedRelations();
      for (Relation& rel : *Relations) {
        if (!LocalAction(rel.DeleteMode)) continue;
        result = rel.File->DeleteSecondary(rel.HisKey, *rel.Fields, rel.DeleteMode, askFlag);
        if (result != Level::Benign) break;
      }
      if (result == Level::Benign && Me->DeleteRecord(askFlag) != Level::Benign) {
        Rollback();
        Me->Throw();
        result = Level::Notify;
      }
    } else {
      rt::assertionFailed("Invalid RI mode");
      break;
    }
  }
  Me->RestoreFile(saved, true);
  return result;
}

}  // namespace fw
