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
      return rt::Error_NoError;
    case ENOENT:
      return ParentDirectoryExists(path) ? rt::Error_FileNotFound : rt::Error_PathNotFound;
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
      return rt::Error_PathNotFound;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return rt::Error_InvalidFilename;
    case EMFILE:
    case ENFILE:
      return rt::Error_TooManyOpenFiles;
    case ENOMEM:
      return rt::Error_InsufficientMemory;
    case ENOSPC:
    case EDQUOT:
      return rt::Error_SystemHandleDiskFull;
    case EIO:
      return rt::Error_SystemWriteFault;
    default:
      // EACCES, EPERM, EAGAIN, EROFS, ETXTBSY, EISDIR and sharing refusals.
      return rt::Error_AccessDenied;
  }
}

}  // namespace kestrel
