#include "platform/system.h"

#include <chrono>
#include <random>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace sirvane {

std::uint64_t RandomSeed() {
  std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    std::random_device device;
    seed ^= (std::uint64_t{device()} << 32) ^ device();
  } catch (...) {
    // No random device: the clock alone is still a different seed per run.
  }
  return seed;
}

void ShareOneHeap() {
#ifdef __GLIBC__
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace sirvane
