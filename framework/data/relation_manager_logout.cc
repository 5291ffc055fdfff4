// Transaction framing of a relation manager's changes.
#include <vector>

#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_transaction.h"

namespace fw {

namespace {

// Files this thread enlisted for the transaction about to begin, so that an
// operation that ends before the begin leaves none enlisted.
thread_local std::vector<rt::FileControlBlock*> pending;

}  // namespace

void RelationManager::DropEnlisted() {
  for (rt::FileControlBlock* b : pending) {
    if (b->enlisted) rt::Enlist(*b, false);
  }
  pending.clear();
}

Level RelationManager::LogoutPrime() {
  Me->UseFile(kUseRead);
  if (!UseLogout) return Level::Benign;
  rt::FileControlBlock& b = Me->Block();
  if (b.enlisted) return Level::Benign;
  int32_t code = rt::Enlist(b);
  if (code == 0) {
    pending.push_back(&b);
    return Level::Benign;
  }
  if (code == rt::Error_UnsupportedFileDriverFunction) {
    UseLogout = false;
    rt::assertionFailed("Driver does not support transaction framing.");
    return Level::Benign;
  }
  Me->Throw(Msg_TransactionCancelled);
  return Level::Notify;
}

Level RelationManager::LogoutUpdate() {
  // A file already enlisted has had its relations enlisted too: this ends
  // the walk on relations that lead back to a file.
  if (UseLogout && Me->Block().enlisted) return Level::Benign;
  Level r = LogoutPrime();
  if (r != Level::Benign) return r;
  DeferedRelations();
  for (Relation& rel : *Relations) {
    if (rel.UpdateMode != kRiCascade && rel.UpdateMode != kRiClear) continue;
    r = rel.File->LogoutUpdate();
    if (r != Level::Benign) return r;
  }
  return Level::Benign;
}

Level RelationManager::LogoutDelete() {
  if (UseLogout && Me->Block().enlisted) return Level::Benign;
  Level r = LogoutPrime();
  if (r != Level::Benign) return r;
  DeferedRelations();
  for (Relation& rel : *Relations) {
    if (rel.DeleteMode == kRiCascade) {
      r = rel.File->LogoutDelete();
    } else if (rel.DeleteMode == kRiClear) {
      r = rel.File->LogoutUpdate();
    } else {
      continue;
    }
    if (r != Level::Benign) return r;
  }
  return Level::Benign;
}

Level RelationManager::OpenFramed(Level (RelationManager::*logout)()) {
  Level r = ForceOpen(false);
  if (r != Level::Benign) {
    Close(false);
    return r;
  }
  if (UseLogout) {
    r = (this->*logout)();
    if (r != Level::Benign) {
      DropEnlisted();
      Close(false);
      return r;
    }
    if (BeginTransaction() != Level::Benign) {
      Close(false);
      return Level::Notify;
    }
  }
  return Level::Benign;
}

Level RelationManager::BeginTransaction() {
  if (!UseLogout) {
    DropEnlisted();  // the driver refused: go on without a transaction
    return Level::Benign;
  }
  int32_t code = rt::LogoutEnlisted(LogoutTimeout);
  if (code != 0) {
    DropEnlisted();
    Me->Throw(Msg_TransactionCancelled);
    return Level::Notify;
  }
  pending.clear();
  return Level::Benign;
}

void RelationManager::Rollback() {
  if (UseLogout && rt::transactionActive()) rt::Rollback();
}

void RelationManager::Commit() {
  if (!UseLogout || !rt::transactionActive()) return;
  if (rt::Commit() != 0) rt::assertionFailed("Unable to commit transaction");
}

}  // namespace fw
