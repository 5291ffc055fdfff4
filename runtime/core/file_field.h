// Typed access to the fields of a record buffer, and look-up of fields by
// label for the expression evaluator.
//
// A field is its 0-based position in decl().fields; an array element is
// counted from 0. Reads of a field of the wrong type, or of an element
// outside the field, give nullopt; writes of them give false and change
// nothing. No access reads or writes outside the record buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/core/decimal.h"
#include "runtime/core/file_control.h"

namespace rt {

// A field (or one element of it) of a control block.
struct FieldRef {
  FileControlBlock* file = nullptr;
  int field = -1;
  int element = 0;

  bool valid() const;
  const FieldDecl& decl() const { return file->decl().fields[field]; }
};

// Finds "PRE:NAME" (or "NAME"), optionally with an element subscript
// counted from 1: "PRE:ETAPA[3]". Case does not matter. Invalid ref when
// absent or the subscript is out of range.
FieldRef findFieldRef(FileControlBlock& file, std::string_view label);

// The bytes of one element of a field (empty when out of range).
std::span<uint8_t> fieldBytes(FileControlBlock& file, int field, int element = 0);
std::span<const uint8_t> fieldBytes(const FileControlBlock& file, int field, int element = 0);

// BYTE, SHORT, USHORT, LONG, ULONG. Writes fail for values outside the
// type's range.
std::optional<int64_t> getInteger(const FileControlBlock& file, int field, int element = 0);
bool setInteger(FileControlBlock& file, int field, int64_t value, int element = 0);

// STRING (as stored, padding included), CSTRING (up to the terminator),
// PSTRING (the counted characters, at most the field's room). Writes cut
// text that does not fit: STRING is space-padded, CSTRING keeps room for
// its terminator and is zero-filled, PSTRING gets its length byte.
std::optional<std::string> getText(const FileControlBlock& file, int field, int element = 0);
bool setText(FileControlBlock& file, int field, std::string_view text, int element = 0);

// DECIMAL and PDECIMAL through the packed form; integer fields convert.
// Writes round half away from zero to the field's places and fail when the
// value does not fit.
std::optional<Decimal> getDecimal(const FileControlBlock& file, int field, int element = 0);
bool setDecimal(FileControlBlock& file, int field, const Decimal& value, int element = 0);

// DATE fields (day, month, 16-bit little-endian year) as standard dates:
// all zero reads as 0, a year above 9999 as 31 December 9999, an
// impossible day or month as 0. Writing 0 clears the field; a date that is
// not valid fails. LONG fields hold the standard date itself.
std::optional<int32_t> getDate(const FileControlBlock& file, int field, int element = 0);
bool setDate(FileControlBlock& file, int field, int32_t std_date, int element = 0);

// Memos and blobs, by 0-based memo number. Text memos read without their
// trailing blanks and are stored padded to their size (cut when longer);
// blobs are kept as given.
std::optional<std::string> getMemo(const FileControlBlock& file, int memo);
bool setMemo(FileControlBlock& file, int memo, std::string_view value);

// The field's value as text, for comparisons and the expression evaluator:
// integers in decimal, decimals with their places, text without trailing
// blanks, dates as standard date numbers, groups as raw bytes.
std::optional<std::string> getValueText(const FieldRef& ref);

// Sets a field from text: integer and decimal fields from a number
// ("-12.50"; integers take it rounded), text fields as setText, DATE fields
// from a standard date number or "YYYY-MM-DD" ("" or "0" clears). False,
// changing nothing, when the text does not fit the field.
bool setValueText(const FieldRef& ref, std::string_view text);

// Copies the value of `src` into `dst`: byte for byte between fields of one
// type and size, otherwise through the value (numbers exactly, through
// Decimal; anything into text as its value text; text into numbers and
// dates as setValueText reads it).
bool assignValue(const FieldRef& dst, const FieldRef& src);

// Gives every field (or one element) its clear value: fill 0 blank/zero,
// 1 highest, -1 lowest.
void clearField(FileControlBlock& file, int field, int fill = 0);

}  // namespace rt
