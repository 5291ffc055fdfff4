// Builds a file declaration field by field, the way a dictionary states it.
//
//   FileDeclBuilder b("QVLIBRETA", "QVL", "QVLIBRETA.KRL");
//   b.Long("QVL:NRO_REGISTRO").String("QVL:SEXO", 10)
//    .Decimal("QVL:ETAPA", 4, 2, /*elements=*/30)
//    .Key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {"QVL:NRO_REGISTRO"})
//    .Memo("QVL:NOTE", 1000);
//   FileDeclPtr decl = b.Build();   // nullptr, with error(), when inconsistent
//
// Fields are placed one after another unless At(offset) places the next
// one. A key component written with a leading "-" is descending.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/file_decl.h"

namespace rt {

class FileDeclBuilder {
 public:
  FileDeclBuilder(std::string label, std::string prefix, std::string name,
                  std::string driver = "KESTREL");

  FileDeclBuilder& Attributes(uint32_t attributes);
  FileDeclBuilder& DriverString(std::string switches);

  // The next field starts at `offset` (overlays: an offset inside earlier
  // storage marks the field as overlay).
  FileDeclBuilder& At(uint16_t offset);

  // `size` is the size of one element; the field takes size * elements.
  FileDeclBuilder& Field(std::string label, FieldType type, uint16_t size, uint16_t elements = 1,
                         uint8_t places = 0);
  FileDeclBuilder& Byte(std::string label, uint16_t elements = 1);
  FileDeclBuilder& Short(std::string label, uint16_t elements = 1);
  FileDeclBuilder& UShort(std::string label, uint16_t elements = 1);
  FileDeclBuilder& Long(std::string label, uint16_t elements = 1);
  FileDeclBuilder& ULong(std::string label, uint16_t elements = 1);
  FileDeclBuilder& Date(std::string label, uint16_t elements = 1);
  FileDeclBuilder& String(std::string label, uint16_t chars, uint16_t elements = 1);
  FileDeclBuilder& CString(std::string label, uint16_t chars, uint16_t elements = 1);
  FileDeclBuilder& PString(std::string label, uint16_t chars, uint16_t elements = 1);
  // Packed decimal of `bytes` bytes (2 * bytes - 1 digits) with `places`.
  FileDeclBuilder& Decimal(std::string label, uint16_t bytes, uint8_t places, uint16_t elements = 1);
  // Picture of the last text field.
  FileDeclBuilder& Picture(std::string picture);

  // A group: the fields declared until EndGroup are its members; its size
  // is theirs. Groups nest.
  FileDeclBuilder& Group(std::string label);
  FileDeclBuilder& EndGroup();

  FileDeclBuilder& Memo(std::string label, uint16_t size, uint16_t attributes = 0,
                        std::string external_name = {});
  FileDeclBuilder& Key(std::string label, uint8_t attributes,
                       std::initializer_list<std::string_view> components,
                       std::string external_name = {});

  // The declaration, or nullptr when it is inconsistent (unknown key
  // component, open group, record longer than 15000 bytes, a field
  // without size ...); error() then says why.
  FileDeclPtr Build();
  const std::string& error() const { return error_; }

 private:
  void fail(std::string message);

  struct PendingKey {
    std::vector<std::string> components;  // labels, "-" first when descending
  };

  FileDecl decl_;
  std::vector<PendingKey> pending_keys_;  // parallel to decl_.keys
  uint32_t next_offset_ = 0;
  uint32_t high_water_ = 0;  // end of the storage laid out so far
  std::vector<int> open_groups_;
  std::string error_;
};

}  // namespace rt
