#include "platform/clock.h"

#include <windows.h>

namespace sirvane {

LocalDateTime SystemClock::Now() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalDateTime t;
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  t.millisecond = now.wMilliseconds;
  t.day_of_week = now.wDayOfWeek;
  return t;
}

}  // namespace sirvane
