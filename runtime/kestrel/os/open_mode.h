#pragma once

namespace kestrel {

// The runtime's open mode: access in the low nibble, sharing in the high one.
inline constexpr int kAccessRead = 0x00;
inline constexpr int kAccessWrite = 0x01;
inline constexpr int kAccessReadWrite = 0x02;
inline constexpr int kAccessMask = 0x0F;
inline constexpr int kDenyAll = 0x10;
inline constexpr int kDenyWrite = 0x20;
inline constexpr int kDenyRead = 0x30;
inline constexpr int kDenyNone = 0x40;
inline constexpr int kShareMask = 0xF0;

// Open mode with the defaults applied: no share bits means deny none.
inline int NormalizeOpenMode(int mode) {
  return (mode & kShareMask) == 0 ? mode | kDenyNone : mode;
}
inline int AccessOf(int mode) { return mode & kAccessMask; }
inline int ShareOf(int mode) { return NormalizeOpenMode(mode) & kShareMask; }
inline bool WantsRead(int mode) { return AccessOf(mode) != kAccessWrite; }
inline bool WantsWrite(int mode) { return AccessOf(mode) != kAccessRead; }
inline bool DeniesRead(int mode) {
  int s = ShareOf(mode);
  return s == kDenyAll || s == kDenyRead;
}
inline bool DeniesWrite(int mode) {
  int s = ShareOf(mode);
  return s == kDenyAll || s == kDenyWrite;
}

}  // namespace kestrel
