#include "platform/clock.h"

#include <sys/time.h>
#include <time.h>

namespace sirvane {

LocalDateTime SystemClock::Now() const {
  struct timeval tv{};
  gettimeofday(&tv, nullptr);
  struct tm tm{};
  time_t seconds = tv.tv_sec;
  localtime_r(&seconds, &tm);
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

double TimeOfDayFraction(const LocalDateTime& t) {
  double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return ms / 86400000.0;
}

double MonotonicSeconds() {
  struct timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace sirvane
