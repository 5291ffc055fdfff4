#include "tools/krl/exec_fields.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/core/decimal.h"
#include "runtime/core/windows1252.h"
#include "runtime/kestrel/format/coding.h"
#include "tools/krl/json.h"

namespace krl {

using kestrel::FieldDef;
using kestrel::FieldType;

namespace {

struct TypeInfo {
  const char* name;
  FieldType type;
  uint16_t size;  // 0: given by the request
};

constexpr TypeInfo kTypes[] = {
    {"BYTE", FieldType::kByte, 1},         {"SHORT", FieldType::kShort, 2},   {"USHORT", FieldType::kUShort, 2},
    {"DATE", FieldType::kDate, 4},         {"TIME", FieldType::kTime, 4},     {"LONG", FieldType::kLong, 4},
    {"ULONG", FieldType::kULong, 4},       {"SREAL", FieldType::kSReal, 4},   {"REAL", FieldType::kReal, 8},
    {"DECIMAL", FieldType::kDecimal, 0},   {"PDECIMAL", FieldType::kPDecimal, 0}, {"STRING", FieldType::kString, 0},
    {"CSTRING", FieldType::kCString, 0},   {"PSTRING", FieldType::kPString, 0},
};

bool IntegerOf(const Json& v, double lo, double hi, int64_t* out) {
  if (!v.is_number()) return false;
  const double n = v.get<double>();
  if (n != std::floor(n) || n < lo || n > hi) return false;
  *out = static_cast<int64_t>(n);
  return true;
}

// Member `name` of an object; null when absent or not an object.
const Json* Find(const Json& o, const char* name) {
  if (!o.is_object()) return nullptr;
  auto it = o.find(name);
  return it == o.end() ? nullptr : &*it;
}

bool Flag(const Json& o, const char* name) {
  const Json* v = Find(o, name);
  return v && v->is_boolean() && v->get<bool>();
}

const std::string& Text(const Json& v) { return v.get_ref<const std::string&>(); }

}  // namespace

bool LayoutFromJson(const Json& request, kestrel::TableDef* def, std::string* error) {
  *def = kestrel::TableDef();
  const Json* fields = Find(request, "fields");
  if (!fields || !fields->is_array() || fields->empty()) {
    *error = "create needs a non-empty \"fields\" array";
    return false;
  }
  uint32_t offset = 0;
  for (const Json& f : *fields) {
    const Json* label = Find(f, "label");
    const Json* type = Find(f, "type");
    if (!f.is_object() || !label || !label->is_string() || !type || !type->is_string()) {
      *error = "every field needs a \"label\" and a \"type\"";
      return false;
    }
    const TypeInfo* info = nullptr;
    for (const TypeInfo& t : kTypes) {
      if (Text(*type) == t.name) info = &t;
    }
    if (!info) {
      *error = "unknown field type " + Text(*type);
      return false;
    }
    FieldDef d;
    d.type = info->type;
    d.name = Text(*label);
    d.offset = static_cast<uint16_t>(offset);
    d.position = static_cast<uint16_t>(def->fields.size());
    int64_t size = info->size;
    if (size == 0) {
      const Json* s = Find(f, "size");
      if (!s || !IntegerOf(*s, 1, 15000, &size)) {
        *error = "field " + Text(*label) + " needs a \"size\" from 1 to 15000";
        return false;
      }
    }
    d.size = static_cast<uint16_t>(size);
    if (kestrel::IsText(d.type)) d.chars = d.size;
    if (kestrel::IsDecimal(d.type)) {
      int64_t places = 0;
      const Json* p = Find(f, "places");
      if (p && !IntegerOf(*p, 0, 2 * size - 1, &places)) {
        *error = "field " + Text(*label) + ": \"places\" out of range";
        return false;
      }
      if (size > 16) {
        *error = "field " + Text(*label) + ": decimals have at most 16 bytes";
        return false;
      }
      d.places = static_cast<uint8_t>(places);
      d.element_size = static_cast<uint8_t>(size);
    }
    offset += d.size;
    if (offset > 15000) {
      *error = "the record is longer than 15000 bytes";
      return false;
    }
    def->fields.push_back(std::move(d));
  }
  def->record_length = static_cast<uint16_t>(offset);
  if (const Json* memos = Find(request, "memos"); memos && memos->is_array()) {
    for (const Json& m : *memos) {
      const Json* label = Find(m, "label");
      const Json* size = Find(m, "size");
      int64_t n = 0;
      if (!label || !label->is_string() || !size || !IntegerOf(*size, 1, 64000, &n)) {
        *error = "every memo needs a \"label\" and a \"size\" from 1 to 64000";
        return false;
      }
      kestrel::MemoDef d;
      d.label = Text(*label);
      d.size = static_cast<uint16_t>(n);
      if (Flag(m, "binary")) d.attributes |= kestrel::kMemoBinary;
      if (Flag(m, "blob")) d.attributes |= kestrel::kMemoBlob | kestrel::kMemoBinary;
      def->memos.push_back(std::move(d));
    }
  }
  if (const Json* keys = Find(request, "keys"); keys && keys->is_array()) {
    for (const Json& k : *keys) {
      const Json* label = Find(k, "label");
      const Json* comps = Find(k, "components");
      if (!label || !label->is_string() || !comps || !comps->is_array() || comps->empty()) {
        *error = "every key needs a \"label\" and \"components\"";
        return false;
      }
      kestrel::KeyDef d;
      d.label = Text(*label);
      if (Flag(k, "dup")) d.attributes |= kestrel::kKeyDuplicates;
      if (Flag(k, "opt")) d.attributes |= kestrel::kKeyExcludeBlank;
      if (Flag(k, "nocase")) d.attributes |= kestrel::kKeyNoCase;
      if (Flag(k, "primary")) d.attributes |= kestrel::kKeyPrimary;
      for (const Json& c : *comps) {
        std::string name = c.is_string() ? Text(c) : std::string();
        const bool descending = !name.empty() && name[0] == '-';
        if (descending || (!name.empty() && name[0] == '+')) name.erase(0, 1);
        int found = -1;
        for (size_t i = 0; i < def->fields.size(); ++i) {
          if (def->fields[i].name == name) found = static_cast<int>(i);
        }
        if (found < 0) {
          *error = "key " + Text(*label) + ": no field " + name;
          return false;
        }
        d.components.push_back({static_cast<uint16_t>(found), static_cast<uint16_t>(descending ? 1 : 0)});
      }
      def->keys.push_back(std::move(d));
    }
  }
  return true;
}

std::string BlankRow(const kestrel::TableDef& def) {
  std::string row(def.record_length, '\0');
  for (const FieldDef& f : def.fields) {
    if (f.type == FieldType::kString && size_t{f.offset} + f.size <= row.size()) {
      std::memset(row.data() + f.offset, ' ', f.size);
    }
  }
  return row;
}

bool SetFieldFromJson(const FieldDef& f, const Json& v, std::string* row, std::string* error) {
  if (size_t{f.offset} + f.size > row->size()) {
    *error = "field " + f.name + " lies outside the record";
    return false;
  }
  char* p = row->data() + f.offset;
  auto bad = [&](const char* what) {
    *error = "field " + f.name + ": " + what;
    return false;
  };
  int64_t n = 0;
  switch (f.type) {
    case FieldType::kByte:
      if (!IntegerOf(v, 0, 255, &n)) return bad("an integer from 0 to 255 expected");
      p[0] = static_cast<char>(n);
      return true;
    case FieldType::kShort:
    case FieldType::kUShort:
      if (!IntegerOf(v, f.type == FieldType::kShort ? -32768 : 0, f.type == FieldType::kShort ? 32767 : 65535, &n)) {
        return bad("a 16-bit integer expected");
      }
      kestrel::Put16LE(p, static_cast<uint16_t>(n));
      return true;
    case FieldType::kLong:
    case FieldType::kTime:
    case FieldType::kULong:
      if (!IntegerOf(v, f.type == FieldType::kULong ? 0 : -2147483648.0,
                     f.type == FieldType::kULong ? 4294967295.0 : 2147483647.0, &n)) {
        return bad("a 32-bit integer expected");
      }
      kestrel::Put32LE(p, static_cast<uint32_t>(n));
      return true;
    case FieldType::kSReal: {
      if (!v.is_number()) return bad("a number expected");
      const float x = v.get<float>();
      std::memcpy(p, &x, 4);
      return true;
    }
    case FieldType::kReal: {
      if (!v.is_number()) return bad("a number expected");
      const double x = v.get<double>();
      std::memcpy(p, &x, 8);
      return true;
    }
    case FieldType::kDate: {
      if (v.is_null()) {
        std::memset(p, 0, 4);
        return true;
      }
      unsigned y = 0, m = 0, d = 0;
      char tail = 0;
      if (!v.is_string() || std::sscanf(Text(v).c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
          d < 1 || d > 31) {
        return bad("a date \"YYYY-MM-DD\" expected");
      }
      p[0] = static_cast<char>(d);
      p[1] = static_cast<char>(m);
      kestrel::Put16LE(p + 2, static_cast<uint16_t>(y));
      return true;
    }
    case FieldType::kDecimal:
    case FieldType::kPDecimal: {
      // A bare number comes as the shortest text that reads back as the same
      // double: 7.5 stays "7.5". Digits past a double's precision need a string.
      const std::string text = v.is_string() ? Text(v) : v.is_number() ? v.dump() : std::string("x");
      std::optional<rt::Decimal> d = rt::Decimal::Parse(text);
      std::vector<uint8_t> packed(f.size);
      if (!d || !d->ToPacked(packed, f.places)) return bad("a decimal that fits the field expected");
      std::memcpy(p, packed.data(), packed.size());
      return true;
    }
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString: {
      std::string text;
      if (!v.is_string() || !rt::utf8ToWindows1252(Text(v), &text))
        return bad("text in Windows-1252 characters expected");
      const size_t room = f.type == FieldType::kString ? f.size : f.size - 1u;
      if (text.size() > room) return bad("text too long");
      if (f.type == FieldType::kString) {
        std::memset(p, ' ', f.size);
        std::memcpy(p, text.data(), text.size());
      } else if (f.type == FieldType::kCString) {
        std::memset(p, 0, f.size);
        std::memcpy(p, text.data(), text.size());
      } else {
        std::memset(p, 0, f.size);
        p[0] = static_cast<char>(text.size());
        std::memcpy(p + 1, text.data(), text.size());
      }
      return true;
    }
    default:
      return bad("fields of this type cannot be set");
  }
}

Json RecordJson(const std::string& table, uint32_t id, const kestrel::TableDef& def, const std::string& row,
                const std::vector<std::string>& memos) {
  Json fields = Json::object();
  for (const FieldDef& f : def.fields) {
    if (f.type == FieldType::kGroup || size_t{f.offset} + f.size > row.size()) continue;
    fields[rt::windows1252ToUtf8(f.name)] = FieldJson(f, std::string_view(row).substr(f.offset, f.size));
  }
  Json memo_values = Json::object();
  for (size_t m = 0; m < def.memos.size(); ++m) {
    memo_values[rt::windows1252ToUtf8(def.memos[m].label)] = TextJson(m < memos.size() ? memos[m] : std::string());
  }
  return Json{{"table", TextJson(table)}, {"id", id}, {"fields", std::move(fields)}, {"memos", std::move(memo_values)}};
}

}  // namespace krl
