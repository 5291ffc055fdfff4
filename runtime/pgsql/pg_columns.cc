#include "runtime/pgsql/pg_columns.h"

#include <cctype>
#include <set>

#include "runtime/core/file_field.h"

namespace pgsql {

namespace {

constexpr char16_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

std::string SqlType(const rt::FieldDecl& f) {
  using rt::FieldType;
  switch (f.type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kLong:
    case FieldType::kDate:
    case FieldType::kTime: return "integer";
    case FieldType::kULong: return "bigint";
    case FieldType::kDecimal:
    case FieldType::kPDecimal: {
      const int digits = 2 * f.elementSize() - 1;
      if (digits <= 0 || f.places > digits) return "numeric";
      return "numeric(" + std::to_string(digits) + "," + std::to_string(f.places) + ")";
    }
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString: return "text";
    default: return "";
  }
}

// A plain number as the runtime writes it: sign, digits, one point.
bool IsNumber(const std::string& s) {
  size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
  bool digit = false, point = false;
  for (; i < s.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(s[i]))) {
      digit = true;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

std::string ArrayElement(const std::string& v, bool text) {
  if (!text) return v;
  std::string q = "\"";
  for (char c : v) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + '"';
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) break;
    char32_t u = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::vector<TypedColumn> TypedColumns(const rt::FileDecl& decl) {
  std::vector<TypedColumn> out;
  std::set<std::string> used;
  for (size_t i = 0; i < decl.fields.size(); ++i) {
    const rt::FieldDecl& f = decl.fields[i];
    if (f.overlay || f.type == rt::FieldType::kGroup) continue;
    std::string type = SqlType(f);
    if (type.empty()) continue;
    std::string label = f.label.substr(f.label.find(':') == std::string::npos ? 0 : f.label.find(':') + 1);
    std::string name;
    for (char c : label) {
      const auto u = static_cast<unsigned char>(c);
      name += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
    }
    if (name.empty() || name.rfind("qv_", 0) == 0 || std::isdigit(static_cast<unsigned char>(name[0])) ||
        used.count(name)) {
      name = "f" + std::to_string(i) + "_" + name;
    }
    used.insert(name);
    if (f.elements > 1) type += "[]";
    out.push_back(TypedColumn{static_cast<int>(i), name, type});
  }
  return out;
}

std::optional<std::string> TypedValue(const rt::FileControlBlock& file, const TypedColumn& column) {
  const rt::FieldDecl& f = file.decl().fields[column.field];
  const bool text = rt::isTextType(f.type);
  auto one = [&](int element) -> std::optional<std::string> {
    if (text) {
      std::optional<std::string> v = rt::getText(file, column.field, element);
      if (!v) return std::nullopt;
      v->erase(v->find_last_not_of(' ') + 1);
      return Utf8FromWindows1252(*v);
    }
    std::optional<std::string> v =
        rt::getValueText(rt::FieldRef{const_cast<rt::FileControlBlock*>(&file), column.field, element});
    if (!v || !IsNumber(*v)) return std::nullopt;
    return v;
  };
  if (f.elements <= 1) return one(0);
  std::string array = "{";
  for (int e = 0; e < f.elements; ++e) {
    std::optional<std::string> v = one(e);
    if (e) array += ',';
    array += v ? ArrayElement(*v, text) : "NULL";
  }
  return array + "}";
}

}  // namespace pgsql
