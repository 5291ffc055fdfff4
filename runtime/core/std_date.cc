#include "runtime/core/std_date.h"

#include <ctime>

namespace rt {

namespace {

// Days since 1 March of year 0 style civil arithmetic (proleptic Gregorian),
// valid for every year the standard date range covers.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = y / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

constexpr std::int64_t kEpoch = DaysFromCivil(1801, 1, 1) - kMinStdDate;

}  // namespace

bool IsValidStdDate(std::int32_t date) { return date >= kMinStdDate && date <= kMaxStdDate; }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int32_t MakeStdDate(int year, int month, int day) {
  if (month < 1 || day < 1) return -1;
  const std::int64_t y = year + static_cast<std::int64_t>(month - 1) / 12;
  const int m = (month - 1) % 12 + 1;
  if (y < 1801 || y > 9999 || day > DaysInMonth(static_cast<int>(y), m)) return -1;
  return static_cast<std::int32_t>(DaysFromCivil(y, m, day) - kEpoch);
}

bool SplitStdDate(std::int32_t date, CivilDate* out) {
  if (!IsValidStdDate(date)) return false;
  const std::int64_t z = date + kEpoch;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out->year = static_cast<int>(yoe + era * 400 + (m <= 2));
  out->month = m;
  out->day = d;
  return true;
}

int DayOfWeek(std::int32_t date) { return IsValidStdDate(date) ? date % 7 : -1; }

int ExpandTwoDigitYear(int year, int current_year, int window) {
  if (year < 0 || year >= 100) return year;
  const int candidate = current_year - current_year % 100 + year;
  const int c = current_year % 100 - year;
  if (c <= window - 100) return candidate - 100;
  if (c > window) return candidate + 100;
  return candidate;
}

std::int32_t Today() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return MakeStdDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

}  // namespace rt
