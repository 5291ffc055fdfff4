#include "runtime/core/file_decl_builder.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace rt {

namespace {

constexpr uint32_t kMaxRecordLength = 15000;

bool sameLabel(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

FileDeclBuilder::FileDeclBuilder(std::string label, std::string prefix, std::string name,
                                 std::string driver) {
  decl_.label = std::move(label);
  decl_.prefix = std::move(prefix);
  decl_.name = std::move(name);
  decl_.driver = std::move(driver);
}

void FileDeclBuilder::fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
}

FileDeclBuilder& FileDeclBuilder::Attributes(uint32_t attributes) {
  decl_.attributes = attributes;
  return *this;
}

FileDeclBuilder& FileDeclBuilder::DriverString(std::string switches) {
  decl_.driver_string = std::move(switches);
  return *this;
}

FileDeclBuilder& FileDeclBuilder::At(uint16_t offset) {
  next_offset_ = offset;
  return *this;
}

FileDeclBuilder& FileDeclBuilder::Field(std::string label, FieldType type, uint16_t size,
                                        uint16_t elements, uint8_t places) {
  uint32_t total = static_cast<uint32_t>(size) * elements;
  if (size == 0 || elements == 0) fail("field " + label + " has no size");
  if (next_offset_ + total > kMaxRecordLength) fail("record longer than 15000 bytes at " + label);
  if (isDecimalType(type) && (size > 16 || places > 2 * size - 1)) fail("bad decimal " + label);
  for (const FieldDecl& f : decl_.fields) {
    if (sameLabel(f.label, label)) fail("field " + label + " declared twice");
  }
  FieldDecl f;
  f.label = std::move(label);
  f.type = type;
  f.offset = static_cast<uint16_t>(std::min(next_offset_, kMaxRecordLength));
  f.size = static_cast<uint16_t>(std::min(total, kMaxRecordLength));
  f.elements = elements;
  f.places = places;
  f.position = static_cast<uint16_t>(decl_.fields.size());
  f.group = open_groups_.empty() ? -1 : static_cast<int16_t>(open_groups_.back());
  f.overlay = next_offset_ < high_water_ || (f.group >= 0 && decl_.fields[f.group].overlay);
  decl_.fields.push_back(std::move(f));
  next_offset_ += total;
  high_water_ = std::max(high_water_, next_offset_);
  return *this;
}

FileDeclBuilder& FileDeclBuilder::Byte(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kByte, 1, elements);
}
FileDeclBuilder& FileDeclBuilder::Short(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kShort, 2, elements);
}
FileDeclBuilder& FileDeclBuilder::UShort(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kUShort, 2, elements);
}
FileDeclBuilder& FileDeclBuilder::Long(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kLong, 4, elements);
}
FileDeclBuilder& FileDeclBuilder::ULong(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kULong, 4, elements);
}
FileDeclBuilder& FileDeclBuilder::Date(std::string label, uint16_t elements) {
  return Field(std::move(label), FieldType::kDate, 4, elements);
}
FileDeclBuilder& FileDeclBuilder::String(std::string label, uint16_t chars, uint16_t elements) {
  return Field(std::move(label), FieldType::kString, chars, elements);
}
FileDeclBuilder& FileDeclBuilder::CString(std::string label, uint16_t chars, uint16_t elements) {
  return Field(std::move(label), FieldType::kCString, chars, elements);
}
FileDeclBuilder& FileDeclBuilder::PString(std::string label, uint16_t chars, uint16_t elements) {
  return Field(std::move(label), FieldType::kPString, chars, elements);
}
FileDeclBuilder& FileDeclBuilder::Decimal(std::string label, uint16_t bytes, uint8_t places,
                                          uint16_t elements) {
  return Field(std::move(label), FieldType::kDecimal, bytes, elements, places);
}

FileDeclBuilder& FileDeclBuilder::Picture(std::string picture) {
  if (decl_.fields.empty() || !isTextType(decl_.fields.back().type)) {
    fail("picture " + picture + " without a text field");
  } else {
    decl_.fields.back().picture = std::move(picture);
  }
  return *this;
}

FileDeclBuilder& FileDeclBuilder::Group(std::string label) {
  FieldDecl g;
  g.label = std::move(label);
  g.type = FieldType::kGroup;
  g.offset = static_cast<uint16_t>(std::min(next_offset_, kMaxRecordLength));
  g.position = static_cast<uint16_t>(decl_.fields.size());
  g.group = open_groups_.empty() ? -1 : static_cast<int16_t>(open_groups_.back());
  g.overlay = next_offset_ < high_water_ || (g.group >= 0 && decl_.fields[g.group].overlay);
  open_groups_.push_back(static_cast<int>(decl_.fields.size()));
  decl_.fields.push_back(std::move(g));
  return *this;
}

FileDeclBuilder& FileDeclBuilder::EndGroup() {
  if (open_groups_.empty()) {
    fail("EndGroup without Group");
    return *this;
  }
  FieldDecl& g = decl_.fields[open_groups_.back()];
  open_groups_.pop_back();
  if (next_offset_ <= g.offset) {
    fail("group " + g.label + " is empty");
  } else {
    g.size = static_cast<uint16_t>(next_offset_ - g.offset);
  }
  return *this;
}

FileDeclBuilder& FileDeclBuilder::Memo(std::string label, uint16_t size, uint16_t attributes,
                                       std::string external_name) {
  if (size == 0 && (attributes & kMemoBlob) == 0) fail("memo " + label + " has no size");
  MemoDecl m;
  m.label = std::move(label);
  m.external_name = std::move(external_name);
  m.size = size;
  m.attributes = attributes;
  decl_.memos.push_back(std::move(m));
  return *this;
}

FileDeclBuilder& FileDeclBuilder::Key(std::string label, uint8_t attributes,
                                      std::initializer_list<std::string_view> components,
                                      std::string external_name) {
  KeyDecl k;
  k.label = std::move(label);
  k.external_name = std::move(external_name);
  k.attributes = attributes;
  PendingKey pending;
  for (std::string_view c : components) pending.components.emplace_back(c);
  if (pending.components.empty() && (attributes & kKeyDynamic) == 0)
    fail("key " + k.label + " has no components");
  decl_.keys.push_back(std::move(k));
  pending_keys_.push_back(std::move(pending));
  return *this;
}

FileDeclPtr FileDeclBuilder::Build() {
  if (!open_groups_.empty()) fail("group " + decl_.fields[open_groups_.back()].label + " not ended");
  for (size_t i = 0; i < decl_.keys.size(); ++i) {
    KeyDecl& k = decl_.keys[i];
    k.components.clear();
    for (const std::string& c : pending_keys_[i].components) {
      bool descending = !c.empty() && c[0] == '-';
      std::string_view label = descending ? std::string_view(c).substr(1) : std::string_view(c);
      int field = decl_.findField(label);
      if (field < 0) {
        fail("key " + k.label + ": unknown component " + std::string(label));
        continue;
      }
      if (decl_.fields[field].type == FieldType::kGroup) {
        fail("key " + k.label + ": component " + std::string(label) + " is a group");
        continue;
      }
      k.components.push_back({static_cast<uint16_t>(field), descending});
    }
  }
  if (!error_.empty()) return nullptr;
  decl_.record_length = static_cast<uint16_t>(high_water_);
  return std::make_shared<const FileDecl>(decl_);
}

}  // namespace rt
