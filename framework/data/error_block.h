// A message table packed into bytes, loaded by ErrorClass::AddErrors in one go.
//
// Layout, integers little-endian:
//   u16 entry count, then per entry:
//   u16 identifier, u8 level, u8 title length, title bytes,
//   u8 message length, message bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/data/error_entry.h"

namespace fw {

using ErrorBlock = std::span<const uint8_t>;

// Appends the block's entries to `out` with empty categories. Returns false
// when the block ends inside an entry; the entries before it are appended.
bool ReadErrorBlock(ErrorBlock block, std::vector<ErrorEntryGroup>& out);

// Packs `entries` (identifiers taken modulo 2^16; titles and messages cut to
// 255 bytes; at most 65535 entries).
std::vector<uint8_t> MakeErrorBlock(const std::vector<ErrorEntryGroup>& entries);

// The built-in message table.
ErrorBlock DefaultErrors();

}  // namespace fw
