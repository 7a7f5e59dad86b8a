#pragma once
// The numbers the pages show. Products are formed in extended precision and
// rounded once, half to even; nothing overflows: results saturate.
#include <cstdint>
#include <limits>

namespace sirvane {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "prognosis figures need a 64-bit significand (x86-64 long double)");

// B / 1024 rounded to the nearest integer, ties to even.
std::int64_t KiloBytes(std::int64_t bytes);
// value x factor rounded to the nearest integer, ties to even.
std::int64_t Project(std::int64_t value, double factor);
// value x factor / 1024 rounded once, ties to even.
std::int64_t ProjectKiloBytes(std::int64_t bytes, double factor);

}  // namespace sirvane
