// The per-family compile, format and deformat steps behind Picture. Each
// family lives in its own file; Picture dispatches by type. Internal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/picture.h"

namespace rt {

struct PictureBuilder {
  // Compile steps get the text after the two-character "@x" prefix, with the
  // blank-when-zero "B" already removed; false when it does not parse.
  static bool CompileString(std::string_view body, Picture* p);
  static bool CompileNumber(std::string_view body, Picture* p);
  static bool CompileScientific(std::string_view body, Picture* p);
  static bool CompileDate(std::string_view body, Picture* p);
  static bool CompileTime(std::string_view body, Picture* p);
  static bool CompilePattern(std::string_view body, bool key_in, Picture* p);

  static std::string FormatString(const Picture& p, const PictureValue& v);
  static std::string FormatNumber(const Picture& p, const Decimal& d);
  static std::string FormatScientific(const Picture& p, const Decimal& d);
  static std::string FormatDate(const Picture& p, std::int32_t date);
  static std::string FormatTime(const Picture& p, std::int32_t time);
  static std::string FormatPattern(const Picture& p, const PictureValue& v);
  static std::string FormatKeyIn(const Picture& p, const PictureValue& v);

  // Each sets *value and returns whether the picture accepts the text.
  static bool DeformatNumber(const Picture& p, std::string_view text, PictureValue* value);
  static bool DeformatScientific(const Picture& p, std::string_view text, PictureValue* value);
  static bool DeformatDate(const Picture& p, std::string_view text, PictureValue* value);
  static bool DeformatTime(const Picture& p, std::string_view text, PictureValue* value);
  static bool DeformatPattern(const Picture& p, std::string_view text, PictureValue* value);
  static bool DeformatKeyIn(const Picture& p, std::string_view text, PictureValue* value);

  // Shared by the families.
  static void Push(Picture* p, PositionKind kind, char ch, bool suppressible = false);
  // Reads a decimal number of at most `max_digits` digits at s[*i]; -1 if none.
  static int ReadNumber(std::string_view s, size_t* i, int max_digits);
  // Reads the grouping and decimal indicators of a number or scientific
  // picture at s[*i] (a grouping character needs a decimal indicator after it).
  static void ReadIndicators(std::string_view s, size_t* i, char* group, char* decimal);
  // Gives date and time positions their separator and fill characters.
  static void ApplySeparatorAndFill(Picture* p, char separator, char fill);
};

}  // namespace rt
