// The date and time conventions of the C/POSIX locale in effect (LC_TIME)
// that pictures @d17, @d18, @t7 and @t8 follow, and the translation of a
// strftime-style format into picture positions. Internal to pictures.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/picture.h"

namespace rt {
namespace picture_internal {

struct TimeLocale {
  std::string short_date = "%m/%d/%Y";
  std::string long_date = "%A, %B %d, %Y";
  std::string short_time = "%H:%M";
  std::string long_time = "%H:%M:%S";
  std::string am = "AM";
  std::string pm = "PM";
  std::array<std::string, 12> months = {"January", "February", "March",     "April",
                                        "May",     "June",     "July",      "August",
                                        "September", "October", "November", "December"};
  std::array<std::string, 12> short_months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 7> days = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> short_days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
};

// English names and the defaults above: what pictures 1 to 16 use, and what
// 17/18 and 7/8 use under the C and POSIX locales.
const TimeLocale& DefaultTimeLocale();

// The conventions of the LC_TIME locale in effect; the defaults where the
// locale is C/POSIX or leaves an item empty.
TimeLocale CurrentTimeLocale();

// Appends the positions of a strftime-style format: %d %e %m %y %Y %b %h %B
// %a %A %H %k %I %l %M %S %p %P, and %D %F %R %T %r as their expansions;
// "%-" flags suppress the leading digit; other conversions are dropped;
// punctuation becomes a date/time separator, any other character a literal.
// Sets *variable when a name run holds names of varying length. False when
// the result would exceed the picture size limit.
bool ExpandLocaleFormat(std::string_view format, const TimeLocale& locale,
                        std::vector<PicturePosition>* out, bool* variable);

// The date part of a date-and-time format: time and zone conversions and the
// separators that follow them removed, blanks collapsed.
std::string DatePartOf(std::string_view date_time_format);
// A time format without its seconds (and the separator before them).
std::string WithoutSeconds(std::string_view time_format);

}  // namespace picture_internal
}  // namespace rt
