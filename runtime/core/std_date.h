// Standard dates: a signed 32-bit day number, day 4 = 1 January 1801, valid
// from 4 to 2994626 (31 December 9999). 0 means no date.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::int32_t kMinStdDate = 4;        // 1 January 1801
constexpr std::int32_t kMaxStdDate = 2994626;  // 31 December 9999

struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

bool IsValidStdDate(std::int32_t date);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// The standard date of a calendar date. Months above 12 carry into the year
// (month 13 of 2023 is January 2024); -1 when the result is not a valid date
// (month or day 0, day past the month's end, year outside 1801..9999).
std::int32_t MakeStdDate(int year, int month, int day);

// The calendar date of a standard date; false (and *out untouched) when the
// date is not valid.
bool SplitStdDate(std::int32_t date, CivilDate* out);

// 0 = Sunday ... 6 = Saturday; -1 for an invalid date.
int DayOfWeek(std::int32_t date);

// Places a year below 100 in a century: `window` is how many years back
// from `current_year` the result may lie (the rest of the hundred lies
// ahead). Window 80 in 2026: 46..99 -> 1946..1999, 0..45 -> 2000..2045.
// Years of 100 and more are returned unchanged.
int ExpandTwoDigitYear(int year, int current_year, int window);

// The current local date.
std::int32_t Today();

}  // namespace rt
