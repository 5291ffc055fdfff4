#include "framework/data/error_block.h"

#include <algorithm>

namespace fw {

namespace {

class Reader {
 public:
  explicit Reader(ErrorBlock b) : b_(b) {}
  bool u8(uint8_t& v) {
    if (pos_ + 1 > b_.size()) return false;
    v = b_[pos_++];
    return true;
  }
  bool u16(uint16_t& v) {
    uint8_t lo, hi;
    if (!u8(lo) || !u8(hi)) return false;
    v = uint16_t(lo | (hi << 8));
    return true;
  }
  bool text(std::string& s) {
    uint8_t n;
    if (!u8(n) || pos_ + n > b_.size()) return false;
    s.assign(reinterpret_cast<const char*>(b_.data() + pos_), n);
    pos_ += n;
    return true;
  }

 private:
  ErrorBlock b_;
  size_t pos_ = 0;
};

void putText(std::vector<uint8_t>& out, const std::string& s) {
  size_t n = std::min<size_t>(s.size(), 255);
  out.push_back(uint8_t(n));
  out.insert(out.end(), s.begin(), s.begin() + n);
}

}  // namespace

bool ReadErrorBlock(ErrorBlock block, std::vector<ErrorEntryGroup>& out) {
  Reader r(block);
  uint16_t count;
  if (!r.u16(count)) return false;
  for (uint16_t i = 0; i < count; ++i) {
    ErrorEntryGroup e;
    uint16_t id;
    uint8_t level;
    if (!r.u16(id) || !r.u8(level) || !r.text(e.Title) || !r.text(e.Message)) return false;
    e.Id = id;
    e.Fatality = Level(level);
    out.push_back(std::move(e));
  }
  return true;
}

std::vector<uint8_t> MakeErrorBlock(const std::vector<ErrorEntryGroup>& entries) {
  size_t count = std::min<size_t>(entries.size(), 0xFFFF);
  std::vector<uint8_t> out{uint8_t(count & 0xFF), uint8_t(count >> 8)};
  for (size_t i = 0; i < count; ++i) {
    const ErrorEntryGroup& e = entries[i];
    out.push_back(uint8_t(e.Id & 0xFF));
    out.push_back(uint8_t((e.Id >> 8) & 0xFF));
    out.push_back(uint8_t(e.Fatality));
    putText(out, e.Title);
    putText(out, e.Message);
  }
  return out;
}

}  // namespace fw
