#include "runtime/kestrel/format/record_kinds.h"

#include "runtime/kestrel/format/coding.h"

namespace kestrel {

std::string TablePrefix(uint32_t table) {
  std::string k;
  Append32BE(&k, table);
  return k;
}

std::string KeyEntryPrefix(uint32_t table, uint8_t key_number) {
  std::string k = TablePrefix(table);
  k.push_back(static_cast<char>(key_number));
  return k;
}

std::string DataKey(uint32_t table, uint32_t id) {
  std::string k = KeyEntryPrefix(table, kKindData);
  Append32BE(&k, id);
  return k;
}

std::string StatisticsKey(uint32_t table, uint8_t subject) {
  std::string k = KeyEntryPrefix(table, kKindStatistics);
  k.push_back(static_cast<char>(subject));
  return k;
}

std::string DefinitionKey(uint32_t table, uint16_t block) {
  std::string k = KeyEntryPrefix(table, kKindDefinition);
  Append16LE(&k, block);
  return k;
}

std::string LocaleKey(uint32_t table) {
  std::string k = KeyEntryPrefix(table, kKindLocale);
  k.push_back('\x01');
  return k;
}

std::string MemoRecordPrefix(uint32_t table, uint32_t id) {
  std::string k = KeyEntryPrefix(table, kKindMemo);
  Append32BE(&k, id);
  return k;
}

std::string MemoKey(uint32_t table, uint32_t id, uint8_t memo, uint16_t segment) {
  std::string k = MemoRecordPrefix(table, id);
  k.push_back(static_cast<char>(memo));
  Append16BE(&k, segment);
  return k;
}

std::string NameKey(std::string_view table_name) {
  std::string k(1, static_cast<char>(kKindName));
  k.append(table_name);
  return k;
}

std::string TransactionLinkKey() { return std::string(1, static_cast<char>(kKindTransactionLink)); }

ParsedKey ParseKey(std::string_view key) {
  ParsedKey p;
  if (key.empty()) {
    p.kind = RecordKind::kSentinel;
    return p;
  }
  const uint8_t first = Byte(key, 0);
  if (first == kKindName) {
    p.kind = RecordKind::kName;
    p.name = key.substr(1);
    return p;
  }
  if (first == kKindTransactionLink) {
    if (key.size() == 1) p.kind = RecordKind::kTransactionLink;
    return p;
  }
  if (key.size() < 5) return p;
  p.table = Get32BE(key.data());
  const uint8_t kind = Byte(key, 4);
  const std::string_view rest = key.substr(5);
  if (kind <= kMaxKeyNumber) {
    p.kind = RecordKind::kKeyEntry;
    p.key_number = kind;
    p.components = rest;
  } else if (kind == kKindData && rest.size() == 4) {
    p.kind = RecordKind::kData;
    p.id = Get32BE(rest.data());
  } else if (kind == kKindStatistics && rest.size() == 1) {
    p.kind = RecordKind::kStatistics;
    p.subject = Byte(rest, 0);
  } else if (kind == kKindDefinition && rest.size() == 2) {
    p.kind = RecordKind::kDefinition;
    p.block = Get16LE(rest.data());
  } else if (kind == kKindLocale && rest.size() == 1 && Byte(rest, 0) == 1) {
    p.kind = RecordKind::kLocale;
  } else if (kind == kKindMemo && rest.size() == 7) {
    p.kind = RecordKind::kMemo;
    p.id = Get32BE(rest.data());
    p.memo = Byte(rest, 4);
    p.segment = Get16BE(rest.data() + 5);
  }
  return p;
}

std::string Statistics::Encode() const {
  std::string v;
  Append32LE(&v, count);
  Append32LE(&v, marker);
  return v;
}

Status Statistics::Decode(std::string_view v, Statistics* out) {
  if (v.size() != 8) return Status::Corruption(Check::kRecordValue);
  out->count = Get32LE(v.data());
  out->marker = Get32LE(v.data() + 4);
  return Status::OK();
}

std::string TransactionLink::Encode() const {
  std::string v;
  Append32LE(&v, transaction_id);
  v.append(control_file);
  v.push_back('\0');
  return v;
}

Status TransactionLink::Decode(std::string_view v, TransactionLink* out) {
  if (v.size() < 5 || v.back() != '\0') return Status::Corruption(Check::kRecordValue);
  out->transaction_id = Get32LE(v.data());
  std::string_view name = v.substr(4, v.size() - 5);
  if (name.find('\0') != std::string_view::npos) return Status::Corruption(Check::kRecordValue);
  out->control_file = std::string(name);
  return Status::OK();
}

Status DecodeTableNumber(std::string_view value, uint32_t* table) {
  if (value.size() != 4) return Status::Corruption(Check::kRecordValue);
  *table = Get32BE(value.data());
  return Status::OK();
}

std::string EncodeTableNumber(uint32_t table) { return TablePrefix(table); }

}  // namespace kestrel
