#include "report/numbers.h"

#include <cfenv>
#include <cmath>

namespace sirvane {

namespace {

// Rounds to the nearest integer with ties to even (the default rounding mode)
// and saturates at the 64-bit range.
std::int64_t RoundSaturated(long double value) {
  if (std::isnan(value)) return 0;
  const long double rounded = std::nearbyintl(value);
  if (rounded >= 9223372036854775808.0L) return std::numeric_limits<std::int64_t>::max();
  if (rounded < -9223372036854775808.0L) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

std::int64_t KiloBytes(std::int64_t bytes) { return RoundSaturated(static_cast<long double>(bytes) / 1024.0L); }

std::int64_t Project(std::int64_t value, double factor) {
  return RoundSaturated(static_cast<long double>(value) * static_cast<long double>(factor));
}

std::int64_t ProjectKiloBytes(std::int64_t bytes, double factor) {
  return RoundSaturated(static_cast<long double>(bytes) * static_cast<long double>(factor) / 1024.0L);
}

}  // namespace sirvane
