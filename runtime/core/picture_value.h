// The value a picture formats and a deformat produces: either a number (an
// exact Decimal; standard dates and times are whole numbers) or a text.
//
// Every picture accepts both kinds. A number picture given a text reads the
// text as a number (leniently: garbage reads as 0); a string picture given a
// number shows its exact text ("7.50"); a date or time picture given a text
// reads its integer part.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/core/decimal.h"

namespace rt {

class PictureValue {
 public:
  PictureValue() = default;  // the empty text
  PictureValue(Decimal d) : is_number_(true), number_(std::move(d)) {}  // NOLINT
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  PictureValue(T v) : is_number_(true), number_(static_cast<std::int64_t>(v)) {}  // NOLINT
  PictureValue(std::string s) : text_(std::move(s)) {}        // NOLINT
  PictureValue(std::string_view s) : text_(s) {}              // NOLINT
  PictureValue(const char* s) : text_(s ? s : "") {}          // NOLINT

  bool IsNumber() const { return is_number_; }
  bool IsText() const { return !is_number_; }

  // The number, or the text read leniently: blanks, an optional sign, digits
  // and one "." are taken up to the first other character; no digits give 0.
  Decimal AsNumber() const;
  // The text, or the number's exact text.
  std::string AsText() const;
  // The integer part of AsNumber(), clamped to the 32-bit range: the form in
  // which standard dates and times travel.
  std::int32_t AsInt32() const;

  // Same kind and same content (numbers compare numerically).
  friend bool operator==(const PictureValue& a, const PictureValue& b);

 private:
  bool is_number_ = false;
  Decimal number_;
  std::string text_;
};

}  // namespace rt
