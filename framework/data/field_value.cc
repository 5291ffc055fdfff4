#include "framework/data/field_value.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "runtime/core/file_decl_builder.h"

namespace fw {

namespace {

bool Numeric(rt::FieldType t) { return rt::isIntegerType(t) || rt::isDecimalType(t); }

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

rt::FileDeclPtr ValueDecl(const rt::FieldRef& like) {
  rt::FieldType type = rt::FieldType::kString;
  uint16_t size = 1;
  uint8_t places = 0;
  if (like.valid()) {
    const rt::FieldDecl& d = like.decl();
    size = std::max<uint16_t>(1, d.elementSize());
    places = d.places;
    // A group is held as the raw bytes it covers.
    type = d.type == rt::FieldType::kGroup ? rt::FieldType::kString : d.type;
  }
  rt::FileDeclBuilder b("VALUE", "", "");
  b.Field("VALUE", type, size, 1, places);
  rt::FileDeclPtr decl = b.Build();
  if (!decl) {  // a declaration the builder refuses: keep the bytes as text
    rt::FileDeclBuilder text("VALUE", "", "");
    text.String("VALUE", size);
    decl = text.Build();
  }
  return decl;
}

}  // namespace

FieldValue::FieldValue(const rt::FieldRef& like)
    : block_(std::make_unique<rt::FileControlBlock>(ValueDecl(like))) {}

rt::FieldRef FieldValue::ref() const { return rt::FieldRef{block_.get(), 0, 0}; }

bool SameValue(const rt::FieldRef& a, const rt::FieldRef& b) {
  if (!a.valid() || !b.valid()) return a.valid() == b.valid();
  const rt::FieldType ta = a.decl().type, tb = b.decl().type;
  if (Numeric(ta) && Numeric(tb)) {
    auto x = rt::getDecimal(*a.file, a.field, a.element);
    auto y = rt::getDecimal(*b.file, b.field, b.element);
    if (x && y) return *x == *y;
  }
  return rt::getValueText(a).value_or("") == rt::getValueText(b).value_or("");
}

bool SameUpperText(const rt::FieldRef& a, const rt::FieldRef& b) {
  if (!a.valid() || !b.valid()) return a.valid() == b.valid();
  return Upper(rt::getValueText(a).value_or("")) == Upper(rt::getValueText(b).value_or(""));
}

void ClearValue(const rt::FieldRef& f) {
  if (!f.valid()) return;
  std::span<uint8_t> bytes = rt::fieldBytes(*f.file, f.field, f.element);
  const bool blank = f.decl().type == rt::FieldType::kString || f.decl().type == rt::FieldType::kGroup;
  std::fill(bytes.begin(), bytes.end(), blank ? uint8_t(' ') : uint8_t(0));
}

void AssignValue(const rt::FieldRef& dst, const rt::FieldRef& src) {
  if (dst.valid() && src.valid()) rt::assignValue(dst, src);
}

}  // namespace fw
