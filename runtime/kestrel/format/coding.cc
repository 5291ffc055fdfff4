#include "runtime/kestrel/format/coding.h"

#include <cstring>

namespace kestrel {

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
