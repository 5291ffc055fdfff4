// Standard times: hundredths of a second since midnight plus 1, so 1 is
// midnight and 8640000 is 23:59:59.99. 0 means no time.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::int32_t kStdTimeHour = 360000;
constexpr std::int32_t kStdTimeMinute = 6000;
constexpr std::int32_t kStdTimeSecond = 100;
constexpr std::int32_t kMaxStdTime = 24 * kStdTimeHour;  // 23:59:59.99

struct ClockTime {
  int hour = 0;        // 0..23
  int minute = 0;      // 0..59
  int second = 0;      // 0..59
  int hundredths = 0;  // 0..99
};

bool IsValidStdTime(std::int32_t time);  // 1..kMaxStdTime

// -1 when a part is out of range.
std::int32_t MakeStdTime(int hour, int minute, int second, int hundredths = 0);
bool SplitStdTime(std::int32_t time, ClockTime* out);

// The current local time of day.
std::int32_t Clock();

}  // namespace rt
