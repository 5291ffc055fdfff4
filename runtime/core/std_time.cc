#include "runtime/core/std_time.h"

#include <sys/time.h>

#include <ctime>

namespace rt {

bool IsValidStdTime(std::int32_t time) { return time >= 1 && time <= kMaxStdTime; }

std::int32_t MakeStdTime(int hour, int minute, int second, int hundredths) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      hundredths < 0 || hundredths > 99) {
    return -1;
  }
  return hour * kStdTimeHour + minute * kStdTimeMinute + second * kStdTimeSecond + hundredths +
         1;
}

bool SplitStdTime(std::int32_t time, ClockTime* out) {
  if (!IsValidStdTime(time)) return false;
  std::int32_t t = time - 1;
  out->hour = t / kStdTimeHour;
  t %= kStdTimeHour;
  out->minute = t / kStdTimeMinute;
  t %= kStdTimeMinute;
  out->second = t / kStdTimeSecond;
  out->hundredths = t % kStdTimeSecond;
  return true;
}

std::int32_t Clock() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm tm{};
  const std::time_t secs = tv.tv_sec;
  localtime_r(&secs, &tm);
  return MakeStdTime(tm.tm_hour, tm.tm_min, tm.tm_sec < 60 ? tm.tm_sec : 59,
                     static_cast<int>(tv.tv_usec / 10000));
}

}  // namespace rt
