#include "platform/clock.h"

namespace sirvane {

double TimeOfDayFraction(const LocalDateTime& t) {
  double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return ms / 86400000.0;
}

}  // namespace sirvane
