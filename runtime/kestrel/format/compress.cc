#include "runtime/kestrel/format/compress.h"

#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

namespace {

bool RunAt(const char* d, size_t k) { return d[k] == d[k + 1] && d[k] == d[k + 2] && d[k] == d[k + 3]; }

// First position from `from` on where 4 equal bytes start, or npos.
size_t FindRun(std::string_view plain, size_t from) {
  const size_t n = plain.size();
  const char* d = plain.data();
  size_t i = from;
  // Six starting places per step: z has a zero byte where a byte equals the
  // next one; y a zero byte where three such pairs follow each other, which
  // is a run of 4. The zero-byte test below is exact (no carries between
  // bytes); the top two bytes of y see past the window and are masked off.
  static_assert(std::endian::native == std::endian::little, "byte j of a word is d[i + j]");
  constexpr uint64_t kSeven = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kLanes = 0x0000808080808080ull;
#ifdef __SSE2__
  // Bit j of `pairs` is set where d[i + j] equals the byte after it; a run
  // of 4 starts where three such bits follow each other. The last two bits
  // cannot see their third pair, so a step of 64 covers 62 starting places
  // (and one of 16 covers 14).
  auto pairs_at = [d](size_t at) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at + 1));
    return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))));
  };
  while (i + 65 <= n) {
    const uint64_t pairs = pairs_at(i) | pairs_at(i + 16) << 16 | pairs_at(i + 32) << 32 | pairs_at(i + 48) << 48;
    const uint64_t runs = pairs & (pairs >> 1) & (pairs >> 2) & ((uint64_t{1} << 62) - 1);
    if (runs != 0) return i + static_cast<size_t>(__builtin_ctzll(runs));
    i += 62;
  }
  while (i + 17 <= n) {
    const uint64_t pairs = pairs_at(i);
    const uint64_t runs = pairs & (pairs >> 1) & (pairs >> 2) & 0x3FFF;
    if (runs != 0) return i + static_cast<size_t>(__builtin_ctzll(runs));
    i += 14;
  }
#endif
  while (i + 9 <= n) {
    uint64_t a, b;
    std::memcpy(&a, d + i, 8);
    std::memcpy(&b, d + i + 1, 8);
    const uint64_t z = a ^ b;
    const uint64_t y = z | (z >> 8) | (z >> 16);
    const uint64_t zero = ~(((y & kSeven) + kSeven) | y | kSeven) & kLanes;
    if (zero != 0) return i + static_cast<size_t>(__builtin_ctzll(zero)) / 8;
    i += 6;
  }
  for (size_t k = i; k + 3 < n; ++k) {
    if (RunAt(d, k)) return k;
  }
  return std::string_view::npos;
}

}  // namespace

bool HasRun(std::string_view plain) { return FindRun(plain, 0) != std::string_view::npos; }

bool Compress(std::string_view plain, std::string* out) {
  // Without a run there is nothing to code: spare the copy.
  size_t p = FindRun(plain, 0);
  if (p == std::string_view::npos) return false;
  out->clear();
  out->reserve(plain.size() + 8);
  size_t pending = 0;  // first byte not yet emitted
  // The search restarts where the last run ended, so each run found is the
  // start of a maximal run of equal bytes.
  while (p != std::string_view::npos) {
    size_t n = 4;
    while (p + n < plain.size() && plain[p + n] == plain[p]) ++n;
    AppendCount(out, p + 1 - pending);
    out->append(plain.data() + pending, p + 1 - pending);
    AppendCount(out, n - 1);
    pending = p + n;
    p = FindRun(plain, pending);
  }
  AppendCount(out, plain.size() - pending);
  out->append(plain.data() + pending, plain.size() - pending);
  return true;
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
