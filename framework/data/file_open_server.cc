#include "framework/data/file_open_server.h"

#include <map>

#include "runtime/core/error_codes.h"
#include "runtime/core/file_access.h"

namespace fw {

namespace {

// Program-wide: the shared servers by file, and the lock that serialises
// their creation, look-up and removal. Never destroyed, so that servers
// released during static destruction still find them.
std::map<rt::DeclaredFile*, UnthreadedFileOpenServer*>& UnthreadedFileOpenerMap() {
  static auto* map = new std::map<rt::DeclaredFile*, UnthreadedFileOpenServer*>();
  return *map;
}

CriticalSection& CreateOpenerCrit() {
  static auto* crit = new CriticalSection();
  return *crit;
}

int32_t OpenInstance(rt::DeclaredFile* file, int32_t mode) {
  int32_t code = rt::Open(file->instance(), mode);
  return code == rt::Error_FileAlreadyOpen ? 0 : code;
}

}  // namespace

void FileOpenServer::Init(rt::DeclaredFile* file) { MyFile = file; }

void FileOpenServer::Link() { ++Usage; }

void FileOpenServer::Release() {
  if (Usage == 0) {
    delete this;
    return;
  }
  --Usage;
}

int32_t ThreadedFileOpenServer::OpenFile(int32_t mode) { return OpenInstance(MyFile, mode); }

int32_t ThreadedFileOpenServer::CloseFile() { return rt::Close(MyFile->instance()); }

void UnthreadedFileOpenServer::Init(rt::DeclaredFile* file) {
  FileOpenServer::Init(file);
  FileUsageCount = 0;
}

int32_t UnthreadedFileOpenServer::OpenFile(int32_t mode) {
  CriticalProcedure cp(CSect.GetIface());
  if (FileUsageCount == 0) {
    int32_t code = OpenInstance(MyFile, mode);
    if (code != 0) return code;
    FileUsageCount = 1;
    return 0;
  }
  ++FileUsageCount;
  return 0;
}

int32_t UnthreadedFileOpenServer::CloseFile() {
  CriticalProcedure cp(CSect.GetIface());
  if (FileUsageCount == 0) return 0;
  if (FileUsageCount == 1) {
    int32_t code = rt::Close(MyFile->instance());
    if (code != 0) return code;
  }
  --FileUsageCount;
  return 0;
}

void UnthreadedFileOpenServer::Release() {
  // The map lock first, so that no thread finds this server in the map
  // while it goes away.
  CriticalProcedure creating(CreateOpenerCrit().GetIface());
  {
    CriticalProcedure cp(CSect.GetIface());
    if (Usage == 0) UnthreadedFileOpenerMap().erase(MyFile);
  }
  FileOpenServer::Release();  // frees the server when it was the last holder
}

IFileOpenServer* CreateFileOpenServer(rt::DeclaredFile* file) {
  CriticalProcedure cp(CreateOpenerCrit().GetIface());
  if (file->decl().threaded()) {
    auto* server = new ThreadedFileOpenServer();
    server->Init(file);
    return server;
  }
  auto& map = UnthreadedFileOpenerMap();
  auto it = map.find(file);
  if (it != map.end()) {
    it->second->Link();
    return it->second;
  }
  auto* server = new UnthreadedFileOpenServer();
  server->Init(file);
  map[file] = server;
  return server;
}

size_t UnthreadedFileOpenerCount() {
  CriticalProcedure cp(CreateOpenerCrit().GetIface());
  return UnthreadedFileOpenerMap().size();
}

}  // namespace fw
