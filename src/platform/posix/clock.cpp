#include "platform/clock.h"

#include <sys/time.h>
#include <time.h>

namespace sirvane {

LocalDateTime SystemClock::Now() const {
  struct timeval tv{};
  gettimeofday(&tv, nullptr);
  // Every page asks for the time, a million in some runs: the local time of
  // the last second asked for is kept, per thread (localtime_r takes a lock).
  thread_local time_t seconds = -1;
  thread_local struct tm tm{};
  if (tv.tv_sec != seconds) {
    seconds = tv.tv_sec;
    localtime_r(&seconds, &tm);
  }
  LocalDateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  t.millisecond = static_cast<int>(tv.tv_usec / 1000);
  t.day_of_week = tm.tm_wday;
  return t;
}

}  // namespace sirvane
