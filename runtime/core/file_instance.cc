#include "runtime/core/file_instance.h"

#include <atomic>
#include <unordered_map>

#include "runtime/core/file_access.h"

namespace rt {

namespace {

std::atomic<uint64_t> nextId{1};

// Set when the thread's table is gone (thread end, or program end for the
// main thread, before static DeclaredFiles are destroyed).
thread_local bool instancesGone = false;

// The calling thread's instances of threaded files, by file id. Discarded
// with cleanup when the thread ends.
struct ThreadInstances {
  std::unordered_map<uint64_t, std::unique_ptr<FileControlBlock>> blocks;
  ~ThreadInstances() {
    instancesGone = true;
    auto taken = std::move(blocks);
    for (auto& [id, block] : taken) discardFile(*block, true);
  }
};

thread_local ThreadInstances instances;

}  // namespace

DeclaredFile::DeclaredFile(FileDeclPtr decl) : decl_(std::move(decl)), id_(nextId++) {
  if (!decl_) decl_ = std::make_shared<const FileDecl>();
}

DeclaredFile::~DeclaredFile() {
  discardInstance(true);
}

FileControlBlock& DeclaredFile::instance() {
  if (!decl_->threaded()) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!shared_) shared_ = std::make_unique<FileControlBlock>(decl_);
    return *shared_;
  }
  std::unique_ptr<FileControlBlock>& block = instances.blocks[id_];
  if (!block) block = std::make_unique<FileControlBlock>(decl_);
  return *block;
}

FileControlBlock* DeclaredFile::existingInstance() {
  if (!decl_->threaded()) {
    std::lock_guard<std::mutex> lock(mutex_);
    return shared_.get();
  }
  if (instancesGone) return nullptr;
  auto it = instances.blocks.find(id_);
  return it == instances.blocks.end() ? nullptr : it->second.get();
}

void DeclaredFile::discardInstance(bool cleanup) {
  std::unique_ptr<FileControlBlock> block;
  if (!decl_->threaded()) {
    std::lock_guard<std::mutex> lock(mutex_);
    block = std::move(shared_);
  } else {
    if (instancesGone) return;
    auto it = instances.blocks.find(id_);
    if (it == instances.blocks.end()) return;
    block = std::move(it->second);
    instances.blocks.erase(it);
  }
  if (block) discardFile(*block, cleanup);
}

}  // namespace rt
