#include "framework/data/constant_class.h"

#include <cstring>

#include "runtime/core/error_assert.h"

namespace fw {

namespace {

int64_t number(const ConstantClass::Value& v) {
  return std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) : 0;
}

std::string text(const ConstantClass::Value& v) {
  return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::to_string(number(v));
}

void assign(const ConstantClass::Destination& d, const ConstantClass::Value& v) {
  if (auto p = std::get_if<std::string*>(&d)) **p = text(v);
  else if (auto b = std::get_if<uint8_t*>(&d)) **b = uint8_t(number(v));
  else if (auto s = std::get_if<int16_t*>(&d)) **s = int16_t(number(v));
  else if (auto u = std::get_if<uint16_t*>(&d)) **u = uint16_t(number(v));
  else if (auto l = std::get_if<int32_t*>(&d)) **l = int32_t(number(v));
}

}  // namespace

void ConstantClass::Init(uint8_t termination) {
  Str.clear();
  HasTable = false;
  SourceSize = 0;
  Descriptors.clear();
  Termination = termination;
  TerminatorValue = std::monostate{};
  Complete = 0;
  Reset();
}

void ConstantClass::AddItem(uint8_t itemType, Destination variable) {
  if (itemType < Item_CString || itemType > Item_Long || std::holds_alternative<std::monostate>(variable)) {
    rt::assertionFailed("ConstantClass: item not added");
    return;
  }
  Descriptors.push_back({itemType, variable});
}

void ConstantClass::Set(const std::string& table) {
  Str = table;
  HasTable = true;
  SourceSize = int32_t(table.size());
  Reset();
}

void ConstantClass::Reset() {
  RecordPnt = 1;
  CharPnt = 1;
  Complete = 0;
  overrun_ = false;
  Items = 0;
  if (!HasTable) return;
  if (Termination == Term_Byte) Items = GetByte();
  if (Termination == Term_UShort) Items = GetUShort();
}

bool ConstantClass::take(size_t n, const char*& at) {
  size_t pos = size_t(CharPnt - 1);
  if (pos + n > Str.size()) {
    if (!overrun_) rt::assertionFailed("ConstantClass: read past the end of the table");
    overrun_ = true;
    CharPnt = SourceSize + 1;
    return false;
  }
  at = Str.data() + pos;
  CharPnt += int32_t(n);
  return true;
}

uint8_t ConstantClass::GetByte() {
  const char* p;
  return take(1, p) ? uint8_t(p[0]) : 0;
}

uint16_t ConstantClass::GetUShort() {
  const char* p;
  if (!take(2, p)) return 0;
  return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
}

int16_t ConstantClass::GetShort() { return int16_t(GetUShort()); }

int32_t ConstantClass::GetLong() {
  const char* p;
  if (!take(4, p)) return 0;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(p[i]);
  return int32_t(v);
}

std::string ConstantClass::GetCString() {
  size_t pos = size_t(CharPnt - 1);
  size_t zero = pos < Str.size() ? Str.find('\0', pos) : std::string::npos;
  if (zero == std::string::npos || zero - pos > 1024) {
    const char* p;
    take(Str.size() + 1, p);  // reports the overrun
    return {};
  }
  std::string s = Str.substr(pos, zero - pos);
  CharPnt = int32_t(zero + 2);
  return s;
}

std::string ConstantClass::GetPString() {
  uint8_t n = GetByte();
  const char* p;
  if (overrun_ || !take(n, p)) return {};
  return std::string(p, n);
}

ConstantClass::Value ConstantClass::readItem(const Descriptor& d, bool& ok) {
  Value v;
  switch (d.ItemType) {
    case Item_CString: v = GetCString(); break;
    case Item_PString: v = GetPString(); break;
    case Item_Byte: v = int64_t(GetByte()); break;
    case Item_Short: v = int64_t(GetShort()); break;
    case Item_UShort: v = int64_t(GetUShort()); break;
    case Item_Long: v = int64_t(GetLong()); break;
    default: rt::assertionFailed("ConstantClass: unknown item type"); ok = false; return v;
  }
  if (overrun_) {
    ok = false;
    return v;
  }
  assign(d.Dest, v);
  return v;
}

Level ConstantClass::Next() {
  if (Complete) return Level::Notify;
  if (Termination == Term_UShort || Termination == Term_Byte) {
    if (RecordPnt > Items) {
      Complete = 1;
      return Level::Notify;
    }
  } else if (CharPnt > SourceSize) {
    Complete = 1;
    return Level::Notify;
  }
  for (size_t i = 0; i < Descriptors.size(); ++i) {
    bool ok = true;
    Value v = readItem(Descriptors[i], ok);
    if (!ok) {  // a damaged table ends the walk instead of repeating the failure
      Complete = 1;
      return Level::Notify;
    }
    if (Termination == Term_FieldValue && i + 1 == TerminatorField && v == TerminatorValue) {
      Complete = 1;
      if (!TerminatorInclude) return Level::Notify;
    }
  }
  ++RecordPnt;
  return Level::Benign;
}

void ConstantClass::Kill() {
  Complete = 1;
  Descriptors.clear();
  Str.clear();
  HasTable = false;
  SourceSize = 0;
}

}  // namespace fw
