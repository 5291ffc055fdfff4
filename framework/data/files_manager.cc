#include "framework/data/files_manager.h"

#include <atomic>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"

namespace fw {

namespace {

thread_local bool registry_gone = false;

struct RegistryHolder {
  FilesManager manager;
  ~RegistryHolder() { registry_gone = true; }
};

}  // namespace

FilesManager& ThreadFilesManager() {
  thread_local RegistryHolder holder;
  return holder.manager;
}

FilesManager* ExistingThreadFilesManager() { return registry_gone ? nullptr : &ThreadFilesManager(); }

uint32_t ThreadNumber() {
  static std::atomic<uint32_t> next{1};
  thread_local uint32_t mine = next++;
  return mine;
}

FilesManager::FileId FilesManager::GetFileId(rt::DeclaredFile* file) {
  return file ? reinterpret_cast<FileId>(&file->instance()) : 0;
}

void FilesManager::AddFileMapping(FileManager* fileManager) {
  Errs = fileManager->Errors;
  auto [it, added] = FileMapping.emplace(GetFileId(fileManager->File), fileManager);
  rt::Assert(added, "Mapping for file already exists for the FM");
}

void FilesManager::AddFileMapping(RelationManager* relationManager) {
  FileManager* me = relationManager->Me;
  auto [it, added] = RelationMapping.emplace(GetFileId(me ? me->File : nullptr), relationManager);
  rt::Assert(added, "Mapping for file already exists for the RM");
}

void FilesManager::RemoveFileMapping(FileManager* fileManager) {
  // By the manager, not the file: the thread's instance may be going away.
  for (auto it = FileMapping.begin(); it != FileMapping.end(); ++it) {
    if (it->second == fileManager) {
      RemoveFileMapping(it->first);
      return;
    }
  }
}

void FilesManager::RemoveFileMapping(FileId id) {
  FileMapping.erase(id);
  // Uses that were never closed end with the manager (their saved states
  // went with it).
  const uint32_t thread = ThreadNumber();
  std::erase_if(StatusQ, [&](const UsageEntry& e) { return e.Thread == thread && e.Id == id; });
}

void FilesManager::RemoveRelationFileMapping(RelationManager* relationManager) {
  for (auto it = RelationMapping.begin(); it != RelationMapping.end(); ++it) {
    if (it->second == relationManager) {
      RelationMapping.erase(it);
      return;
    }
  }
}

void FilesManager::RemoveRelationFileMapping(FileId id) { RelationMapping.erase(id); }

FileManager* FilesManager::GetFileMapping(FileId id) const {
  auto it = FileMapping.find(id);
  return it == FileMapping.end() ? nullptr : it->second;
}

RelationManager* FilesManager::GetRelationFileMapping(FileId id) const {
  auto it = RelationMapping.find(id);
  return it == RelationMapping.end() ? nullptr : it->second;
}

std::string FilesManager::CurrentProc() const { return Errs ? Errs->GetProcedureName() : std::string(); }

int FilesManager::FindRecord(FileManager* fileManager) const {
  const uint32_t thread = ThreadNumber();
  const FileId id = GetFileId(fileManager->File);
  int found = -1;
  for (size_t i = 0; i < StatusQ.size(); ++i) {
    const UsageEntry& e = StatusQ[i];
    if (e.Thread != thread || e.Id != id) continue;
    if (found < 0 || e.ScopeLevel >= StatusQ[found].ScopeLevel) found = static_cast<int>(i);
  }
  return found;
}

void FilesManager::NoteUsage(FileManager* fileManager, uint8_t kind) {
  const std::string proc = CurrentProc();
  int at = FindRecord(fileManager);
  if (at >= 0 && StatusQ[at].Proc == proc) {
    if (kind > StatusQ[at].UStat) StatusQ[at].UStat = kind;
    return;
  }
  UsageEntry e;
  e.Thread = ThreadNumber();
  e.Proc = proc;
  e.Id = GetFileId(fileManager->File);
  e.UStat = kind;
  e.ScopeLevel = at >= 0 ? StatusQ[at].ScopeLevel + 1 : 1;
  const uint16_t level = e.ScopeLevel;
  StatusQ.push_back(std::move(e));
  // A procedure that reads a file its caller uses keeps the caller's state.
  // The entry exists first, so that the save's own use of the file finds it.
  if (at >= 0 && kind < kUseChange) {
    uint16_t hold = fileManager->SaveFile();
    int mine = FindRecord(fileManager);
    if (mine >= 0 && StatusQ[mine].ScopeLevel == level) {
      StatusQ[mine].Hold = hold;
    } else {
      rt::assertionFailed();
      fileManager->RestoreFile(hold, false);
    }
  }
}

void FilesManager::NoteOpen(FileManager* fileManager) {
  int at = FindRecord(fileManager);
  if (at >= 0 && StatusQ[at].Proc == CurrentProc()) ++StatusQ[at].NestedOpen;
}

void FilesManager::NoteClose(FileManager* fileManager) {
  int at = FindRecord(fileManager);
  if (at < 0 || StatusQ[at].Proc != CurrentProc()) return;
  if (StatusQ[at].NestedOpen > 0) {
    --StatusQ[at].NestedOpen;
    return;
  }
  const uint16_t level = StatusQ[at].ScopeLevel;
  uint16_t hold = StatusQ[at].Hold;
  if (hold != 0) {
    // A procedure that wrote leaves its record in the buffer.
    const bool restore = StatusQ[at].UStat < kUseChange;
    StatusQ[at].Hold = 0;
    fileManager->RestoreFile(hold, restore);
  }
  at = FindRecord(fileManager);  // the restore used the file, and the list may have moved
  if (at >= 0 && StatusQ[at].ScopeLevel == level) {
    StatusQ.erase(StatusQ.begin() + at);
  } else {
    rt::assertionFailed();
  }
}

}  // namespace fw
