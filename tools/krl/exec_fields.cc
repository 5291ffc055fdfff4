#include "tools/krl/exec_fields.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/core/decimal.h"
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

bool IntegerOf(const JsonValue& v, double lo, double hi, int64_t* out) {
  if (!v.isNumber() || v.number != std::floor(v.number) || v.number < lo || v.number > hi) return false;
  *out = static_cast<int64_t>(v.number);
  return true;
}

bool Flag(const JsonValue& o, const char* name) {
  const JsonValue* v = o.Find(name);
  return v && v->isBool() && v->boolean;
}

}  // namespace

bool LayoutFromJson(const JsonValue& request, kestrel::TableDef* def, std::string* error) {
  *def = kestrel::TableDef();
  const JsonValue* fields = request.Find("fields");
  if (!fields || !fields->isArray() || fields->items.empty()) {
    *error = "create needs a non-empty \"fields\" array";
    return false;
  }
  uint32_t offset = 0;
  for (const JsonValue& f : fields->items) {
    const JsonValue* label = f.Find("label");
    const JsonValue* type = f.Find("type");
    if (!f.isObject() || !label || !label->isString() || !type || !type->isString()) {
      *error = "every field needs a \"label\" and a \"type\"";
      return false;
    }
    const TypeInfo* info = nullptr;
    for (const TypeInfo& t : kTypes) {
      if (type->text == t.name) info = &t;
    }
    if (!info) {
      *error = "unknown field type " + type->text;
      return false;
    }
    FieldDef d;
    d.type = info->type;
    d.name = label->text;
    d.offset = static_cast<uint16_t>(offset);
    d.position = static_cast<uint16_t>(def->fields.size());
    int64_t size = info->size;
    if (size == 0) {
      const JsonValue* s = f.Find("size");
      if (!s || !IntegerOf(*s, 1, 15000, &size)) {
        *error = "field " + label->text + " needs a \"size\" from 1 to 15000";
        return false;
      }
    }
    d.size = static_cast<uint16_t>(size);
    if (kestrel::IsText(d.type)) d.chars = d.size;
    if (kestrel::IsDecimal(d.type)) {
      int64_t places = 0;
      const JsonValue* p = f.Find("places");
      if (p && !IntegerOf(*p, 0, 2 * size - 1, &places)) {
        *error = "field " + label->text + ": \"places\" out of range";
        return false;
      }
      if (size > 16) {
        *error = "field " + label->text + ": decimals have at most 16 bytes";
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
  if (const JsonValue* memos = request.Find("memos"); memos && memos->isArray()) {
    for (const JsonValue& m : memos->items) {
      const JsonValue* label = m.Find("label");
      const JsonValue* size = m.Find("size");
      int64_t n = 0;
      if (!label || !label->isString() || !size || !IntegerOf(*size, 1, 64000, &n)) {
        *error = "every memo needs a \"label\" and a \"size\" from 1 to 64000";
        return false;
      }
      kestrel::MemoDef d;
      d.label = label->text;
      d.size = static_cast<uint16_t>(n);
      if (Flag(m, "binary")) d.attributes |= kestrel::kMemoBinary;
      if (Flag(m, "blob")) d.attributes |= kestrel::kMemoBlob | kestrel::kMemoBinary;
      def->memos.push_back(std::move(d));
    }
  }
  if (const JsonValue* keys = request.Find("keys"); keys && keys->isArray()) {
    for (const JsonValue& k : keys->items) {
      const JsonValue* label = k.Find("label");
      const JsonValue* comps = k.Find("components");
      if (!label || !label->isString() || !comps || !comps->isArray() || comps->items.empty()) {
        *error = "every key needs a \"label\" and \"components\"";
        return false;
      }
      kestrel::KeyDef d;
      d.label = label->text;
      if (Flag(k, "dup")) d.attributes |= kestrel::kKeyDuplicates;
      if (Flag(k, "opt")) d.attributes |= kestrel::kKeyExcludeBlank;
      if (Flag(k, "nocase")) d.attributes |= kestrel::kKeyNoCase;
      if (Flag(k, "primary")) d.attributes |= kestrel::kKeyPrimary;
      for (const JsonValue& c : comps->items) {
        std::string name = c.isString() ? c.text : std::string();
        const bool descending = !name.empty() && name[0] == '-';
        if (descending || (!name.empty() && name[0] == '+')) name.erase(0, 1);
        int found = -1;
        for (size_t i = 0; i < def->fields.size(); ++i) {
          if (def->fields[i].name == name) found = static_cast<int>(i);
        }
        if (found < 0) {
          *error = "key " + label->text + ": no field " + name;
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

bool SetFieldFromJson(const FieldDef& f, const JsonValue& v, std::string* row, std::string* error) {
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
      if (!v.isNumber()) return bad("a number expected");
      const float x = static_cast<float>(v.number);
      std::memcpy(p, &x, 4);
      return true;
    }
    case FieldType::kReal:
      if (!v.isNumber()) return bad("a number expected");
      std::memcpy(p, &v.number, 8);
      return true;
    case FieldType::kDate: {
      if (v.isNull()) {
        std::memset(p, 0, 4);
        return true;
      }
      unsigned y = 0, m = 0, d = 0;
      char tail = 0;
      if (!v.isString() || std::sscanf(v.text.c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
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
      std::optional<rt::Decimal> d = rt::Decimal::Parse(v.isString() || v.isNumber() ? v.text : std::string("x"));
      std::vector<uint8_t> packed(f.size);
      if (!d || !d->ToPacked(packed, f.places)) return bad("a decimal that fits the field expected");
      std::memcpy(p, packed.data(), packed.size());
      return true;
    }
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString: {
      std::string text;
      if (!v.isString() || !Utf8To1252(v.text, &text)) return bad("text in Windows-1252 characters expected");
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

std::string RecordJson(const std::string& table, uint32_t id, const kestrel::TableDef& def, const std::string& row,
                       const std::vector<std::string>& memos) {
  std::string line = "{\"table\":" + JsonString(table) + ",\"id\":" + std::to_string(id) + ",\"fields\":{";
  bool first = true;
  for (const FieldDef& f : def.fields) {
    if (f.type == FieldType::kGroup || size_t{f.offset} + f.size > row.size()) continue;
    if (!first) line += ",";
    first = false;
    line += JsonString(f.name) + ":" + FieldJson(f, std::string_view(row).substr(f.offset, f.size));
  }
  line += "},\"memos\":{";
  for (size_t m = 0; m < def.memos.size(); ++m) {
    if (m) line += ",";
    line += JsonString(def.memos[m].label) + ":" + JsonString(m < memos.size() ? memos[m] : std::string());
  }
  return line + "}}";
}

}  // namespace krl
