#include "report/numbers.h"

#include <cmath>

namespace sirvane {

namespace {

// Rounds to the nearest integer with ties to even (the default rounding mode)
// and saturates at the 64-bit range. rintl rounds as nearbyintl does; it only
// may raise the inexact flag, which nothing reads, where nearbyintl saves and
// restores the floating-point state around it at several times the cost.
std::int64_t RoundSaturated(long double value) {
  if (std::isnan(value)) return 0;
  const long double rounded = std::rintl(value);
  if (rounded >= 9223372036854775808.0L) return std::numeric_limits<std::int64_t>::max();
  if (rounded < -9223372036854775808.0L) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

// Every host row needs this, so it avoids the long double: bytes = 1024 q + r
// with 0 <= r < 1024 (the shift floors, negatives included), and q + r/1024
// rounds half to even exactly as the extended-precision quotient does (that
// quotient is exact, and the result is far from the 64-bit limits).
std::int64_t KiloBytes(std::int64_t bytes) {
  const std::int64_t quotient = bytes >> 10;
  const std::int64_t remainder = bytes & 1023;
  const bool up = remainder > 512 || (remainder == 512 && (quotient & 1) != 0);
  return quotient + (up ? 1 : 0);
}

// A factor of 1 (a final report, or the 30th and 31st) leaves the product
// exact, so the rounding is that of the plain value.
std::int64_t Project(std::int64_t value, double factor) {
  if (factor == 1.0) return value;
  return RoundSaturated(static_cast<long double>(value) * static_cast<long double>(factor));
}

std::int64_t ProjectKiloBytes(std::int64_t bytes, double factor) {
  if (factor == 1.0) return KiloBytes(bytes);
  return RoundSaturated(static_cast<long double>(bytes) * static_cast<long double>(factor) / 1024.0L);
}

}  // namespace sirvane
