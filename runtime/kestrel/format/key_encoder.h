// Key entries: the key of an entry is TN, the key number, every component's
// encoded value (each of its field's full size, no separators) and, for keys
// with duplicates, the record id; the value is the record id.
//
// Component encoding, chosen so that unsigned byte comparison gives the
// field's natural order:
//   STRING, GROUP          bytes as they are
//   CSTRING, PSTRING       the characters, zero-filled to the field size
//     (these four fold case through the locale for case-insensitive keys,
//      then map through the sort weights when the collation is in force)
//   USHORT, ULONG, DATE, TIME   big-endian
//   SHORT, LONG            big-endian, sign bit flipped
//   SREAL, REAL            big-endian; negatives complemented, else sign bit set
//   DECIMAL                sign nibble cleared, first byte ^ 0x80, negatives complemented
//   others                 bytes as they are
// A descending component is complemented last.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/status.h"
#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

inline constexpr size_t kMaxKeyComponentBytes = 7526;

// Appends the encoded value of one component, read from `field_bytes` (the
// field's whole storage in the record).
void EncodeComponent(const FieldDef& field, bool descending, bool no_case,
                     const LocaleTables& locale, std::string_view field_bytes, std::string* out);

// Appends the encoded components of `key` for the row `record`. Components
// outside the record or naming no field fail kFieldLayout; more than 7526
// bytes fail Mismatch(kKeyTooLongMessage).
Status EncodeKeyComponents(const TableDef& table, const KeyDef& key, std::string_view record,
                           const LocaleTables& locale, std::string* out);

// True when every component is blank: STRING/GROUP all spaces, CSTRING and
// PSTRING with a zero first byte, other types all zero bytes.
bool IsBlankKey(const TableDef& table, const KeyDef& key, std::string_view record);

// The entry of `record` (id `id`) in key `key_number` of table `table`, or
// nullopt when the key gets no entry (run-time index, or all blank with
// blank exclusion). An entry already in *entry is replaced, its allocation
// reused.
Status BuildKeyEntry(uint32_t table, uint8_t key_number, const TableDef& def, std::string_view record,
                     const LocaleTables& locale, uint32_t id, std::optional<Record>* entry);

// Best-effort inverse of EncodeComponent for display: the field's bytes as
// they would stand in a record (case folding and collation cannot be undone).
std::string DecodeComponent(const FieldDef& field, bool descending, std::string_view encoded);

}  // namespace kestrel
