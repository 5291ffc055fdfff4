#include "runtime/kestrel/os/status.h"

#include <cerrno>
#include <sys/stat.h>

namespace kestrel {

namespace {

bool ParentDirectoryExists(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  std::string dir = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int ErrnoToCode(int err, const std::string& path) {
  switch (err) {
    case 0:
      return kOk;
    case ENOENT:
      return ParentDirectoryExists(path) ? kFileNotFound : kPathNotFound;
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
      return kPathNotFound;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case ENOMEM:
      return kInsufficientMemory;
    case ENOSPC:
    case EDQUOT:
      return kHandleDiskFull;
    case EIO:
      return kWriteFault;
    default:
      // EACCES, EPERM, EAGAIN, EROFS, ETXTBSY, EISDIR and sharing refusals.
      return kAccessDenied;
  }
}

}  // namespace kestrel
