// The record stream of a page: records in key order, each as
//   flag byte (0x80: record length follows, 0x40: key length follows,
//              low 6 bits: bytes shared with the previous record)
//   [record length, 16-bit LE] [key length, 16-bit LE]
//   the record's bytes from the shared prefix on.
// A length that is not flagged repeats the previous record's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kMaxSharedPrefix = 63;

// Appends the stream of `records` to `*out`. Records of kMaxRecordLength + 1
// bytes or more, or with a key longer than the record, fail.
Status EncodeRecordStream(const std::vector<Record>& records, std::string* out);

// The length of the stream EncodeRecordStream would append, and whether it
// holds a run of 4 equal bytes, without building it; the same failures.
Status MeasureRecordStream(const std::vector<Record>& records, size_t* size, bool* has_run);

// One decoded record inside a buffer shared by the records of its page.
struct PackedRecord {
  uint32_t offset = 0;  // where its bytes start in the buffer
  uint16_t length = 0;
  uint16_t key_length = 0;
  uint32_t child = 0;
};

// Decodes exactly `count` records that must consume all of `stream`.
// Child references are left 0.
Status DecodeRecordStream(std::string_view stream, size_t count, std::vector<Record>* out);
// The same decoding, with the bytes of all records written one after
// another into `*bytes` (replaced) rather than one string per record. With
// `check_order`, keys must also increase strictly: equal keys fail
// kDuplicateKey, keys out of order kTreeShape (after any stream failure).
Status DecodeRecordStreamPacked(std::string_view stream, size_t count, std::string* bytes,
                                std::vector<PackedRecord>* out, bool check_order = false);

}  // namespace kestrel
