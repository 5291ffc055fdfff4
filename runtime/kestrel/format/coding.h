// Fixed-width integer access in byte strings. Counts and sizes on disk are
// little-endian; numbers that take part in record keys are big-endian so that
// byte-wise comparison orders them numerically.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrel {

inline uint8_t Byte(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

inline uint16_t Get16LE(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(u[0] | (u[1] << 8));
}
inline uint32_t Get32LE(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return uint32_t{u[0]} | (uint32_t{u[1]} << 8) | (uint32_t{u[2]} << 16) | (uint32_t{u[3]} << 24);
}
inline uint16_t Get16BE(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return static_cast<uint16_t>((u[0] << 8) | u[1]);
}
inline uint32_t Get32BE(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | uint32_t{u[3]};
}

inline void Put16LE(char* p, uint16_t v) {
  p[0] = static_cast<char>(v);
  p[1] = static_cast<char>(v >> 8);
}
inline void Put32LE(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}
inline void Put16BE(char* p, uint16_t v) {
  p[0] = static_cast<char>(v >> 8);
  p[1] = static_cast<char>(v);
}
inline void Put32BE(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * (3 - i)));
}

inline void Append16LE(std::string* s, uint16_t v) {
  char b[2];
  Put16LE(b, v);
  s->append(b, 2);
}
inline void Append32LE(std::string* s, uint32_t v) {
  char b[4];
  Put32LE(b, v);
  s->append(b, 4);
}
inline void Append16BE(std::string* s, uint16_t v) {
  char b[2];
  Put16BE(b, v);
  s->append(b, 2);
}
inline void Append32BE(std::string* s, uint32_t v) {
  char b[4];
  Put32BE(b, v);
  s->append(b, 4);
}

// Unsigned byte-wise comparison; a proper prefix is the smaller key.
// Inline: every tree search and page check runs it per record.
inline int CompareKeys(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  if (n > 0) {
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Readable dump of bytes as "7F FF 00" for messages and test failures.
std::string HexBytes(std::string_view s);

}  // namespace kestrel
