#include "runtime/kestrel/format/coding.h"

#include <cstring>

namespace kestrel {

int CompareKeys(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  if (n > 0) {
    int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string HexBytes(std::string_view s) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (i) out.push_back(' ');
    uint8_t b = Byte(s, i);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

}  // namespace kestrel
