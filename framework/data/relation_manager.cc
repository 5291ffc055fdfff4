// Relation managers: set-up, relations, cascading open and close, the
// quick-scan switch.
#include "framework/data/relation_manager.h"

#include "framework/data/files_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_access.h"

namespace fw {

namespace {

bool LocalAction(uint8_t mode) { return mode >= kRiClear && mode <= kRiCascade; }

}  // namespace

uint32_t& TraversalCounter() {
  thread_local uint32_t counter = 0;
  return counter;
}

void RelationManager::Init(FileManager* fileManager, bool useLogout) {
  Me = fileManager;
  Relations = std::make_unique<std::vector<Relation>>();
  UseLogout = useLogout;
  LogoutTimeout = 2;
  ThreadFilesManager().AddFileMapping(this);
}

void RelationManager::Kill() {
  if (!Relations) return;
  if (FilesManager* registry = ExistingThreadFilesManager()) registry->RemoveRelationFileMapping(this);
  for (Relation& r : *Relations) {
    if (r.Fields) r.Fields->Kill();
  }
  Relations.reset();
}

void RelationManager::DeferedRelations() {
  if (DeferedRelationsDone) return;
  DeferedRelationsDone = true;  // first, so that a relation back to this file finds it done
  DeferedAddRelations();
}

RelationManager::Relation& RelationManager::AddRelation(
    RelationManager* related, uint8_t updateMode, uint8_t deleteMode, int hisKey,
    std::initializer_list<std::pair<std::string_view, std::string_view>> links) {
  if (!Relations) Relations = std::make_unique<std::vector<Relation>>();
  Relation r;
  r.File = related;
  r.HisKey = hisKey;
  r.UpdateMode = updateMode;
  r.DeleteMode = deleteMode;
  if (hisKey < 0 && (LocalAction(updateMode) || LocalAction(deleteMode))) {
    rt::assertionFailed("A relation with integrity rules needs the related file's key");
    r.UpdateMode = r.DeleteMode = kRiNone;
  }
  r.Fields = std::make_unique<BufferedPairsClass>();
  r.Fields->Init();
  for (const auto& [mine, his] : links) {
    rt::FieldRef left = rt::findFieldRef(Me->Block(), mine);
    rt::FieldRef right = rt::findFieldRef(related->Me->Block(), his);
    if (!left.valid() || !right.valid()) {
      rt::assertionFailed("Unknown linking field " + std::string(left.valid() ? his : mine));
      continue;
    }
    r.Fields->AddPair(left, right);
  }
  Relations->push_back(std::move(r));
  return Relations->back();
}

Level RelationManager::Open(bool nested) {
  if (Me && !Me->LazyOpen) ForcingOpen = true;
  Level r = OpenCloseServer(nested, true);
  ForcingOpen = false;
  return r;
}

Level RelationManager::ForceOpen(bool nested) {
  ForcingOpen = true;
  return Open(nested);
}

Level RelationManager::Close(bool nested) { return OpenCloseServer(nested, false); }

Level RelationManager::OpenCloseServer(bool nested, bool opening) {
  uint32_t& counter = TraversalCounter();
  if (nested && LastTouched == counter) return Level::Benign;  // visited in this traversal
  if (!nested) ++counter;
  const bool forcing = ForcingOpen;
  LastTouched = counter;
  if (!Relations || !Me) {
    rt::assertionFailed("Relation manager incorrectly initialized.");
    return Level::Notify;
  }
  Level result = Level::Benign;
  if (opening) {
    // A procedure's own open counts and opens the file at once; the count
    // keeps it open while another procedure opens and closes it too.
    result = Me->Open();
    if (!nested && result == Level::Benign) {
      result = Me->UseFile(kUseRead);
      if (result != Level::Benign) Me->Close();  // the open did not happen: no count either
    }
  } else {
    result = Me->Close();
  }
  if (!nested || forcing) DeferedRelations();
  for (Relation& rel : *Relations) {
    if (result != Level::Benign) break;
    FileManager* other = rel.File->Me;
    const int32_t before = other->GetOpened();
    if (opening) {
      result = forcing ? rel.File->ForceOpen(true) : rel.File->Open(true);
      if (other->GetOpened() > before) ++rel.Opened;
    } else if (rel.Opened != 0) {
      result = rel.File->Close(true);
      if (other->GetOpened() < before) --rel.Opened;
    }
  }
  return result;
}

void RelationManager::Save() {
  DeferedRelations();
  if (!Relations) return;
  for (Relation& rel : *Relations) {
    if (rel.Fields && rel.Fields->size() > 0) rel.Fields->AssignLeftToBuffer();
  }
}

Level RelationManager::CancelAutoInc() { return Me ? Me->CancelAutoInc(this) : Level::Fatal; }

void RelationManager::SetQuickScan(bool on, uint8_t propagate) {
  if (!Me) {
    rt::assertionFailed("Relation manager incorrectly initialized.");
    return;
  }
  uint32_t& counter = TraversalCounter();
  // A manager reached twice in one traversal is passed over before it
  // sends anything, so each file gets the command once.
  if ((propagate & 128) && LastTouched == counter) return;
  if (Me->IsOpened()) rt::Send(Me->Block(), std::string("QUICKSCAN=") + (on ? "on" : "off"));
  if (propagate == 0) return;
  if (!(propagate & 128)) {
    ++counter;
    propagate += 128;
  }
  LastTouched = counter;
  DeferedRelations();
  if (!Relations) return;
  const uint8_t which = propagate & 127;
  for (Relation& rel : *Relations) {
    if (which == 1 && rel.HisKey >= 0) continue;  // only files looked up from this one
    if (which == 2 && rel.HisKey < 0) continue;   // only files whose records belong to this one
    rel.File->SetQuickScan(on, propagate);
  }
}

}  // namespace fw
