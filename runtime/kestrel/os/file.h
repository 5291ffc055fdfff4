#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// One open data file: positioned I/O, flush, truncate and non-blocking
// byte-range locks on an open-file description of its own, so that locks
// of one File never vanish when another descriptor of the file closes.
// Every call returns a runtime error code (0 on success).
class File {
 public:
  // Opens `path` with the runtime open mode (see open_mode.h). `create`
  // creates a missing file (and empties it when `truncate` is set).
  // Share modes are enforced between Files through lock bytes; a refusal
  // is a sharing violation (5).
  // A file that did not exist is made durable in its directory before
  // Open returns, so that what is committed to it later survives a power
  // loss.
  static int Open(const std::string& path, int mode, bool create, bool truncate,
                  std::unique_ptr<File>* out);
  static int Delete(const std::string& path);
  // Deletes the file only while no other File (of any process) has it
  // open: it is taken deny-all first, so that a user elsewhere makes it a
  // sharing violation (5) and no later opener finds it half gone.
  static int DeleteUnused(const std::string& path);
  // Makes the directory entries of the folder holding `path` durable.
  static int FlushDirectory(const std::string& path);

  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to n bytes; *got < n only at end of file.
  int Read(uint64_t offset, void* buf, size_t n, size_t* got);
  // Writes all n bytes; a short write is access denied (5).
  int Write(uint64_t offset, const void* buf, size_t n);
  // Writes the pieces one after another from `offset` in one gathered
  // write (one write as far as fault injection counts).
  int WriteGather(uint64_t offset, const std::vector<std::string_view>& pieces);
  int Flush();
  // Set from a write or truncation until the next successful Flush: a
  // flush with nothing of this File's to make durable can be left out.
  bool unflushed() const { return unflushed_; }
  int Truncate(uint64_t length);
  int Size(uint64_t* size);

  // One non-blocking attempt. A descriptor that cannot write cannot take a
  // write lock either: there an exclusive lock is a read lock that no other
  // descriptor shares, checked after taking it, so that it excludes every
  // kind of opener. Two such claimants racing may both be refused, never
  // both granted.
  bool TryLock(uint64_t offset, uint64_t length, bool exclusive);
  void Unlock(uint64_t offset, uint64_t length);

  const std::string& path() const { return path_; }
  bool writable() const { return writable_; }
  // Set when the file lives on a network file system (NFS, SMB, ...), whose
  // clients may see a stale header beside a fresh page.
  bool network() const { return network_; }
  // errno of the last failed call, for logs.
  int last_errno() const { return last_errno_; }

 private:
  File(int fd, std::string path, bool writable) : fd_(fd), path_(std::move(path)), writable_(writable) {}
  int Fail(int err);
  bool SetLock(uint64_t offset, uint64_t length, short type);
  bool HeldByOther(uint64_t offset, uint64_t length = 1);
  int ClaimShareMode(int mode);

  int fd_;
  std::string path_;
  bool writable_;
  bool network_ = false;
  bool unflushed_ = false;
  int last_errno_ = 0;
};

// Lock with the runtime's retry rule: up to 3 attempts 1 ms apart, or
// without limit when `wait` is set. `on_failure` (optional) hears the
// system error of every refused attempt.
bool AcquireLock(File& file, uint64_t offset, uint64_t length, bool exclusive, bool wait,
                 const std::function<void(int)>& on_failure = nullptr);

}  // namespace kestrel
