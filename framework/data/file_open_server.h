// The objects that open and close a data file physically for its file
// managers. A file with one instance per thread is opened privately by
// each thread (ThreadedFileOpenServer); a file shared by the whole program
// has one UnthreadedFileOpenServer, which counts its users across threads,
// opens the file for the first and closes it after the last.
//
//   IFileOpenServer* opener = CreateFileOpenServer(&declaredFile);
//   if (opener->OpenFile(0x42) == 0) { ... opener->CloseFile(); }
//   opener->Release();                 // the server frees itself when unused
#pragma once

#include <cstdint>

#include "framework/data/critical_section.h"
#include "runtime/core/file_instance.h"

namespace fw {

class IFileOpenServer {
 public:
  // Runtime error codes; 0 for success (an already open file counts as opened).
  virtual int32_t OpenFile(int32_t mode) = 0;
  virtual int32_t CloseFile() = 0;
  // One more holder; Release lets one go (the last frees the server).
  virtual void Link() = 0;
  virtual void Release() = 0;

 protected:
  virtual ~IFileOpenServer() = default;
};

// Servers live on the heap and free themselves in Release.
class FileOpenServer : public IFileOpenServer {
 public:
  virtual void Init(rt::DeclaredFile* file);
  void Link() override;
  void Release() override;

  rt::DeclaredFile* MyFile = nullptr;
  int32_t Usage = 0;  // holders beyond the first

 protected:
  ~FileOpenServer() override = default;
};

class ThreadedFileOpenServer : public FileOpenServer {
 public:
  int32_t OpenFile(int32_t mode) override;
  int32_t CloseFile() override;
};

class UnthreadedFileOpenServer : public FileOpenServer {
 public:
  void Init(rt::DeclaredFile* file) override;
  int32_t OpenFile(int32_t mode) override;
  int32_t CloseFile() override;
  void Release() override;

  CriticalSection CSect;
  int32_t FileUsageCount = 0;
};

// The server for `file`: a new one for a file with per-thread instances,
// otherwise the program's server of that file, shared and linked once more.
IFileOpenServer* CreateFileOpenServer(rt::DeclaredFile* file);

// Servers of shared files now registered (for tests and leak checks).
size_t UnthreadedFileOpenerCount();

}  // namespace fw
