// The file control block: one per declared file and thread. The runtime
// fills the declaration part and the buffers; the driver keeps everything
// else (open state, current record, positions, holds ...) in its own part,
// which it creates on first use and releases on Op_DESTROY.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/core/file_decl.h"

namespace rt {

class FileCallback;
struct DriverArgs;
struct FileStateTable;

// Base of the driver's own part of a control block. A driver derives its
// state from it and keeps it in FileControlBlock::driver_data.
class DriverData {
 public:
  virtual ~DriverData() = default;
};

using DriverEntry = std::function<int32_t(int32_t op, class FileControlBlock& file, DriverArgs& args)>;

// Runtime flag bits of a control block, as drivers test them.
inline constexpr uint32_t kRuntimeByteCount = 2;  // `byte_count` holds the answer to BYTES
inline constexpr uint32_t kRuntimeNoViewMark = 8;  // INVIEW must not mark the block

class FileControlBlock {
 public:
  // A control block of `decl`, its buffers cleared (text blank, numbers
  // zero, memos blank).
  explicit FileControlBlock(FileDeclPtr decl);
  ~FileControlBlock();  // gives the driver Op_DESTROY when it holds a part
  FileControlBlock(const FileControlBlock&) = delete;
  FileControlBlock& operator=(const FileControlBlock&) = delete;

  const FileDecl& decl() const { return *decl_; }
  const FileDeclPtr& declPtr() const { return decl_; }

  // --- Declaration part (copied from the declaration; the program may
  // change the name and the driver string before opening).
  std::string name;           // full name, "\!" and table name optional
  std::string driver_name;    // "KESTREL"
  std::string driver_string;  // switches, e.g. "/TCF=school.tcf"
  uint32_t attributes = 0;    // kFileCreate | kFileOem | kFileThreaded | kFileProgress

  // --- Buffers.
  std::vector<uint8_t> record;     // record_length bytes
  std::vector<std::string> memos;  // one per memo or blob, in declaration order;
                                   // text memos are kept space-padded to their size

  // --- Runtime part.
  uint32_t runtime_flags = 0;   // kRuntimeByteCount, kRuntimeNoViewMark
  int64_t byte_count = 0;       // with kRuntimeByteCount: what BYTES answers
  bool open = false;            // Open, Share or Create succeeded and no Close since
  FileCallback* callback = nullptr;  // receiver of the operation notices (not owned)
  bool enlisted = false;        // takes part in the next transaction (file_transaction.h)
  std::unique_ptr<FileStateTable> states;  // saved states (file_state.h)

  // --- Driver part. The entry is resolved from the registry on the first
  // operation; `driver_data` belongs to the driver.
  DriverEntry driver;
  std::unique_ptr<DriverData> driver_data;

  // Fills every field by its type: fill 0 blanks text and zeroes numbers,
  // 1 gives every field its highest value, -1 its lowest. Memos are blanked
  // (text) or emptied (binary) unless `keep_memos`.
  void clearBuffers(int fill = 0, bool keep_memos = false);

  // Replaces the declaration (a driver that read the layout from the file
  // for a block declared without fields) and sizes the buffers to it,
  // cleared.
  void adoptDecl(FileDeclPtr decl);

  // The driver's part, cast to the driver's own type (nullptr when absent).
  template <typename T>
  T* driverData() const { return static_cast<T*>(driver_data.get()); }

 private:
  FileDeclPtr decl_;
};

}  // namespace rt
