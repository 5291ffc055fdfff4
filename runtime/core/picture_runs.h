// Reads typed text against the digit and name runs of a date or time
// picture. A run takes the digits found where it starts (a non-digit ends it
// early); a separator or literal takes one punctuation character if one is
// there, so that text typed with other separators, or none, realigns with
// the picture. Internal to pictures.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/core/picture.h"
#include "runtime/core/picture_locale.h"

namespace rt {
namespace picture_internal {

struct RunValues {
  int month = -1;  // -1: not typed
  int day = -1;
  int year = -1;
  int hour = -1;
  int minute = -1;
  int second = -1;
  bool any_digit = false;
};

RunValues ReadRuns(const std::vector<PicturePosition>& positions, std::string_view text,
                   const TimeLocale& locale);

// A byte that can belong to a name: an ASCII letter or part of a multi-byte
// character.
bool IsNameByte(char c);

}  // namespace picture_internal
}  // namespace rt
