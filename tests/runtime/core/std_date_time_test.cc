#include <gtest/gtest.h>

#include <ctime>

#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"

namespace rt {
namespace {

TEST(StdDateTest, CalendarConversions) {
  struct Case {
    int y, m, d;
    std::int32_t date;
  } cases[] = {
      {1801, 1, 1, 4},       {2024, 1, 5, 81457},   {2024, 2, 29, 81512},
      {2000, 2, 29, 72746},  {1900, 3, 1, 36222},   {9999, 12, 31, 2994626},
      {2023, 13, 5, 81457},  // months above 12 carry into the year
      {2024, 2, 30, -1},     {2023, 2, 29, -1},     {1900, 2, 29, -1},
      {1800, 12, 31, -1},    {10000, 1, 1, -1},     {2024, 0, 1, -1},
      {2024, 1, 0, -1},      {2024, -1, 1, -1},     {9999, 13, 1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeStdDate(c.y, c.m, c.d), c.date) << c.y << "-" << c.m << "-" << c.d;
  }
  CivilDate out{1, 2, 3};
  EXPECT_FALSE(SplitStdDate(3, &out));
  EXPECT_FALSE(SplitStdDate(2994627, &out));
  EXPECT_FALSE(SplitStdDate(0, &out));
  EXPECT_EQ(out.year, 1);
  EXPECT_EQ(DayOfWeek(4), 4);            // 1 January 1801 was a Thursday
  EXPECT_EQ(DayOfWeek(81457), 5);        // 5 January 2024, a Friday
  EXPECT_EQ(DayOfWeek(0), -1);
}

TEST(StdDateTest, EveryDayOfTheRangeRoundTrips) {
  CivilDate prev;
  ASSERT_TRUE(SplitStdDate(kMinStdDate, &prev));
  for (std::int32_t d = kMinStdDate + 1; d <= kMaxStdDate; ++d) {
    CivilDate c;
    ASSERT_TRUE(SplitStdDate(d, &c));
    const bool next_day = c.year == prev.year && c.month == prev.month && c.day == prev.day + 1;
    const bool next_month = c.year == prev.year && c.month == prev.month + 1 && c.day == 1 &&
                            prev.day == DaysInMonth(prev.year, prev.month);
    const bool next_year = c.year == prev.year + 1 && c.month == 1 && c.day == 1 &&
                           prev.month == 12 && prev.day == 31;
    ASSERT_TRUE(next_day || next_month || next_year) << d;
    ASSERT_EQ(MakeStdDate(c.year, c.month, c.day), d);
    prev = c;
  }
  EXPECT_EQ(prev.year, 9999);
}

TEST(StdDateTest, TwoDigitYearWindow) {
  struct Case {
    int yy, current, window, want;
  } cases[] = {
      {24, 2026, 80, 2024}, {50, 2026, 80, 1950}, {45, 2026, 80, 2045},
      {46, 2026, 80, 1946}, {26, 2026, 80, 2026}, {0, 2026, 80, 2000},
      {10, 2099, 80, 2110}, {19, 2099, 80, 2019}, {99, 2000, 80, 1999},
      {16, 2026, 10, 2016}, {15, 2026, 10, 2115},  // "<10": ten years back
      {36, 2026, 89, 2036}, {37, 2026, 89, 1937},  // ">10": ten years ahead
      {150, 2026, 80, 150},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandTwoDigitYear(c.yy, c.current, c.window), c.want)
        << c.yy << " in " << c.current << " window " << c.window;
  }
}

TEST(StdDateTest, TodayIsTheLocalDate) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(Today(), MakeStdDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
}

TEST(StdTimeTest, Conversions) {
  EXPECT_EQ(MakeStdTime(0, 0, 0), 1);
  EXPECT_EQ(MakeStdTime(12, 30, 0), 12 * 360000 + 30 * 6000 + 1);
  EXPECT_EQ(MakeStdTime(23, 59, 59, 99), kMaxStdTime);
  EXPECT_EQ(MakeStdTime(24, 0, 0), -1);
  EXPECT_EQ(MakeStdTime(1, 60, 0), -1);
  EXPECT_EQ(MakeStdTime(1, 0, 60), -1);
  EXPECT_EQ(MakeStdTime(1, 0, 0, 100), -1);
  ClockTime c;
  ASSERT_TRUE(SplitStdTime(MakeStdTime(13, 5, 9, 42), &c));
  EXPECT_EQ(c.hour, 13);
  EXPECT_EQ(c.minute, 5);
  EXPECT_EQ(c.second, 9);
  EXPECT_EQ(c.hundredths, 42);
  EXPECT_FALSE(SplitStdTime(0, &c));
  EXPECT_FALSE(SplitStdTime(kMaxStdTime + 1, &c));
  EXPECT_TRUE(IsValidStdTime(Clock()));
}

}  // namespace
}  // namespace rt
