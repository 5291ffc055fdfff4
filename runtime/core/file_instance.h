// A declared file and its instances. The declaration is a template: a file
// with the threaded attribute gets one control block (with its own buffers)
// per thread, made on the thread's first use; a file without it has one
// control block for the whole program.
//
// When a thread ends, its instances are discarded: the observer gets
// Op_DISCARD (with cleanup set) and the driver Op_DESTROY. The program-wide
// instance is discarded with the DeclaredFile.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/core/file_control.h"
#include "runtime/core/file_decl.h"

namespace rt {

class DeclaredFile {
 public:
  explicit DeclaredFile(FileDeclPtr decl);
  ~DeclaredFile();
  DeclaredFile(const DeclaredFile&) = delete;
  DeclaredFile& operator=(const DeclaredFile&) = delete;

  const FileDecl& decl() const { return *decl_; }
  const FileDeclPtr& declPtr() const { return decl_; }

  // The calling thread's control block (made on first use).
  FileControlBlock& instance();
  // The calling thread's block if it exists, else nullptr.
  FileControlBlock* existingInstance();
  // Discards the calling thread's instance now (Op_DISCARD with `cleanup`,
  // then Op_DESTROY); the next instance() makes a fresh one. A file without
  // the threaded attribute discards its program-wide instance.
  void discardInstance(bool cleanup = false);

 private:
  FileDeclPtr decl_;
  uint64_t id_;  // identifies this file in the threads' instance tables
  std::mutex mutex_;
  std::unique_ptr<FileControlBlock> shared_;  // files without the threaded attribute
};

}  // namespace rt
