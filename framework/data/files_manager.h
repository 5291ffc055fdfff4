// The calling thread's registry of file and relation managers, and the
// bookkeeping by which a procedure that reads a file its caller is using
// gives the caller its record buffer and position back when it closes it.
//
//   FilesManager& fm = ThreadFilesManager();   // one per thread
//   FileManager* access = fm.GetFileMapping(FilesManager::GetFileId(&file));
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rt {
class DeclaredFile;
}

namespace fw {

class ErrorClass;
class FileManager;
class RelationManager;

class FilesManager {
 public:
  // A file's identity on the calling thread: the address of the thread's
  // instance of the file.
  using FileId = uintptr_t;

  // One procedure's use of a file.
  struct UsageEntry {
    uint32_t Thread = 0;
    std::string Proc;       // the procedure name the error manager held
    FileId Id = 0;
    uint8_t UStat = 0;      // highest use kind noted
    uint16_t Hold = 0;      // saved file state of the caller, 0 for none
    uint16_t ScopeLevel = 0;  // 1 for the outermost procedure
    uint16_t NestedOpen = 0;  // opens by the same procedure after its first use
  };

  FilesManager() = default;
  FilesManager(const FilesManager&) = delete;
  FilesManager& operator=(const FilesManager&) = delete;

  void AddFileMapping(FileManager* fileManager);
  void AddFileMapping(RelationManager* relationManager);
  // Removes the registration of this manager (one of another manager for
  // the same file stays).
  void RemoveFileMapping(FileManager* fileManager);
  void RemoveFileMapping(FileId id);
  void RemoveRelationFileMapping(RelationManager* relationManager);
  void RemoveRelationFileMapping(FileId id);
  FileManager* GetFileMapping(FileId id) const;
  RelationManager* GetRelationFileMapping(FileId id) const;
  static FileId GetFileId(rt::DeclaredFile* file);

  // Called by the file managers (use kinds 2 and 3; see FileManager::UseFile).
  void NoteUsage(FileManager* fileManager, uint8_t kind);
  void NoteOpen(FileManager* fileManager);
  void NoteClose(FileManager* fileManager);

  ErrorClass* Errs = nullptr;
  std::map<FileId, FileManager*> FileMapping;
  std::map<FileId, RelationManager*> RelationMapping;
  std::vector<UsageEntry> StatusQ;

 private:
  // Index of the deepest entry of the calling thread for the file, or -1.
  int FindRecord(FileManager* fileManager) const;
  std::string CurrentProc() const;
};

// The calling thread's registry: made on first use, gone with the thread.
FilesManager& ThreadFilesManager();
// The same, or nullptr once the thread's registry has been destroyed (for
// clean-up that runs while a thread ends).
FilesManager* ExistingThreadFilesManager();

// A number of the calling thread, from 1.
uint32_t ThreadNumber();

}  // namespace fw
