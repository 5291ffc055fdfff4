// Memos and blobs of a data record are stored as memo segments (TN, 0xFC,
// id, memo number, segment number). A memo drops its trailing spaces and is
// cut into segments of up to 256 bytes; a blob is cut into segments of up to
// 10240 bytes, the first one preceded by the blob's total length (4 bytes LE).
// An empty memo or blob has no segment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kMemoSegmentSize = 256;
inline constexpr size_t kBlobSegmentSize = 10240;
inline constexpr size_t kMaxMemoSize = 64000;

// The segments of one memo (blob = false) or blob (blob = true), in order.
std::vector<std::string> SplitMemo(std::string_view text, bool blob);

// Joins stored segments. A memo is padded with spaces to `declared_size`
// (and fails kMemoSegments when it is longer, or a segment exceeds 256
// bytes); a blob must hold exactly its recorded length.
Status JoinMemo(const std::vector<std::string>& segments, bool blob, size_t declared_size,
                std::string* out);

}  // namespace kestrel
