#include "platform/byte_mask.h"

namespace sirvane {

ByteScan BestByteScan() {
#if defined(SIRVANE_X86_64_SCAN) && defined(_WIN32)
  // 64-bit Windows keeps the stack 16-byte aligned and GCC may spill 32-byte
  // registers there with aligned moves: the AVX2 way is not used.
  return ByteScan::kSse2;
#elif defined(SIRVANE_X86_64_SCAN)
  static const ByteScan best = [] {
    __builtin_cpu_init();
    // The AVX2 way picks bits with PDEP, which the first two Zen generations
    // run in microcode (hundreds of cycles): they take the SSE2 way.
    const bool slow_pdep = __builtin_cpu_is("znver1") || __builtin_cpu_is("znver2");
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                      __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt") && !slow_pdep;
    return avx2 ? ByteScan::kAvx2 : ByteScan::kSse2;
  }();
  return best;
#else
  return ByteScan::kPortable;
#endif
}

}  // namespace sirvane
