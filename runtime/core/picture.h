// Pictures: the "@..." texts that say how a value is shown and how typed
// text is read back.
//
//   @s<w>                         string of width w (1..255)
//   @n[$|~cur~][-|(][0|_|*]<w>[[.|_|`](.|`|v)<places>][-|)][$|~cur~][B]
//                                 number: currency, sign, fill, width,
//                                 grouping, decimal indicator, places
//   @e<w>[[.|_|`](.|`|v)<places>][B]  scientific, w >= 7
//   @d[0|_|*]<1..18>[<n|>n][.|-|_|`][B]  standard date (17, 18: locale)
//   @t[0|_|*]<1..8>[.|-|_|`][B]          standard time (7, 8: locale)
//   @p...p   pattern: '#' digit, '<' suppressible digit, others literal
//   @k...k   key-in: '#' digit, '<' suppressible digit, '@' letter,
//            '^' upper-case letter, '_' any, '?' optional, '|' stop,
//            '\' quotes the next character, others literal
//
// A picture that does not parse compiles to the empty picture: it formats
// every value as "" and deformats every text as the empty text.
//
// Numbers: a leading "-" or "(" moves right across blanks to stand next to
// the first digit ("   -12,345"). A negative value in a picture without a
// sign position takes a minus in the nearest free position to the left of
// its digits (the leftmost fill character when there is no blank), and
// shows as all "#" when there is none: it never shows as a positive value.
// Month and weekday names of @d4 and of locale pictures vary in length: the
// text is compact ("January 5, 2024") and padded on the right to width().
//
// Usage (compile once, format many times; a compiled Picture is immutable
// and may be shared between threads):
//   rt::Picture pic = rt::Picture::Compile("@n-14");
//   std::string cell = pic.Format(rt::Decimal(12345678));   // "    12,345,678"
//   rt::PictureValue v = pic.Deformat("1,234");              // number 1234
//   rt::PictureValue d;
//   if (!rt::Picture::Compile("@d6").TryDeformat("31/02/2024", &d)) { refuse }
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/picture_value.h"

namespace rt {

namespace picture_internal {
struct TimeLocale;
}

enum class PictureType : std::uint8_t {
  kEmpty,
  kString,
  kNumber,
  kScientific,
  kDate,
  kTime,
  kPattern,
  kKeyIn,
};

enum class PositionKind : std::uint8_t {
  kLiteral,            // shown as `ch`
  kGroupSeparator,     // `ch` between significant digits
  kDecimalPoint,       // `ch` ("." or ",")
  kDigit,              // always shown
  kSuppressibleDigit,  // a leading zero shows as `ch` (blank or fill)
  kSign,               // `ch` ("-", "(", ")") for negatives, else blank
  kCurrency,           // `ch`, one character of the currency text
  kMonthDigit,         // date parts; `suppressible` marks a leading digit
  kDayDigit,
  kYearDigit,
  kMonthName,          // letter `index` of the month name; `ch` picks the
                       // name: 'A' abbreviation in capitals, 'a' abbreviation,
                       // 'F' full name
  kWeekdayName,        // letter `index` of the weekday name, `ch` as above
  kHourDigit,          // time parts
  kMinuteDigit,
  kSecondDigit,
  kDateTimeSeparator,  // `ch`: the picture's separator
  kAmPm,               // letter `index` of the AM or PM text
  kExponentSign,       // "+" or "-" of a scientific exponent
  kExponentDigit,
  kKeyDigit,           // key-in classes
  kKeyLetter,
  kKeyUpper,
  kKeyAny,
  kKeyOptional,
  kKeyStop,
};

struct PicturePosition {
  char ch = ' ';
  PositionKind kind = PositionKind::kLiteral;
  bool suppressible = false;  // date/time digit shown as `ch` when a leading 0
  std::uint8_t index = 0;     // letter index within a name or AM/PM run
  std::uint8_t run = 0;       // length of the name run this position belongs to
};

class Picture {
 public:
  static constexpr int kMaxPositions = 255;

  Picture() = default;  // the empty picture
  static Picture Compile(std::string_view text);

  bool empty() const { return positions_.empty(); }
  PictureType type() const { return type_; }
  bool blank_when_zero() const { return blank_when_zero_; }
  int number() const { return number_; }  // date 1..18 or time 1..8, else 0
  int window() const { return window_; }  // years back of the two-digit-year window
  int places() const { return places_; }  // number and scientific pictures
  // Characters Format produces. Pictures whose month or weekday names vary
  // in length pad to this width on the right; key-in stop marks take none.
  int width() const { return width_; }
  const std::vector<PicturePosition>& positions() const { return positions_; }

  // The value as text of exactly width() characters ("" for the empty picture).
  std::string Format(const PictureValue& value) const;

  // The typed text as a value (kinds listed at TryDeformat). Garbage gives 0
  // for numbers; dates and times give -1 when invalid and 0 when no digit
  // was typed.
  PictureValue Deformat(std::string_view text) const;

  // Deformat with a verdict: false when the picture refuses the text (a date
  // or time that gives -1, a number whose integer part does not fit the
  // picture, key-in text that breaks its character classes). `*value` is
  // always set to what Deformat returns.
  //   number, scientific: a Decimal
  //   date, time:         the standard date or time as a whole number
  //   string:             the text unchanged
  //   pattern:            the text of the digits typed, literals removed
  //   key-in:             the characters at the non-literal positions
  bool TryDeformat(std::string_view text, PictureValue* value) const;

 private:
  friend struct PictureBuilder;

  PictureType type_ = PictureType::kEmpty;
  bool blank_when_zero_ = false;
  bool implied_decimal_ = false;  // "v": places taken from the right, no point
  std::uint8_t number_ = 0;
  std::uint8_t window_ = 80;
  std::uint8_t places_ = 0;
  char decimal_char_ = '.';
  char group_char_ = 0;           // 0: no grouping
  // Names and AM/PM texts of locale pictures; null: English, "AM"/"PM".
  std::shared_ptr<const picture_internal::TimeLocale> locale_;
  bool variable_names_ = false;   // a name run shows names of varying length
  std::uint16_t width_ = 0;
  std::vector<PicturePosition> positions_;
};

// One-shot helpers for callers that do not keep the compiled picture.
std::string Format(const PictureValue& value, std::string_view picture);
PictureValue Deformat(std::string_view text, std::string_view picture);

}  // namespace rt
