// A small JSON reader for krl exec requests: one value per line.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace krl {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // strings: UTF-8; numbers: as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;  // in order of the text

  bool isNull() const { return kind == Kind::kNull; }
  bool isBool() const { return kind == Kind::kBool; }
  bool isNumber() const { return kind == Kind::kNumber; }
  bool isString() const { return kind == Kind::kString; }
  bool isArray() const { return kind == Kind::kArray; }
  bool isObject() const { return kind == Kind::kObject; }
  // Member `name` of an object, or null when absent.
  const JsonValue* Find(std::string_view name) const;
};

// Parses exactly one value (blanks around it allowed). Nesting deeper than
// 64 levels is refused. On failure *error says what is wrong.
bool ParseJson(std::string_view text, JsonValue* out, std::string* error);

// UTF-8 -> Windows-1252; false when a character has no counterpart.
bool Utf8To1252(std::string_view utf8, std::string* out);

}  // namespace krl
