#include "runtime/core/file_field.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

#include "runtime/core/std_date.h"
#include "runtime/core/trim.h"

namespace rt {

namespace {

struct IntRange {
  int64_t low;
  int64_t high;
};

// Width and range of the integer types; width 0 for any other type.
int intWidth(FieldType type, IntRange* range) {
  switch (type) {
    case FieldType::kByte: *range = {0, 255}; return 1;
    case FieldType::kShort: *range = {-32768, 32767}; return 2;
    case FieldType::kUShort: *range = {0, 65535}; return 2;
    case FieldType::kLong: *range = {INT32_MIN, INT32_MAX}; return 4;
    case FieldType::kULong: *range = {0, UINT32_MAX}; return 4;
    default: return 0;
  }
}

bool isSigned(FieldType type) { return type == FieldType::kShort || type == FieldType::kLong; }

uint64_t readLE(std::span<const uint8_t> b) {
  uint64_t v = 0;
  for (size_t i = b.size(); i-- > 0;) v = (v << 8) | b[i];
  return v;
}

void writeLE(std::span<uint8_t> b, uint64_t v) {
  for (uint8_t& byte : b) {
    byte = static_cast<uint8_t>(v);
    v >>= 8;
  }
}

// PDECIMAL: 2n-1 digits, the sign in the low nibble of the last byte
// (0xB or 0xD negative). Converted to and from the DECIMAL layout, whose
// sign is the high nibble of the first byte.
void pdecimalToDecimal(std::span<const uint8_t> in, std::vector<uint8_t>* out) {
  size_t n = in.size();
  out->assign(n, 0);
  uint8_t sign = in[n - 1] & 0x0F;
  // Digit nibbles in order: every high and low nibble but the last low one.
  std::vector<uint8_t> digits;
  for (size_t i = 0; i < n; ++i) {
    digits.push_back(in[i] >> 4);
    if (i + 1 < n) digits.push_back(in[i] & 0x0F);
  }
  (*out)[0] = static_cast<uint8_t>((sign == 0x0B || sign == 0x0D ? 0xF0 : 0x00) | digits[0]);
  for (size_t i = 1; i < n; ++i) {
    (*out)[i] = static_cast<uint8_t>((digits[2 * i - 1] << 4) | digits[2 * i]);
  }
}

void decimalToPdecimal(std::span<const uint8_t> in, std::span<uint8_t> out) {
  size_t n = in.size();
  std::vector<uint8_t> digits;
  digits.push_back(in[0] & 0x0F);
  for (size_t i = 1; i < n; ++i) {
    digits.push_back(in[i] >> 4);
    digits.push_back(in[i] & 0x0F);
  }
  bool negative = (in[0] >> 4) != 0;
  for (size_t i = 0; i < n; ++i) {
    uint8_t hi = digits[2 * i];
    uint8_t lo = i + 1 < n ? digits[2 * i + 1] : (negative ? 0x0D : 0x0C);
    out[i] = static_cast<uint8_t>((hi << 4) | lo);
  }
}

bool validField(const FileControlBlock& file, int field) {
  return field >= 0 && static_cast<size_t>(field) < file.decl().fields.size();
}

void fillHighLow(std::span<uint8_t> b, FieldType type, int fill) {
  if (fill == 0) {
    uint8_t blank = type == FieldType::kString ? ' ' : 0;
    std::fill(b.begin(), b.end(), blank);
    return;
  }
  bool high = fill > 0;
  IntRange r;
  if (intWidth(type, &r)) {
    writeLE(b, static_cast<uint64_t>(high ? r.high : r.low));
    return;
  }
  switch (type) {
    case FieldType::kDecimal:
      std::fill(b.begin(), b.end(), 0x99);
      b[0] = high ? 0x09 : 0xF9;
      return;
    case FieldType::kPDecimal:
      std::fill(b.begin(), b.end(), 0x99);
      b[b.size() - 1] = high ? 0x9C : 0x9D;
      return;
    case FieldType::kSReal:
      if (b.size() == 4) {
        float f = high ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
        std::memcpy(b.data(), &f, 4);
        return;
      }
      break;
    case FieldType::kReal:
      if (b.size() == 8) {
        double d = high ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
        std::memcpy(b.data(), &d, 8);
        return;
      }
      break;
    case FieldType::kCString:
      std::fill(b.begin(), b.end(), high ? 0xFF : 0x00);
      if (!b.empty()) b[b.size() - 1] = 0;
      return;
    case FieldType::kPString:
      std::fill(b.begin(), b.end(), high ? 0xFF : 0x00);
      if (!b.empty()) b[0] = high ? static_cast<uint8_t>(std::min<size_t>(b.size() - 1, 255)) : 0;
      return;
    default:
      break;
  }
  std::fill(b.begin(), b.end(), high ? 0xFF : 0x00);
}

}  // namespace

bool FieldRef::valid() const {
  if (!file || !validField(*file, field)) return false;
  const FieldDecl& f = file->decl().fields[field];
  return element >= 0 && element < std::max<int>(1, f.elements);
}

FieldRef findFieldRef(FileControlBlock& file, std::string_view label) {
  FieldRef ref;
  int element = 0;
  size_t open = label.find('[');
  if (open != std::string_view::npos) {
    if (label.back() != ']') return ref;
    std::string_view digits = label.substr(open + 1, label.size() - open - 2);
    int sub = 0;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), sub);
    if (ec != std::errc() || p != digits.data() + digits.size() || sub < 1) return ref;
    element = sub - 1;
    label = label.substr(0, open);
  }
  int field = file.decl().findField(label);
  if (field < 0) return ref;
  FieldRef found{&file, field, element};
  if (!found.valid()) return ref;
  return found;
}

std::span<const uint8_t> fieldBytes(const FileControlBlock& file, int field, int element) {
  if (!validField(file, field)) return {};
  const FieldDecl& f = file.decl().fields[field];
  int elements = std::max<int>(1, f.elements);
  if (element < 0 || element >= elements) return {};
  size_t size = f.elementSize();
  size_t start = f.offset + static_cast<size_t>(element) * size;
  if (size == 0 || start + size > file.record.size()) return {};
  return std::span<const uint8_t>(file.record.data() + start, size);
}

std::span<uint8_t> fieldBytes(FileControlBlock& file, int field, int element) {
  std::span<const uint8_t> b = fieldBytes(static_cast<const FileControlBlock&>(file), field, element);
  return std::span<uint8_t>(const_cast<uint8_t*>(b.data()), b.size());
}

std::optional<int64_t> getInteger(const FileControlBlock& file, int field, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return std::nullopt;
  FieldType type = file.decl().fields[field].type;
  IntRange r;
  int width = intWidth(type, &r);
  if (width == 0 || b.size() != static_cast<size_t>(width)) return std::nullopt;
  uint64_t raw = readLE(b);
  if (isSigned(type)) {
    int shift = 64 - 8 * width;
    return static_cast<int64_t>(raw << shift) >> shift;
  }
  return static_cast<int64_t>(raw);
}

bool setInteger(FileControlBlock& file, int field, int64_t value, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return false;
  IntRange r;
  int width = intWidth(file.decl().fields[field].type, &r);
  if (width == 0 || b.size() != static_cast<size_t>(width)) return false;
  if (value < r.low || value > r.high) return false;
  writeLE(b, static_cast<uint64_t>(value));
  return true;
}

std::optional<std::string> getText(const FileControlBlock& file, int field, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return std::nullopt;
  const char* p = reinterpret_cast<const char*>(b.data());
  switch (file.decl().fields[field].type) {
    case FieldType::kString:
      return std::string(p, b.size());
    case FieldType::kCString:
      return std::string(p, std::find(b.begin(), b.end(), uint8_t{0}) - b.begin());
    case FieldType::kPString:
      return std::string(p + 1, std::min<size_t>(b[0], b.size() - 1));
    default:
      return std::nullopt;
  }
}

bool setText(FileControlBlock& file, int field, std::string_view text, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return false;
  switch (file.decl().fields[field].type) {
    case FieldType::kString: {
      size_t n = std::min(text.size(), b.size());
      std::memcpy(b.data(), text.data(), n);
      std::fill(b.begin() + n, b.end(), ' ');
      return true;
    }
    case FieldType::kCString: {
      text = text.substr(0, std::min(text.find('\0'), b.size() - 1));
      std::memcpy(b.data(), text.data(), text.size());
      std::fill(b.begin() + text.size(), b.end(), 0);
      return true;
    }
    case FieldType::kPString: {
      size_t n = std::min({text.size(), b.size() - 1, size_t{255}});
      b[0] = static_cast<uint8_t>(n);
      std::memcpy(b.data() + 1, text.data(), n);
      std::fill(b.begin() + 1 + n, b.end(), 0);
      return true;
    }
    default:
      return false;
  }
}

std::optional<Decimal> getDecimal(const FileControlBlock& file, int field, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return std::nullopt;
  const FieldDecl& f = file.decl().fields[field];
  if (f.type == FieldType::kDecimal) return Decimal::FromPacked(b, f.places);
  if (f.type == FieldType::kPDecimal) {
    std::vector<uint8_t> packed;
    pdecimalToDecimal(b, &packed);
    return Decimal::FromPacked(packed, f.places);
  }
  if (auto v = getInteger(file, field, element)) return Decimal(*v);
  return std::nullopt;
}

bool setDecimal(FileControlBlock& file, int field, const Decimal& value, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty() || !value.IsValid()) return false;
  const FieldDecl& f = file.decl().fields[field];
  if (f.type == FieldType::kDecimal) return value.ToPacked(b, f.places);
  if (f.type == FieldType::kPDecimal) {
    std::vector<uint8_t> packed(b.size());
    if (!value.ToPacked(packed, f.places)) return false;
    decimalToPdecimal(packed, b);
    return true;
  }
  if (!isIntegerType(f.type)) return false;
  std::optional<int64_t> v = value.Round(0).ToInt64();
  return v && setInteger(file, field, *v, element);
}

std::optional<int32_t> getDate(const FileControlBlock& file, int field, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return std::nullopt;
  FieldType type = file.decl().fields[field].type;
  if (type == FieldType::kLong) return static_cast<int32_t>(*getInteger(file, field, element));
  if (type != FieldType::kDate || b.size() != 4) return std::nullopt;
  int day = b[0], month = b[1], year = b[2] | (b[3] << 8);
  if (day == 0 && month == 0 && year == 0) return 0;
  if (year > 9999) return kMaxStdDate;
  int32_t date = MakeStdDate(year, month, day);
  // MakeStdDate carries months above 12 into the year; a stored month
  // above 12 is no date.
  return month > 12 || date < 0 ? 0 : date;
}

bool setDate(FileControlBlock& file, int field, int32_t std_date, int element) {
  auto b = fieldBytes(file, field, element);
  if (b.empty()) return false;
  FieldType type = file.decl().fields[field].type;
  if (type == FieldType::kLong) return setInteger(file, field, std_date, element);
  if (type != FieldType::kDate || b.size() != 4) return false;
  if (std_date == 0) {
    std::fill(b.begin(), b.end(), 0);
    return true;
  }
  CivilDate c;
  if (!SplitStdDate(std_date, &c)) return false;
  b[0] = static_cast<uint8_t>(c.day);
  b[1] = static_cast<uint8_t>(c.month);
  b[2] = static_cast<uint8_t>(c.year & 0xFF);
  b[3] = static_cast<uint8_t>(c.year >> 8);
  return true;
}

std::optional<std::string> getMemo(const FileControlBlock& file, int memo) {
  if (memo < 0 || static_cast<size_t>(memo) >= file.memos.size() ||
      static_cast<size_t>(memo) >= file.decl().memos.size())
    return std::nullopt;
  const MemoDecl& m = file.decl().memos[memo];
  if (m.blob() || m.binary()) return file.memos[memo];
  return std::string(trimRight(file.memos[memo]));
}

bool setMemo(FileControlBlock& file, int memo, std::string_view value) {
  if (memo < 0 || static_cast<size_t>(memo) >= file.memos.size() ||
      static_cast<size_t>(memo) >= file.decl().memos.size())
    return false;
  const MemoDecl& m = file.decl().memos[memo];
  std::string& buffer = file.memos[memo];
  if (m.blob()) {
    buffer.assign(value);
  } else {
    buffer.assign(value.substr(0, m.size));
    buffer.resize(m.size, m.binary() ? '\0' : ' ');
  }
  return true;
}

std::optional<std::string> getValueText(const FieldRef& ref) {
  if (!ref.valid()) return std::nullopt;
  const FileControlBlock& file = *ref.file;
  const FieldDecl& f = ref.decl();
  auto b = fieldBytes(file, ref.field, ref.element);
  if (b.empty()) return std::nullopt;
  if (isIntegerType(f.type)) return std::to_string(*getInteger(file, ref.field, ref.element));
  if (isDecimalType(f.type)) {
    Decimal d = *getDecimal(file, ref.field, ref.element);
    return d.ToString();
  }
  if (f.type == FieldType::kString) return std::string(trimRight(*getText(file, ref.field, ref.element)));
  if (isTextType(f.type)) return getText(file, ref.field, ref.element);
  if (f.type == FieldType::kDate) return std::to_string(*getDate(file, ref.field, ref.element));
  char buf[64];
  if (f.type == FieldType::kSReal && b.size() == 4) {
    float v;
    std::memcpy(&v, b.data(), 4);
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
    return std::string(buf);
  }
  if (f.type == FieldType::kReal && b.size() == 8) {
    double v;
    std::memcpy(&v, b.data(), 8);
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return std::string(buf);
  }
  if (f.type == FieldType::kTime && b.size() == 4) return std::to_string(readLE(b));
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

bool setValueText(const FieldRef& ref, std::string_view text) {
  if (!ref.valid()) return false;
  FileControlBlock& file = *ref.file;
  const FieldDecl& f = ref.decl();
  if (isTextType(f.type)) return setText(file, ref.field, text, ref.element);
  if (isIntegerType(f.type) || isDecimalType(f.type)) {
    std::optional<Decimal> d = Decimal::Parse(text);
    return d && setDecimal(file, ref.field, *d, ref.element);
  }
  if (f.type == FieldType::kDate) {
    size_t start = text.find_first_not_of(' ');
    text = start == std::string_view::npos ? std::string_view() : text.substr(start);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return setDate(file, ref.field, 0, ref.element);
    auto number = [](std::string_view s, int* out) {
      auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
      return ec == std::errc() && p == s.data() + s.size() && !s.empty();
    };
    int day_number = 0;
    if (number(text, &day_number)) return setDate(file, ref.field, day_number, ref.element);
    int y = 0, m = 0, d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !number(text.substr(0, 4), &y) ||
        !number(text.substr(5, 2), &m) || !number(text.substr(8, 2), &d) || m > 12)
      return false;
    int32_t date = MakeStdDate(y, m, d);
    return date > 0 && setDate(file, ref.field, date, ref.element);
  }
  return false;
}

bool assignValue(const FieldRef& dst, const FieldRef& src) {
  if (!dst.valid() || !src.valid()) return false;
  const FieldDecl& df = dst.decl();
  const FieldDecl& sf = src.decl();
  auto from = fieldBytes(*src.file, src.field, src.element);
  auto to = fieldBytes(*dst.file, dst.field, dst.element);
  if (from.empty() || to.empty()) return false;
  if (df.type == sf.type && to.size() == from.size() && df.places == sf.places) {
    std::memmove(to.data(), from.data(), to.size());
    return true;
  }
  bool src_number = isIntegerType(sf.type) || isDecimalType(sf.type);
  bool dst_number = isIntegerType(df.type) || isDecimalType(df.type);
  if (src_number && dst_number) {
    std::optional<Decimal> v = getDecimal(*src.file, src.field, src.element);
    return v && setDecimal(*dst.file, dst.field, *v, dst.element);
  }
  std::optional<std::string> text = getValueText(src);
  return text && setValueText(dst, *text);
}

void clearField(FileControlBlock& file, int field, int fill) {
  if (!validField(file, field)) return;
  const std::vector<FieldDecl>& fields = file.decl().fields;
  const FieldDecl& f = fields[field];
  if (f.type == FieldType::kGroup) {
    // A group is cleared member by member (its members follow it).
    for (size_t i = field + 1; i < fields.size(); ++i) {
      // Walk up the enclosing groups; each must precede its member, which
      // also keeps a damaged declaration from looping.
      int g = fields[i].group;
      int below = static_cast<int>(i);
      while (g > field && g < below) {
        below = g;
        g = fields[g].group;
      }
      if (g != field) break;
      if (fields[i].type != FieldType::kGroup) clearField(file, static_cast<int>(i), fill);
    }
    return;
  }
  for (int e = 0; e < std::max<int>(1, f.elements); ++e) {
    auto b = fieldBytes(file, field, e);
    if (!b.empty()) fillHighLow(b, f.type, fill);
  }
}

}  // namespace rt
