// Test helper: byte strings written as hex, "7F FF 00".
#pragma once

#include <string>
#include <string_view>

namespace kestrel::testing {

inline std::string Hex(std::string_view text) {
  std::string out;
  int nibbles = 0;
  unsigned value = 0;
  for (char c : text) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) continue;
    value = value * 16 + static_cast<unsigned>(d);
    if (++nibbles == 2) {
      out.push_back(static_cast<char>(value));
      nibbles = 0;
      value = 0;
    }
  }
  return out;
}

}  // namespace kestrel::testing
