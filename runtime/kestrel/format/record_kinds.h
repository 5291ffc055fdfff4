// Keys and values of the record kinds. Every record of a table begins with
// its 4-byte table number (TN); the kind byte follows:
//
//   key entry      TN, key number (0..0xEF), components [, id]  -> id
//   data record    TN, 0xF3, id                                 -> the row
//   statistics     TN, 0xF6, subject (0xF3 or a key number)     -> count LE, marker LE
//   definition     TN, 0xFA, block number (16-bit LE)           -> up to 512 bytes
//   locale record  TN, 0xFB, 0x01                               -> OEM flag, 1152 bytes of tables
//   memo segment   TN, 0xFC, id, memo number, segment (16-bit BE) -> segment bytes
//   name record    0xFE, table name                             -> TN
//   transaction    0xFF                                         -> txn id LE, file name, 0
//
// The empty key is the low sentinel that begins every file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/status.h"

namespace kestrel {

inline constexpr uint8_t kMaxKeyNumber = 0xEF;
inline constexpr uint8_t kKindData = 0xF3;
inline constexpr uint8_t kKindStatistics = 0xF6;
inline constexpr uint8_t kKindDefinition = 0xFA;
inline constexpr uint8_t kKindLocale = 0xFB;
inline constexpr uint8_t kKindMemo = 0xFC;
inline constexpr uint8_t kKindName = 0xFE;
inline constexpr uint8_t kKindTransactionLink = 0xFF;
inline constexpr char kUnnamedTable[] = "UNNAMED";

std::string TablePrefix(uint32_t table);
std::string KeyEntryPrefix(uint32_t table, uint8_t key_number);
std::string DataKey(uint32_t table, uint32_t id);
std::string StatisticsKey(uint32_t table, uint8_t subject);
std::string DefinitionKey(uint32_t table, uint16_t block);
std::string LocaleKey(uint32_t table);
std::string MemoKey(uint32_t table, uint32_t id, uint8_t memo, uint16_t segment);
// All memo segments of one record share this prefix (TN, 0xFC, id).
std::string MemoRecordPrefix(uint32_t table, uint32_t id);
std::string NameKey(std::string_view table_name);
std::string TransactionLinkKey();

enum class RecordKind {
  kSentinel,
  kKeyEntry,
  kData,
  kStatistics,
  kDefinition,
  kLocale,
  kMemo,
  kName,
  kTransactionLink,
  kUnknown,  // a table prefix with a kind byte this format does not use
};

// What a key says about its record. Fields not used by the kind stay 0.
struct ParsedKey {
  RecordKind kind = RecordKind::kUnknown;
  uint32_t table = 0;
  uint8_t key_number = 0;        // key entries
  uint32_t id = 0;               // data records, memo segments
  uint8_t subject = 0;           // statistics
  uint16_t block = 0;            // definition blocks
  uint8_t memo = 0;              // memo segments
  uint16_t segment = 0;          // memo segments
  std::string_view components;   // key entries: the encoded components (and id, if any)
  std::string_view name;         // name records
};

// Classifies a key. Keys too short for their kind come back as kUnknown.
// `components` and `name` point into `key`, which must outlive the result.
ParsedKey ParseKey(std::string_view key);

// Value of a statistics record: count of records or entries; marker.
struct Statistics {
  uint32_t count = 0;
  uint32_t marker = 0;
  std::string Encode() const;
  static Status Decode(std::string_view value, Statistics* out);
};

// Value of the transaction link record.
struct TransactionLink {
  uint32_t transaction_id = 0;
  std::string control_file;
  std::string Encode() const;
  static Status Decode(std::string_view value, TransactionLink* out);
};

// Value of a name record: the table number as used in keys.
Status DecodeTableNumber(std::string_view value, uint32_t* table);
std::string EncodeTableNumber(uint32_t table);

}  // namespace kestrel
