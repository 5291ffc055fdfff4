#pragma once

#include <cstdint>

namespace kestrel {

// Byte-range locks live beyond 2 GiB so they never cover data.
inline constexpr uint64_t kLockBase = uint64_t{1} << 31;
inline constexpr int kReaderSlots = 1023;
inline constexpr uint64_t kWriterByte = kLockBase + 0x3FF;
inline constexpr uint64_t kAllReadersOffset = kLockBase;
inline constexpr uint64_t kAllReadersLength = 0x3FF;

inline constexpr uint64_t ReaderSlotOffset(int slot) { return kLockBase + static_cast<uint64_t>(slot); }
// Lock n of the driver: record id + 1 for records, table number + 1 for tables.
inline constexpr uint64_t DriverLockOffset(uint32_t n) { return kLockBase + 0x400 + n; }

// Share-mode emulation bytes, far above every lock of the table above.
inline constexpr uint64_t kShareBase = uint64_t{1} << 40;
inline constexpr uint64_t kShareHasRead = kShareBase + 0;
inline constexpr uint64_t kShareHasWrite = kShareBase + 1;
inline constexpr uint64_t kShareDeniesRead = kShareBase + 2;
inline constexpr uint64_t kShareDeniesWrite = kShareBase + 3;

}  // namespace kestrel
