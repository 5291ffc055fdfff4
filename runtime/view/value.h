// The values an expression works with: exact numbers (dates are their
// standard date numbers) and texts of single-byte characters.
#pragma once

#include <compare>
#include <string>
#include <string_view>

#include "runtime/core/decimal.h"

namespace rt {

class Value {
 public:
  enum class Kind : uint8_t { kNumber, kText };

  Value() = default;  // the number 0
  Value(Decimal n) : kind_(Kind::kNumber), number_(n) {}  // NOLINT
  Value(int64_t n) : kind_(Kind::kNumber), number_(n) {}  // NOLINT
  explicit Value(std::string text) : kind_(Kind::kText), text_(std::move(text)) {}
  static Value Text(std::string_view text) { return Value(std::string(text)); }
  static Value Bool(bool b) { return Value(int64_t{b ? 1 : 0}); }

  Kind kind() const { return kind_; }
  bool isNumber() const { return kind_ == Kind::kNumber; }
  bool isText() const { return kind_ == Kind::kText; }

  // A text that reads as a number gives that number; any other text 0.
  Decimal number() const;
  // Numbers in their shortest exact form ("7.5", "-3").
  std::string text() const;
  const std::string& rawText() const { return text_; }
  const Decimal& rawNumber() const { return number_; }

  // Numbers: not zero. Texts: not blank.
  bool truth() const;

 private:
  Kind kind_ = Kind::kNumber;
  Decimal number_;
  std::string text_;
};

// Texts compare byte by byte as unsigned characters, the shorter one padded
// with blanks, so trailing blanks never matter.
std::strong_ordering compareText(std::string_view a, std::string_view b);

// Two numbers compare as numbers. A number and a text compare as numbers
// when the text reads as one, otherwise as texts. Two texts compare as
// texts. An invalid number is below every valid one.
std::strong_ordering compareValues(const Value& a, const Value& b);

// Upper and lower case of the single-byte (Windows Latin-1) character set.
char upperChar(char c);
char lowerChar(char c);
std::string upperText(std::string_view s);
std::string lowerText(std::string_view s);

}  // namespace rt
