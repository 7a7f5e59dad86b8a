#pragma once

#include <limits>

#include "report/export_report.h"

namespace sirvane::testing {

// One report for both encoders: a name and a host that need quoting, sums at
// the limits of 64 bits, a hidden user without hosts.
inline ExportReport SampleExport() {
  ExportReport report;
  report.month = 3;
  report.year = 2026;
  report.limit = 10485760;
  ExportUser& admin = report.users.emplace_back();
  admin.name = "ad\"min";
  admin.visible = true;
  admin.page = "admin.html";
  admin.bytes = std::numeric_limits<std::int64_t>::max();
  admin.kilobytes = 9007199254740992;
  admin.prognosis_bytes = std::numeric_limits<std::int64_t>::max();
  admin.prognosis_kilobytes = 9007199254740992;
  admin.traffic_over_limit = true;
  admin.prognosis_over_limit = true;
  admin.hosts = {{"a,b.example", 9000000, 8789}, {"", 1536, 2}};
  ExportUser& anonymous = report.users.emplace_back();
  anonymous.name = "-";
  anonymous.bytes = 3000;
  anonymous.kilobytes = 3;
  anonymous.prognosis_bytes = 7500;
  anonymous.prognosis_kilobytes = 7;
  report.unknown = {3000, 3, 8};
  report.total = {std::numeric_limits<std::int64_t>::max(), 9007199254740995, std::numeric_limits<std::int64_t>::min()};
  return report;
}

}  // namespace sirvane::testing
