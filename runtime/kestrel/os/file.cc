#include "runtime/kestrel/os/file.h"

#include <cerrno>
#include <fcntl.h>
#include <climits>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>

#include <algorithm>
#include <thread>
#include <unistd.h>

#include "runtime/kestrel/os/fault_injection.h"
#include "runtime/kestrel/os/lock_layout.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"

namespace kestrel {

namespace {

// File systems whose clients cache data and attributes apart.
bool IsNetworkFileSystem(int fd) {
  if (fault::NetworkFileSystems()) return true;
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<uint64_t>(fs.f_type) & 0xFFFFFFFFu) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x564C:      // NCP
    case 0x5346414F:  // AFS
    case 0x73757245:  // Coda
    case 0x00C36400:  // Ceph
    case 0x01021997:  // 9P
    case 0x65735546:  // FUSE (sshfs and the like)
      return true;
    default:
      return false;
  }
}

// Opens `path`, creating it when missing; *created tells which happened.
int OpenOrCreate(const std::string& path, int flags, bool* created) {
  *created = false;
  for (;;) {
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      *created = true;
      return fd;
    }
    if (errno != EEXIST) return fd;  // another opener created it meanwhile: open it
  }
}

}  // namespace

int File::Open(const std::string& path, int mode, bool create, bool truncate,
               std::unique_ptr<File>* out) {
  out->reset();
  if (path.empty() || path.find('\0') != std::string::npos) return rt::Error_InvalidFilename;
  mode = NormalizeOpenMode(mode);
  // The store always reads, so write-only access still opens for reading.
  bool writable = create ? AccessOf(mode) != kAccessRead : WantsWrite(mode);
  int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  // Emptying waits until the share modes of other openers have been
  // checked: a refused create must leave their file as it was.
  bool created = false;
  int fd = create ? OpenOrCreate(path, flags, &created) : ::open(path.c_str(), flags, 0666);
  if (fd < 0) return ErrnoToCode(errno, path);
  if (created) fault::NoteCreate(path);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return rt::Error_AccessDenied;
  }
  std::unique_ptr<File> file(new File(fd, path, writable));
  file->network_ = IsNetworkFileSystem(fd);
  if (created) {
    int rc = FlushDirectory(path);
    if (rc != rt::Error_NoError) return rc;
  }
  int rc = file->ClaimShareMode(mode);
  if (rc != rt::Error_NoError) return rc;
  if (create && truncate) {
    if (writable) {
      rc = file->Truncate(0);
    } else if (::truncate(path.c_str(), 0) != 0) {
      rc = ErrnoToCode(errno, path);
    }
    if (rc != rt::Error_NoError) return rc;
  }
  *out = std::move(file);
  return rt::Error_NoError;
}

int File::Delete(const std::string& path) {
  if (path.empty()) return rt::Error_InvalidFilename;
  if (::unlink(path.c_str()) != 0) return ErrnoToCode(errno, path);
  return rt::Error_NoError;
}

int File::DeleteUnused(const std::string& path) {
  std::unique_ptr<File> sole;
  int rc = Open(path, kAccessReadWrite | kDenyAll, false, false, &sole);
  if (rc != rt::Error_NoError) return rc;
  return Delete(path);  // still held deny-all: no opener gets in meanwhile
}

int File::FlushDirectory(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  bool fail = false;
  if (fault::OnFlush(dir, &fail)) return rt::Error_NoError;
  if (fail) return rt::Error_SystemWriteFault;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrnoToCode(errno, dir);
  int rc = ::fsync(fd) == 0 ? rt::Error_NoError : ErrnoToCode(errno, dir);
  ::close(fd);
  if (rc == rt::Error_NoError) fault::NoteDirectoryFlush(path);
  return rc;
}

File::~File() { ::close(fd_); }

int File::Fail(int err) {
  last_errno_ = err;
  return ErrnoToCode(err, path_);
}

int File::Read(uint64_t offset, void* buf, size_t n, size_t* got) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      *got = done;
      return Fail(errno);
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  *got = done;
  fault::AfterRead(path_, offset);
  return rt::Error_NoError;
}

int File::Write(uint64_t offset, const void* buf, size_t n) {
  unflushed_ = true;
  bool fail = false;
  if (fault::OnWrite(&fail)) return rt::Error_NoError;
  if (fail) return Fail(EIO);
  fault::NoteWrite(fd_, path_, offset, buf, n);
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::pwrite(fd_, static_cast<const char*>(buf) + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (w == 0) {
      last_errno_ = EIO;
      return rt::Error_AccessDenied;  // a short write
    }
    done += static_cast<size_t>(w);
  }
  return rt::Error_NoError;
}

int File::WriteGather(uint64_t offset, const std::vector<std::string_view>& pieces) {
  unflushed_ = true;
  bool fail = false;
  if (fault::OnWrite(&fail)) return rt::Error_NoError;
  if (fail) return Fail(EIO);
  if (fault::recording) {
    std::string all;
    for (std::string_view p : pieces) all.append(p);
    fault::NoteWrite(fd_, path_, offset, all.data(), all.size());
  }
  std::vector<struct iovec> iov;
  iov.reserve(pieces.size());
  for (std::string_view p : pieces) {
    if (!p.empty()) iov.push_back({const_cast<char*>(p.data()), p.size()});
  }
  size_t first = 0;
  while (first < iov.size()) {
    int count = static_cast<int>(std::min<size_t>(iov.size() - first, IOV_MAX));
    ssize_t w = ::pwritev(fd_, &iov[first], count, static_cast<off_t>(offset));
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (w == 0) {
      last_errno_ = EIO;
      return rt::Error_AccessDenied;
    }
    offset += static_cast<uint64_t>(w);
    // Skip what was written; a partial piece continues from its middle.
    size_t done = static_cast<size_t>(w);
    while (first < iov.size() && done >= iov[first].iov_len) done -= iov[first++].iov_len;
    if (first < iov.size()) {
      iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + done;
      iov[first].iov_len -= done;
    }
  }
  return rt::Error_NoError;
}

int File::Flush() {
  bool fail = false;
  if (fault::OnFlush(path_, &fail)) return rt::Error_NoError;
  if (fail) return Fail(EIO);
  if (::fdatasync(fd_) != 0) return Fail(errno);
  unflushed_ = false;
  return rt::Error_NoError;
}

int File::Truncate(uint64_t length) {
  unflushed_ = true;
  if (fault::Stopped()) return rt::Error_NoError;
  fault::NoteTruncate(fd_, path_, length);
  if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) return Fail(errno);
  return rt::Error_NoError;
}

int File::Size(uint64_t* size) {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return Fail(errno);
  *size = static_cast<uint64_t>(st.st_size);
  return rt::Error_NoError;
}

bool File::SetLock(uint64_t offset, uint64_t length, short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return true;
  last_errno_ = errno;
  return false;
}

bool File::TryLock(uint64_t offset, uint64_t length, bool exclusive) {
  if (!exclusive || writable_) return SetLock(offset, length, exclusive ? F_WRLCK : F_RDLCK);
  if (!SetLock(offset, length, F_RDLCK)) return false;
  if (!HeldByOther(offset, length)) return true;
  SetLock(offset, length, F_UNLCK);
  last_errno_ = EAGAIN;
  return false;
}

void File::Unlock(uint64_t offset, uint64_t length) { SetLock(offset, length, F_UNLCK); }

bool File::HeldByOther(uint64_t offset, uint64_t length) {
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

// Share modes: every File announces its access and its refusals with shared
// locks on marker bytes, then checks the markers of the others. Announcing
// first means two conflicting openers racing may both fail, never both win.
int File::ClaimShareMode(int mode) {
  bool reads = WantsRead(mode), writes = WantsWrite(mode);
  bool deny_read = DeniesRead(mode), deny_write = DeniesWrite(mode);
  const struct {
    bool own;
    uint64_t offset;
  } marks[] = {{reads, kShareHasRead}, {writes, kShareHasWrite},
               {deny_read, kShareDeniesRead}, {deny_write, kShareDeniesWrite}};
  for (const auto& m : marks) {
    if (m.own && !SetLock(m.offset, 1, F_RDLCK)) return Fail(last_errno_);
  }
  bool conflict = (reads && HeldByOther(kShareDeniesRead)) ||
                  (writes && HeldByOther(kShareDeniesWrite)) ||
                  (deny_read && HeldByOther(kShareHasRead)) ||
                  (deny_write && HeldByOther(kShareHasWrite));
  if (conflict) {
    last_errno_ = EBUSY;
    return rt::Error_AccessDenied;
  }
  return rt::Error_NoError;
}

bool AcquireLock(File& file, uint64_t offset, uint64_t length, bool exclusive, bool wait,
                 const std::function<void(int)>& on_failure) {
  for (int attempt = 0;; ++attempt) {
    if (file.TryLock(offset, length, exclusive)) return true;
    if (on_failure) on_failure(file.last_errno());
    if (!wait && attempt >= 2) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace kestrel
