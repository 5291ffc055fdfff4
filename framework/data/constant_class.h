// Walks a packed table of constants record by record, filling the program's
// variables from each record's items.
//
//   ConstantClass c;
//   c.Init(Term_UShort);            // the table starts with a 16-bit record count
//   c.AddItem(Item_CString, &name);
//   c.AddItem(Item_Long, &value);
//   c.Set(table);
//   while (c.Next() == Level::Benign) use(name, value);
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "framework/data/level.h"

namespace fw {

enum ConstantItemType : uint8_t {
  Item_CString = 1,  // zero-terminated text
  Item_PString = 2,  // text with a length byte
  Item_Byte = 3,
  Item_Short = 4,
  Item_UShort = 5,
  Item_Long = 6,
};

enum ConstantTermination : uint8_t {
  Term_End = 1,         // the end of the table
  Term_UShort = 2,      // the table begins with an unsigned 16-bit record count
  Term_Byte = 3,        // the table begins with a one-byte record count
  Term_FieldValue = 4,  // a record whose item TerminatorField equals TerminatorValue
};

class ConstantClass {
 public:
  using Destination = std::variant<std::monostate, std::string*, uint8_t*, int16_t*, uint16_t*, int32_t*>;
  using Value = std::variant<std::monostate, std::string, int64_t>;

  struct Descriptor {
    uint8_t ItemType;
    Destination Dest;
  };

  ConstantClass() = default;
  ~ConstantClass() { Kill(); }
  ConstantClass(const ConstantClass&) = delete;
  ConstantClass& operator=(const ConstantClass&) = delete;

  void Init(uint8_t termination);
  void AddItem(uint8_t itemType, Destination variable);
  void Set(const std::string& table);
  void Reset();
  // Benign with the variables filled, or Notify at the end of the table.
  Level Next();
  void Kill();

  uint8_t GetByte();
  int16_t GetShort();
  uint16_t GetUShort();
  int32_t GetLong();
  std::string GetCString();
  std::string GetPString();

  int32_t CharPnt = 1;  // next byte to read, from 1
  uint16_t Items = 0;
  uint16_t RecordPnt = 1;
  int32_t SourceSize = 0;
  std::string Str;
  bool HasTable = false;
  uint8_t Termination = Term_End;
  Value TerminatorValue;
  uint16_t TerminatorField = 1;
  int32_t TerminatorInclude = 0;
  std::vector<Descriptor> Descriptors;
  int32_t Complete = 0;

 private:
  bool take(size_t n, const char*& at);  // false (and asserts) past the end
  Value readItem(const Descriptor& d, bool& ok);
  bool overrun_ = false;
};

}  // namespace fw
