#pragma once

#include <limits>

#include "report/export_report.h"

namespace sirvane::testing {

// One report for both encoders: a name and a host that need quoting, sums at
// the limits of 64 bits, a hidden user without hosts.
inline ExportReport SampleExport() {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMaxKilobytes = 9007199254740992;  // kMax / 1024, rounded
  // name, visible, page, bytes, kilobytes, their prognosis, both over the limit, hosts
  const ExportUser admin{"ad\"min", true, "admin.html", kMax, kMaxKilobytes, kMax, kMaxKilobytes, true, true,
                         {{"a,b.example", 9000000, 8789}, {"", 1536, 2}}};
  const ExportUser anonymous{"-", false, "", 3000, 3, 7500, 7, false, false, {}};
  return {3, 2026, 10485760, {admin, anonymous}, {3000, 3, 8},
          {kMax, 9007199254740995, std::numeric_limits<std::int64_t>::min()}};
}

}  // namespace sirvane::testing
