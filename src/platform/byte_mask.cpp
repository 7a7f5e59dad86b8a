#include "platform/byte_mask.h"

namespace sirvane {

ByteScan BestByteScan() {
#if defined(SIRVANE_X86_64_SCAN)
  static const ByteScan best = [] {
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                      __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return avx2 ? ByteScan::kAvx2 : ByteScan::kSse2;
  }();
  return best;
#else
  return ByteScan::kPortable;
#endif
}

}  // namespace sirvane
