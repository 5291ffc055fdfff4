#include "runtime/core/error_system.h"

#include <cerrno>

#include "runtime/core/error_codes.h"

namespace rt {

namespace {

struct Mapping {
  int err;
  int32_t code;  // kSystemErrorBase + the condition
};

// errno -> the code of the condition in the message table.
constexpr Mapping kMappings[] = {
    {ENOTTY, Error_SystemInvalidFunction},
    {ENOSYS, Error_SystemInvalidFunction},
    {ENOENT, Error_SystemFileNotFound},
    {ENOTDIR, Error_SystemPathNotFound},
    {ENAMETOOLONG, Error_SystemPathNotFound},
    {ELOOP, Error_SystemPathNotFound},
    {EMFILE, Error_SystemTooManyOpenFiles},
    {ENFILE, Error_SystemTooManyOpenFiles},
    {EACCES, Error_SystemAccessDenied},
    {EPERM, Error_SystemAccessDenied},
    {EISDIR, Error_SystemAccessDenied},
    {EBADF, Error_SystemInvalidHandle},
    {ESTALE, Error_SystemInvalidHandle},
    {ENOMEM, Error_SystemInsufficientMemory},
    {ENOBUFS, Error_SystemInsufficientMemory},
    {EFAULT, Error_SystemInvalidMemoryBlock},
    {E2BIG, Error_SystemInvalidEnvironment},
    {ENOEXEC, Error_SystemInvalidFormat},
    {EILSEQ, Error_SystemInvalidData},
    {EBADMSG, Error_SystemInvalidData},
    {ENOTEMPTY, Error_SystemInvalidOperationForCurrentDirectory},
    {EXDEV, Error_SystemNotSameDevice},
    {EROFS, Error_SystemWriteProtect},
    {ENOMEDIUM, Error_SystemDeviceNotReady},
    {ESPIPE, Error_SystemSeekLocationInaccessible},
    {EPIPE, Error_SystemWriteFault},
    {EIO, Error_SystemGeneralFailure},
    {EBUSY, Error_SystemSharingViolation},
    {ETXTBSY, Error_SystemSharingViolation},
    {EAGAIN, Error_SystemLockViolation},  // a refused byte-range lock
    {EDEADLK, Error_SystemLockViolation},
    {EMEDIUMTYPE, Error_SystemWrongDisk},
    {ENOLCK, Error_SystemSharingBufferExceeded},
    {ENOSPC, Error_SystemHandleDiskFull},
    {EDQUOT, Error_SystemHandleDiskFull},
    {EOPNOTSUPP, Error_SystemNotSupported},
    {EHOSTDOWN, Error_SystemRemNotList},
    {ENETUNREACH, Error_SystemInvalidNetworkPath},
    {EHOSTUNREACH, Error_SystemInvalidNetworkPath},
    {ENODEV, Error_SystemDeviceDoesNotExist},
    {ENXIO, Error_SystemDeviceDoesNotExist},
    {ENETDOWN, Error_SystemUnexpectedNetworkError},
    {ECONNRESET, Error_SystemNetworkNameDeleted},
    {ECONNABORTED, Error_SystemNetworkNameDeleted},
    {ENETRESET, Error_SystemNetworkNameDeleted},
    {ECONNREFUSED, Error_SystemRequestNotAccepted},
    {EEXIST, Error_SystemFileAlreadyExists},
    {EINVAL, Error_SystemInvalidParameter},
    {ERANGE, Error_SystemInvalidParameter},
    {EDOM, Error_SystemInvalidParameter},
};

}  // namespace

int32_t systemErrorCode(int err) {
  for (const Mapping& m : kMappings)
    if (m.err == err) return m.code;
  return Error_SystemUnknownError;
}

}  // namespace rt
