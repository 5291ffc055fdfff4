#include "runtime/kestrel/format/key_encoder.h"

#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

void Complement(char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<char>(~p[i]);
}

void FoldText(bool no_case, const LocaleTables& locale, char* p, size_t n) {
  const bool collate = locale.collationInForce();
  if (!no_case && !collate) return;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = static_cast<uint8_t>(p[i]);
    if (no_case) c = locale.foldCase(c);
    if (collate) c = locale.weight(c);
    p[i] = static_cast<char>(c);
  }
}

// Appends the bytes of `src` in reverse order: little-endian numbers become
// big-endian. Byte by byte, where appending through reverse iterators goes
// through the generic range append.
void AppendReversed(std::string_view src, std::string* out) {
  const size_t start = out->size();
  out->resize(start + src.size());
  char* p = out->data() + start;
  for (size_t i = 0, n = src.size(); i < n; ++i) p[i] = src[n - 1 - i];
}

}  // namespace

void EncodeComponent(const FieldDef& field, bool descending, bool no_case, const LocaleTables& locale,
                     std::string_view src, std::string* out) {
  const size_t start = out->size();
  const size_t n = src.size();
  switch (field.type) {
    case FieldType::kString:
    case FieldType::kGroup:
      out->append(src);
      FoldText(no_case, locale, out->data() + start, n);
      break;
    case FieldType::kCString: {
      const size_t len = std::min(src.find('\0'), n);
      out->append(src.substr(0, len));
      out->append(n - len, '\0');
      FoldText(no_case, locale, out->data() + start, len);
      break;
    }
    case FieldType::kPString: {
      const size_t len = n == 0 ? 0 : std::min<size_t>(static_cast<uint8_t>(src[0]), n - 1);
      out->append(src.substr(n == 0 ? 0 : 1, len));
      out->append(n - len, '\0');
      FoldText(no_case, locale, out->data() + start, len);
      break;
    }
    case FieldType::kUShort:
    case FieldType::kULong:
    case FieldType::kDate:
    case FieldType::kTime:
      AppendReversed(src, out);
      break;
    case FieldType::kShort:
    case FieldType::kLong:
      AppendReversed(src, out);
      if (n) (*out)[start] = static_cast<char>((*out)[start] ^ 0x80);
      break;
    case FieldType::kSReal:
    case FieldType::kReal:
      AppendReversed(src, out);
      if (n && (static_cast<uint8_t>((*out)[start]) & 0x80)) {
        Complement(out->data() + start, n);
      } else if (n) {
        (*out)[start] = static_cast<char>((*out)[start] | 0x80);
      }
      break;
    case FieldType::kDecimal: {
      out->append(src);
      if (!n) break;
      char* p = out->data() + start;
      const bool negative = (static_cast<uint8_t>(p[0]) & 0xF0) != 0;
      p[0] = static_cast<char>((p[0] & 0x0F) ^ 0x80);
      if (negative) Complement(p, n);
      break;
    }
    default:
      out->append(src);
      break;
  }
  if (descending) Complement(out->data() + start, n);
}

std::string DecodeComponent(const FieldDef& field, bool descending, std::string_view encoded) {
  std::string b(encoded);
  const size_t n = b.size();
  if (descending) Complement(b.data(), n);
  if (n == 0) return b;
  switch (field.type) {
    case FieldType::kPString: {
      size_t len = n;
      while (len > 0 && b[len - 1] == '\0') --len;
      len = std::min(len, n - 1);
      std::string raw(1, static_cast<char>(len));
      raw.append(b, 0, len);
      raw.resize(n, '\0');
      return raw;
    }
    case FieldType::kUShort:
    case FieldType::kULong:
    case FieldType::kDate:
    case FieldType::kTime:
      std::reverse(b.begin(), b.end());
      return b;
    case FieldType::kShort:
    case FieldType::kLong:
      b[0] = static_cast<char>(b[0] ^ 0x80);
      std::reverse(b.begin(), b.end());
      return b;
    case FieldType::kSReal:
    case FieldType::kReal:
      if (static_cast<uint8_t>(b[0]) & 0x80) {
        b[0] = static_cast<char>(b[0] & 0x7F);
      } else {
        Complement(b.data(), n);
      }
      std::reverse(b.begin(), b.end());
      return b;
    case FieldType::kDecimal:
      if (static_cast<uint8_t>(b[0]) & 0x80) {
        b[0] = static_cast<char>(b[0] ^ 0x80);
      } else {
        Complement(b.data(), n);
        b[0] = static_cast<char>((b[0] ^ 0x80) | 0xF0);  // any non-zero sign nibble is negative
      }
      return b;
    default:
      return b;
  }
}

Status EncodeKeyComponents(const TableDef& table, const KeyDef& key, std::string_view record,
                           const LocaleTables& locale, std::string* out) {
  size_t total = 0;
  for (const KeyComponent& c : key.components) {
    if (c.field >= table.fields.size()) return Status::Corruption(Check::kFieldLayout);
    const FieldDef& f = table.fields[c.field];
    if (size_t{f.offset} + f.size > record.size()) return Status::Corruption(Check::kFieldLayout);
    total += f.size;
  }
  if (total > kMaxKeyComponentBytes) return Status::Mismatch(kKeyTooLongMessage);
  for (const KeyComponent& c : key.components) {
    const FieldDef& f = table.fields[c.field];
    EncodeComponent(f, c.descending(), key.noCase(), locale, record.substr(f.offset, f.size), out);
  }
  return Status::OK();
}

bool IsBlankKey(const TableDef& table, const KeyDef& key, std::string_view record) {
  for (const KeyComponent& c : key.components) {
    if (c.field >= table.fields.size()) return false;
    const FieldDef& f = table.fields[c.field];
    if (size_t{f.offset} + f.size > record.size()) return false;
    std::string_view v = record.substr(f.offset, f.size);
    switch (f.type) {
      case FieldType::kString:
      case FieldType::kGroup:
        if (v.find_first_not_of(' ') != std::string_view::npos) return false;
        break;
      case FieldType::kCString:
      case FieldType::kPString:
        if (!v.empty() && v[0] != '\0') return false;
        break;
      default:
        if (v.find_first_not_of('\0') != std::string_view::npos) return false;
        break;
    }
  }
  return true;
}

Status BuildKeyEntry(uint32_t table, uint8_t key_number, const TableDef& def, std::string_view record,
                     const LocaleTables& locale, uint32_t id, std::optional<Record>* entry) {
  // An entry already there lends its allocation to the new one.
  std::string k;
  if (*entry) k.swap((*entry)->bytes);
  entry->reset();
  if (key_number >= def.keys.size() || key_number > kMaxKeyNumber) {
    return Status::Corruption(Check::kFieldLayout);
  }
  const KeyDef& key = def.keys[key_number];
  if (key.dynamic()) return Status::OK();
  if (key.excludeBlank() && IsBlankKey(def, key, record)) return Status::OK();
  k.assign(KeyEntryPrefix(table, key_number));
  size_t components = 0;
  for (const KeyComponent& c : key.components) {
    if (c.field < def.fields.size()) components += def.fields[c.field].size;
  }
  // Key, id and value in one buffer that becomes the record's.
  k.reserve(k.size() + components + 8);
  KESTREL_RETURN_IF_ERROR(EncodeKeyComponents(def, key, record, locale, &k));
  if (key.duplicates()) Append32BE(&k, id);
  const size_t key_length = k.size();
  Append32BE(&k, id);
  Record& r = entry->emplace();
  r.bytes = std::move(k);
  r.key_length = static_cast<uint16_t>(key_length);
  return Status::OK();
}

}  // namespace kestrel
