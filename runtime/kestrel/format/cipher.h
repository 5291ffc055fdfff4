// The page cipher of files opened with an owner password: 64-byte blocks are
// scrambled as 16 little-endian 32-bit words under a 64-byte key derived
// from the password. Nothing in the file says that it is scrambled.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr size_t kCipherBlockSize = 64;

struct CipherKey {
  std::array<uint8_t, kCipherBlockSize> bytes{};
};

CipherKey MakeCipherKey(std::string_view password);

void ScrambleBlock(const CipherKey& key, uint8_t* block);
void UnscrambleBlock(const CipherKey& key, uint8_t* block);

// Whole buffers, block by block; a length that is not a multiple of 64 fails
// kUnalignedIo and leaves the buffer as it was.
Status Scramble(const CipherKey& key, char* data, size_t length);
Status Unscramble(const CipherKey& key, char* data, size_t length);

}  // namespace kestrel
