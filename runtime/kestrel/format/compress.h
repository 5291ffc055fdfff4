// Run-length compression of a page's record stream.
//
// The compressed stream alternates a literal count L followed by L bytes and,
// unless the plain stream is complete, a repeat count R meaning "repeat the
// last output byte R more times". Counts use 7 bits per byte, least
// significant group first, 0x80 on every byte that another byte follows.
// Only runs of 4 or more equal bytes are coded as repeats.
#pragma once

#include <string>
#include <string_view>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

// Compresses `plain` into `*out`. Returns false (and leaves *out unspecified)
// when no run was coded: compression does not pay.
bool Compress(std::string_view plain, std::string* out);

// True when `plain` holds a run of 4 or more equal bytes.
bool HasRun(std::string_view plain);

// Expands `compressed` into exactly `plain_length` bytes. A count beyond the
// bytes still expected, or input that ends early, fails kCompressionCount.
Status Decompress(std::string_view compressed, size_t plain_length, std::string* out);

// Variable-length count coding shared by both directions.
void AppendCount(std::string* out, size_t n);

}  // namespace kestrel
