#include "platform/clock.h"

#include <chrono>

namespace sirvane {

double TimeOfDayFraction(const LocalDateTime& t) {
  double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return ms / 86400000.0;
}

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace sirvane
