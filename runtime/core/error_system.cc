#include "runtime/core/error_system.h"

#include <cerrno>

namespace rt {

namespace {

struct Mapping {
  int err;
  int32_t condition;  // the code is kSystemErrorBase + condition
};

// errno -> condition named by the message table.
constexpr Mapping kMappings[] = {
    {ENOTTY, 1},        // 301 Invalid Function
    {ENOSYS, 1},        // 301 Invalid Function
    {ENOENT, 2},        // 302 File Not Found
    {ENOTDIR, 3},       // 303 Path Not Found
    {ENAMETOOLONG, 3},  // 303 Path Not Found
    {ELOOP, 3},         // 303 Path Not Found
    {EMFILE, 4},        // 304 Too Many Open Files
    {ENFILE, 4},        // 304 Too Many Open Files
    {EACCES, 5},        // 305 Access Denied
    {EPERM, 5},         // 305 Access Denied
    {EISDIR, 5},        // 305 Access Denied
    {EBADF, 6},         // 306 Invalid Handle
    {ESTALE, 6},        // 306 Invalid Handle
    {ENOMEM, 8},        // 308 Insufficient Memory
    {ENOBUFS, 8},       // 308 Insufficient Memory
    {EFAULT, 9},        // 309 Invalid Memory Block
    {E2BIG, 10},        // 310 Invalid Environment
    {ENOEXEC, 11},      // 311 Invalid Format
    {EILSEQ, 13},       // 313 Invalid Data
    {EBADMSG, 13},      // 313 Invalid Data
    {ENOTEMPTY, 16},    // 316 Invalid Operation For Current Directory
    {EXDEV, 17},        // 317 Not Same Device
    {EROFS, 19},        // 319 Write Protect
    {ENOMEDIUM, 21},    // 321 Device Not Ready
    {ESPIPE, 25},       // 325 Seek Location Inaccessible
    {EPIPE, 29},        // 329 Write Fault
    {EIO, 31},          // 331 General Failure
    {EBUSY, 32},        // 332 Sharing Violation
    {ETXTBSY, 32},      // 332 Sharing Violation
    {EAGAIN, 33},       // 333 Lock Violation (a refused byte-range lock)
    {EDEADLK, 33},      // 333 Lock Violation
    {EMEDIUMTYPE, 34},  // 334 Wrong Disk
    {ENOLCK, 36},       // 336 Sharing Buffer Exceeded
    {ENOSPC, 39},       // 339 Handle Disk Full
    {EDQUOT, 39},       // 339 Handle Disk Full
    {EOPNOTSUPP, 50},   // 350 Not Supported
    {EHOSTDOWN, 51},    // 351 REM Not List
    {ENETUNREACH, 53},  // 353 Invalid Network Path
    {EHOSTUNREACH, 53}, // 353 Invalid Network Path
    {ENODEV, 55},       // 355 Device Does Not Exist
    {ENXIO, 55},        // 355 Device Does Not Exist
    {ENETDOWN, 59},     // 359 Unexpected Network Error
    {ECONNRESET, 64},   // 364 Network Name Deleted
    {ECONNABORTED, 64}, // 364 Network Name Deleted
    {ENETRESET, 64},    // 364 Network Name Deleted
    {ECONNREFUSED, 71}, // 371 Request Not Accepted
    {EEXIST, 80},       // 380 File Already Exists
    {EINVAL, 87},       // 387 Invalid Parameter
    {ERANGE, 87},       // 387 Invalid Parameter
    {EDOM, 87},         // 387 Invalid Parameter
};
constexpr int32_t kUnknownCondition = 91;  // 391 Unknown Error

}  // namespace

int32_t systemErrorCode(int err) {
  for (const Mapping& m : kMappings)
    if (m.err == err) return kSystemErrorBase + m.condition;
  return kSystemErrorBase + kUnknownCondition;
}

}  // namespace rt
