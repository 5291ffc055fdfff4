#include "tools/qvdata/field_text.h"

#include <cstdio>
#include <limits>

#include "runtime/core/decimal.h"
#include "runtime/core/file_field.h"
#include "runtime/core/std_date.h"
#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"

namespace qvdata {

namespace {

bool ToFileText(std::string_view cell, std::string* out, std::string* reason) {
  rt::Utf8Fault e;
  if (rt::utf8ToWindows1252(cell, out, &e)) return true;
  *reason = e.codePoint ? "character " + rt::codePointName(e.codePoint) + " cannot be stored in Windows-1252"
                         : "not valid UTF-8 at byte " + std::to_string(e.offset + 1);
  return false;
}

std::string TooLong(size_t chars, size_t room) {
  return "text too long: " + std::to_string(chars) + " characters, at most " + std::to_string(room);
}

bool ParseInteger(std::string_view s, int64_t* v) {
  size_t at = 0;
  bool negative = false;
  if (at < s.size() && (s[at] == '-' || s[at] == '+')) negative = s[at++] == '-';
  if (at == s.size() || s.size() - at > 12) return false;
  int64_t n = 0;
  for (; at < s.size(); ++at) {
    if (s[at] < '0' || s[at] > '9') return false;
    n = n * 10 + (s[at] - '0');
  }
  *v = negative ? -n : n;
  return true;
}

std::string RangeOf(rt::FieldType type) {
  return type == rt::FieldType::kShort ? "-32768 to 32767" : "-2147483648 to 2147483647";
}

}  // namespace

namespace {

// Up to three numbers split by `sep`, with the digit count of each; false
// for any other character or more parts.
bool SplitDate(std::string_view text, char sep, int part[3], int digits[3]) {
  int p = 0;
  for (char c : text) {
    if (c == sep) {
      if (++p > 2) return false;
    } else if (c >= '0' && c <= '9') {
      if (++digits[p] > 4) return false;
      part[p] = part[p] * 10 + (c - '0');
    } else {
      return false;
    }
  }
  return p == 2;
}

}  // namespace

int32_t ParseDate(std::string_view text) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  if (SplitDate(text, '/', part, digits)) {
    if (digits[0] < 1 || digits[0] > 2 || digits[1] < 1 || digits[1] > 2 || digits[2] != 4) return -1;
    // The runtime carries months above 12 into the year; a cell never means that.
    if (part[1] > 12) return -1;
    return rt::MakeStdDate(part[2], part[1], part[0]);
  }
  int iso[3] = {0, 0, 0};
  int iso_digits[3] = {0, 0, 0};
  if (SplitDate(text, '-', iso, iso_digits)) {
    if (iso_digits[0] != 4 || iso_digits[1] != 2 || iso_digits[2] != 2 || iso[1] > 12) return -1;
    return rt::MakeStdDate(iso[0], iso[1], iso[2]);
  }
  return -1;
}

bool LooksLikeSpreadsheetDate(std::string_view text) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  if (!SplitDate(text, '/', part, digits) || digits[0] < 1 || digits[1] < 1) return false;
  if (digits[2] == 2) return true;
  return digits[2] == 4 && part[0] >= 1 && part[0] <= 12 && part[1] > 12 && part[1] <= 31;
}

std::string FormatDate(int32_t std_date) {
  rt::CivilDate d;
  if (std_date == 0 || !rt::SplitStdDate(std_date, &d)) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
  return buf;
}

std::string FormatIsoDate(int32_t std_date) {
  rt::CivilDate d;
  if (std_date == 0 || !rt::SplitStdDate(std_date, &d)) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

bool SetFieldFromCell(rt::FileControlBlock& file, int field, std::string_view cell, std::string* reason,
                      CellStyle style) {
  const rt::FieldDecl& f = file.decl().fields[field];
  if (rt::isTextType(f.type)) {
    std::string text;
    if (!ToFileText(cell, &text, reason)) return false;
    if (text.size() > f.chars()) {
      *reason = TooLong(text.size(), f.chars());
      return false;
    }
    return rt::setText(file, field, text) || (*reason = "cannot be stored", false);
  }
  if (rt::isIntegerType(f.type)) {
    int64_t v = 0;
    if (!cell.empty() && !ParseInteger(cell, &v)) {
      *reason = "not a whole number: \"" + std::string(cell) + "\"";
      return false;
    }
    if (!rt::setInteger(file, field, v)) {
      *reason = "number out of range (" + RangeOf(f.type) + ")";
      return false;
    }
    return true;
  }
  if (rt::isDecimalType(f.type)) {
    std::string number(cell);
    if (style.decimal_comma) {
      // A point could be a thousands separator there: never guess.
      if (number.find('.') != std::string::npos) {
        *reason = "not a number: \"" + number + "\" (decimals take a comma in a file separated by ';')";
        return false;
      }
      if (const size_t comma = number.find(','); comma != std::string::npos) number[comma] = '.';
    }
    std::optional<rt::Decimal> d = number.empty() ? rt::Decimal(0) : rt::Decimal::Parse(number);
    if (!d || number.find(' ') != std::string::npos) {
      *reason = "not a number: \"" + std::string(cell) + "\"";
      return false;
    }
    if (d->Normalized().Scale() > f.places) {
      *reason = "more than " + std::to_string(f.places) + " decimal places";
      return false;
    }
    if (!rt::setDecimal(file, field, *d)) {
      *reason = "number out of range";
      return false;
    }
    return true;
  }
  if (f.type == rt::FieldType::kDate) {
    const int32_t date = cell.empty() ? 0 : ParseDate(cell);
    if (date < 0 || !rt::setDate(file, field, date)) {
      *reason = "invalid date \"" + std::string(cell) + "\" (DD/MM/YYYY or YYYY-MM-DD)";
      return false;
    }
    return true;
  }
  *reason = std::string("fields of type ") + rt::fieldTypeName(f.type) + " are not read";
  return false;
}

bool SetMemoFromCell(rt::FileControlBlock& file, int memo, std::string_view cell, std::string* reason) {
  std::string text;
  if (!ToFileText(cell, &text, reason)) return false;
  const size_t room = file.decl().memos[memo].size;
  if (text.size() > room) {
    *reason = TooLong(text.size(), room);
    return false;
  }
  return rt::setMemo(file, memo, text) || (*reason = "cannot be stored", false);
}

std::string CellOfField(const rt::FileControlBlock& file, int field, CellStyle style) {
  const rt::FieldDecl& f = file.decl().fields[field];
  if (rt::isTextType(f.type)) return rt::windows1252ToUtf8(rt::trimRight(rt::getText(file, field).value_or("")));
  if (rt::isIntegerType(f.type)) return std::to_string(rt::getInteger(file, field).value_or(0));
  if (rt::isDecimalType(f.type)) {
    std::string text = rt::getDecimal(file, field).value_or(rt::Decimal(0)).ToString(f.places);
    if (style.decimal_comma) {
      if (const size_t point = text.find('.'); point != std::string::npos) text[point] = ',';
    }
    return text;
  }
  if (f.type == rt::FieldType::kDate) {
    const int32_t date = rt::getDate(file, field).value_or(0);
    return style.iso_dates ? FormatIsoDate(date) : FormatDate(date);
  }
  return "";
}

std::string CellOfMemo(const rt::FileControlBlock& file, int memo) {
  return rt::windows1252ToUtf8(rt::getMemo(file, memo).value_or(""));
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

std::string JsonOfField(const rt::FileControlBlock& file, int field) {
  const rt::FieldDecl& f = file.decl().fields[field];
  if (rt::isIntegerType(f.type) || rt::isDecimalType(f.type)) return CellOfField(file, field);
  if (f.type == rt::FieldType::kDate) {
    rt::CivilDate d;
    if (!rt::SplitStdDate(rt::getDate(file, field).value_or(0), &d)) return "null";
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d\"", d.year, d.month, d.day);
    return buf;
  }
  return JsonString(CellOfField(file, field));
}

}  // namespace qvdata
