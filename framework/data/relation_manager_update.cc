// Writing a changed record through its relation manager: the update rules
// of the relations, applied level by level inside one transaction.
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_sequence.h"

namespace fw {

namespace {

bool LocalAction(uint8_t mode) { return mode >= kRiClear && mode <= kRiCascade; }

// The last key component a related record is looked up by.
constexpr int kLastComponent = 22;

}  // namespace

Level RelationManager::Update(bool fromForm) {
  Level r = OpenFramed(&RelationManager::LogoutUpdate);
  if (r != Level::Benign) return r;
  r = Me->TryUpdate();
  if (r != Level::Benign) {
    Rollback();
    if (fromForm && Me->LastError == Msg_RecordNotUpdatedChanged) Me->LastError = Msg_RecordNotUpdatedShown;
    if (r == Level::Notify) Me->Throw();
    Close(false);
    // 7 or 8: the buffer holds the other station's version.
    return Me->LastError == Msg_RecordNotUpdatedChanged || Me->LastError == Msg_RecordNotUpdatedShown ? Level::Notify
                                                                                                       : Level::User;
  }
  DeferedRelations();
  for (Relation& rel : *Relations) {
    if (!LocalAction(rel.UpdateMode) || rel.Fields->EqualLeftBuffer()) continue;
    r = rel.File->UpdateSecondary(rel.HisKey, *rel.Fields, rel.UpdateMode);
    if (r != Level::Benign) {
      // Nothing was written: the record keeps the linking values it had.
      rel.Fields->AssignBufferToLeft();
      Rollback();
      Close(false);
      return r;
    }
  }
  Commit();
  Close(false);
  return Level::Benign;
}

Level RelationManager::CollectChildren(int hisKey, BufferedPairsClass& pairs, bool remembered,
                                       std::vector<std::string>* positions) {
  rt::FileControlBlock& b = Me->Block();
  rt::Clear(b);
  if (remembered) {
    pairs.AssignBufferToRight();
  } else {
    pairs.AssignLeftToRight();
  }
  Me->ClearKey(hisKey, static_cast<int>(pairs.size()) + 1, kLastComponent, false);
  rt::SetKeyKey(b, hisKey);
  for (;;) {
    Level n = Me->TryNext();
    if (n == Level::Fatal) {
      Rollback();
      Me->Throw();
      return Level::Notify;
    }
    if (n != Level::Benign) return Level::Benign;
    if (remembered ? !pairs.EqualRightBuffer() : !pairs.EqualLeftRight()) return Level::Benign;
    positions->push_back(Me->Position());
  }
}

Level RelationManager::UpdateSecondary(int hisKey, BufferedPairsClass& pairs, uint8_t mode) {
  Me->UseFile(kUseRead);
  uint16_t saved = Me->SaveFile();
  // The records are gathered first: changing a linking field moves a record
  // in the key the walk goes by.
  std::vector<std::string> positions;
  Level result = CollectChildren(hisKey, pairs, true, &positions);
  for (const std::string& pos : positions) {
    if (result != Level::Benign) break;
    if (Me->TryReget(pos) != Level::Benign || !pairs.EqualRightBuffer()) continue;
    Save();  // this record's own linking values, for the next level
    if (mode == kRiRestrict) {
      Me->SetError(Msg_ReferentialIntegrityUpdateError);
      Rollback();
      Me->Throw();
      pairs.AssignBufferToLeft();
      result = Level::Notify;
      break;
    }
    if (mode == kRiClear) {
      pairs.ClearRight();
    } else if (mode == kRiCascade) {
      pairs.AssignLeftToRight();
    } else {
      rt::assertionFailed("Invalid RI mode specified");
      break;
    }
    if (CascadeUpdates() != Level::Benign) result = Level::Notify;
  }
  Me->RestoreFile(saved, true);
  return result;
}

Level RelationManager::CascadeUpdates() {
  DeferedRelations();
  for (Relation& rel : *Relations) {
    if (!LocalAction(rel.UpdateMode) || rel.Fields->EqualLeftBuffer()) continue;
    if (rel.File->UpdateSecondary(rel.HisKey, *rel.Fields, rel.UpdateMode) != Level::Benign) {
      rel.Fields->AssignBufferToLeft();
      return Level::Notify;
    }
  }
  if (Me->TryUpdate() != Level::Benign) {
    Rollback();
    return Me->Throw();
  }
  return Level::Benign;
}

}  // namespace fw
