// Outcome of every format operation. Decoders never throw on hostile bytes:
// they return a Status naming what went wrong.
//
//   - ok
//   - InvalidFile (runtime error 36 "Invalid Data File"): not a Kestrel file
//   - Mismatch (runtime error 47 "Invalid Record Declaration"): the stored table
//     definition differs from the declaration; item() is the differing stream
//     item ("FIELDS", "TYPE", ...) or a whole message such as the newer-format text
//   - Corruption (runtime error 90 "File System Error"): an internal consistency
//     check failed; check() identifies it, file() names the file once known
#pragma once

#include <string>
#include <utility>

#include "runtime/core/error_codes.h"

namespace kestrel {

// Numbers of the internal consistency checks, shown to users in
// "Possible data corruption in file NAME (n)". The format owns 1 to 99;
// the page store and the driver number their own checks from 100 up.
enum class Check : int {
  kNone = 0,
  kStreamLength = 1,        // record stream does not decode to exactly its plain size
  kCompressionCount = 2,    // a count of the compressed stream is out of range
  kPageOutsideAreas = 3,    // page reference lies in no size area
  kPageTooLarge = 4,        // page image would exceed 15104 bytes
  kRecordTooLong = 5,       // record of 15094 bytes or more
  kIdCounterExhausted = 6,  // id counter's first byte reached 0xFE
  kDuplicateKey = 7,        // two records with equal keys
  kUnalignedIo = 8,         // read or write length not a multiple of 64
  kShortPageRead = 9,       // page image not completely readable
  kPageHeader = 10,         // page header disagrees with its image
  kDefinitionStream = 11,   // table definition stream unreadable
  kMemoSegments = 12,       // memo or blob segments inconsistent
  kRecordValue = 13,        // record value of the wrong size for its kind
  kTreeShape = 14,          // child levels or references of the tree inconsistent
  kAreaTable = 15,          // size-area table out of order
  kFieldLayout = 16,        // field or key component lies outside the record
};

class Status {
 public:
  enum class Code : int {
    kOk = rt::Error_NoError,
    kInvalidFile = rt::Error_InvalidDataFile,
    kMismatch = rt::Error_InvalidRecordDeclaration,
    kCorruption = rt::Error_FileSystemError,
  };

  Status() = default;

  static Status OK() { return Status(); }
  static Status InvalidFile(std::string file = {}) {
    return Status(Code::kInvalidFile, Check::kNone, {}, std::move(file));
  }
  static Status Mismatch(std::string item) {
    return Status(Code::kMismatch, Check::kNone, std::move(item), {});
  }
  static Status Corruption(Check check, std::string file = {}) {
    return Status(Code::kCorruption, check, {}, std::move(file));
  }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  bool isInvalidFile() const { return code_ == Code::kInvalidFile; }
  bool isMismatch() const { return code_ == Code::kMismatch; }
  bool isCorruption() const { return code_ == Code::kCorruption; }
  // The runtime error code: 0, 36, 47 or 90.
  int errorCode() const { return static_cast<int>(code_); }
  Check check() const { return check_; }
  int checkNumber() const { return static_cast<int>(check_); }
  const std::string& item() const { return item_; }
  const std::string& file() const { return file_; }

  // Names the file when the failure does not name one yet; returns *this so a
  // caller can write `return s.inFile(name);`.
  Status& inFile(const std::string& file) {
    if (file_.empty()) file_ = file;
    return *this;
  }

  // One-line message: "Invalid Data File", "Invalid Record Declaration: SIZE",
  // "Possible data corruption in file NAME (n)".
  std::string ToString() const;

 private:
  Status(Code code, Check check, std::string item, std::string file)
      : code_(code), check_(check), item_(std::move(item)), file_(std::move(file)) {}

  Code code_ = Code::kOk;
  Check check_ = Check::kNone;
  std::string item_;
  std::string file_;
};

// Messages of error 47 that are not a single stream item.
inline constexpr char kNewerFormatMessage[] =
    "You are attempting to open a newer Kestrel file format than the driver supports";
inline constexpr char kKeyTooLongMessage[] =
    "Key components are more than a total of 7526 bytes long";

#define KESTREL_RETURN_IF_ERROR(expr)     \
  do {                                    \
    ::kestrel::Status _st = (expr);       \
    if (!_st.ok()) return _st;            \
  } while (0)

}  // namespace kestrel
