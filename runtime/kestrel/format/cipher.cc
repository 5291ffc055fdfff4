#include "runtime/kestrel/format/cipher.h"

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

namespace {

using Words = std::array<uint32_t, 16>;

Words Load(const uint8_t* p) {
  Words w;
  for (int i = 0; i < 16; ++i) w[i] = Get32LE(reinterpret_cast<const char*>(p) + 4 * i);
  return w;
}

void Save(const Words& w, uint8_t* p) {
  for (int i = 0; i < 16; ++i) Put32LE(reinterpret_cast<char*>(p) + 4 * i, w[i]);
}

// `k` may be `w` itself: each step reads the key word as it is at that moment.
void ScrambleWords(Words& w, const Words& k) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t ki = k[i];
    const int j = static_cast<int>(ki & 15);
    const uint32_t a = w[i], b = w[j];
    w[j] = ((b & ki) | (a & ~ki)) + ki;
    w[i] = ((a & ki) | (b & ~ki)) + ki;
  }
}

void UnscrambleWords(Words& w, const Words& k) {
  for (int i = 15; i >= 0; --i) {
    const uint32_t ki = k[i];
    const int j = static_cast<int>(ki & 15);
    const uint32_t x = w[i] - ki, y = w[j] - ki;
    w[i] = (x & ki) | (y & ~ki);
    w[j] = (y & ki) | (x & ~ki);
  }
}

}  // namespace

CipherKey MakeCipherKey(std::string_view p) {
  // The character sequence p[1] .. p[n-1], the terminating zero, p[0], repeated.
  std::string cycle;
  if (!p.empty()) cycle.append(p.substr(1));
  cycle.push_back('\0');
  if (!p.empty()) cycle.push_back(p[0]);
  CipherKey key;
  for (size_t i = 0; i < kCipherBlockSize; ++i) {
    const auto c = static_cast<uint8_t>(cycle[i % cycle.size()]);
    key.bytes[(i * 17) % 64] = static_cast<uint8_t>(c + i);
  }
  Words w = Load(key.bytes.data());
  ScrambleWords(w, w);
  ScrambleWords(w, w);
  Save(w, key.bytes.data());
  return key;
}

void ScrambleBlock(const CipherKey& key, uint8_t* block) {
  Words w = Load(block);
  ScrambleWords(w, Load(key.bytes.data()));
  Save(w, block);
}

void UnscrambleBlock(const CipherKey& key, uint8_t* block) {
  Words w = Load(block);
  UnscrambleWords(w, Load(key.bytes.data()));
  Save(w, block);
}

Status Scramble(const CipherKey& key, char* data, size_t length) {
  if (length % kCipherBlockSize != 0) return Status::Corruption(Check::kUnalignedIo);
  for (size_t i = 0; i < length; i += kCipherBlockSize) {
    ScrambleBlock(key, reinterpret_cast<uint8_t*>(data + i));
  }
  return Status::OK();
}

Status Unscramble(const CipherKey& key, char* data, size_t length) {
  if (length % kCipherBlockSize != 0) return Status::Corruption(Check::kUnalignedIo);
  for (size_t i = 0; i < length; i += kCipherBlockSize) {
    UnscrambleBlock(key, reinterpret_cast<uint8_t*>(data + i));
  }
  return Status::OK();
}

}  // namespace kestrel
