#include "runtime/kestrel/format/compress.h"

#include <cstdint>
#include <cstring>

namespace kestrel {

void AppendCount(std::string* out, size_t n) {
  while (n >= 0x80) {
    out->push_back(static_cast<char>((n & 0x7F) | 0x80));
    n >>= 7;
  }
  out->push_back(static_cast<char>(n));
}

namespace {

// Reads one count; false on a truncated or over-long count.
bool ReadCount(std::string_view in, size_t* pos, size_t* n) {
  size_t value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (*pos >= in.size()) return false;
    const auto b = static_cast<uint8_t>(in[(*pos)++]);
    value |= size_t{b & 0x7Fu} << shift;
    if ((b & 0x80) == 0) {
      *n = value;
      return true;
    }
  }
  return false;
}

}  // namespace

bool HasRun(std::string_view plain) {
  const size_t n = plain.size();
  const char* d = plain.data();
  size_t i = 0;
  // Eight neighbour pairs at a time: a zero byte in w ^ (w >> 8 bits) marks
  // two equal bytes. The zero-byte test may flag a byte next to a real zero,
  // so a flagged word only sends us to the exact check.
  constexpr uint64_t kLow = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  while (i + 9 <= n) {
    uint64_t a, b;
    std::memcpy(&a, d + i, 8);
    std::memcpy(&b, d + i + 1, 8);
    const uint64_t z = a ^ b;
    if (((z - kLow) & ~z & kHigh) == 0) {
      i += 8;
      continue;
    }
    // A run of 4 touching this window starts before i + 8.
    for (size_t k = i; k < i + 8 && k + 3 < n; ++k) {
      if (d[k] == d[k + 1] && d[k] == d[k + 2] && d[k] == d[k + 3]) return true;
    }
    i += 8;
  }
  for (size_t k = i; k + 3 < n; ++k) {
    if (d[k] == d[k + 1] && d[k] == d[k + 2] && d[k] == d[k + 3]) return true;
  }
  return false;
}

bool Compress(std::string_view plain, std::string* out) {
  // Without a run there is nothing to code: spare the copy.
  if (!HasRun(plain)) return false;
  out->clear();
  out->reserve(plain.size() / 2 + 8);
  bool coded_run = false;
  size_t pending = 0;  // first byte not yet emitted
  size_t p = 0;
  while (p < plain.size()) {
    size_t n = 1;
    while (p + n < plain.size() && plain[p + n] == plain[p]) ++n;
    if (n >= 4) {
      AppendCount(out, p + 1 - pending);
      out->append(plain.data() + pending, p + 1 - pending);
      AppendCount(out, n - 1);
      coded_run = true;
      pending = p + n;
    }
    p += n;
  }
  AppendCount(out, plain.size() - pending);
  out->append(plain.data() + pending, plain.size() - pending);
  return coded_run;
}

Status Decompress(std::string_view in, size_t plain_length, std::string* out) {
  const Status bad = Status::Corruption(Check::kCompressionCount);
  out->clear();
  out->reserve(plain_length);
  size_t pos = 0;
  while (true) {
    size_t literal = 0;
    if (!ReadCount(in, &pos, &literal)) return bad;
    if (literal > plain_length - out->size() || literal > in.size() - pos) return bad;
    out->append(in.data() + pos, literal);
    pos += literal;
    if (out->size() == plain_length) return Status::OK();
    size_t repeat = 0;
    if (!ReadCount(in, &pos, &repeat)) return bad;
    if (repeat > plain_length - out->size() || (repeat > 0 && out->empty())) return bad;
    out->append(repeat, out->empty() ? '\0' : out->back());
    if (out->size() == plain_length) return Status::OK();
  }
}

}  // namespace kestrel
