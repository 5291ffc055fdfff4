#include "runtime/kestrel/format/compress.h"

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

bool Compress(std::string_view plain, std::string* out) {
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
