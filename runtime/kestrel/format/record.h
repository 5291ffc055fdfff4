// One record of the file's tree: its bytes are its key (the first key_length
// bytes) followed by its value. On index pages the record is a key only and
// `child` is the page reference of the child page it leads to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// Records of 15094 bytes or more cannot be stored.
inline constexpr size_t kMaxRecordLength = 15093;

struct Record {
  std::string bytes;
  uint16_t key_length = 0;
  uint32_t child = 0;

  Record() = default;
  Record(std::string_view key, std::string_view value, uint32_t child_ref = 0)
      : bytes(std::string(key).append(value)),
        key_length(static_cast<uint16_t>(key.size())),
        child(child_ref) {}

  std::string_view key() const { return std::string_view(bytes).substr(0, key_length); }
  std::string_view value() const { return std::string_view(bytes).substr(key_length); }

  bool operator==(const Record&) const = default;
};

}  // namespace kestrel
