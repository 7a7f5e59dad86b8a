#pragma once
// The ways of scanning bytes this processor can run, for tests that compare them.
#include <vector>

#include "platform/byte_mask.h"

namespace sirvane::testing {

inline std::vector<ByteScan> ByteScansHere() {
  std::vector<ByteScan> scans = {ByteScan::kPortable};
#if defined(SIRVANE_X86_64_SCAN)
  scans.push_back(ByteScan::kSse2);
  if (BestByteScan() == ByteScan::kAvx2) scans.push_back(ByteScan::kAvx2);
#endif
  return scans;
}

inline const char* ByteScanName(ByteScan scan) {
  return scan == ByteScan::kAvx2 ? "avx2" : scan == ByteScan::kSse2 ? "sse2" : "portable";
}

}  // namespace sirvane::testing
