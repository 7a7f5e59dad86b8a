#pragma once
// The figures of the pages as data, for the CSV and JSON exports: every user
// (visible or not) with the numbers the pages show, the hosts with traffic,
// and the "unknown" and "total:" rows. Computed once, encoded per format.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

struct ExportHost {
  std::string_view name;
  std::int64_t bytes = 0;
  std::int64_t kilobytes = 0;
};

struct ExportUser {
  std::string_view name;
  bool visible = false;
  std::string page;  // file name of the user's page; empty when not visible
  std::int64_t bytes = 0;
  std::int64_t kilobytes = 0;
  std::int64_t prognosis_bytes = 0;
  std::int64_t prognosis_kilobytes = 0;
  bool traffic_over_limit = false;    // shown in red
  bool prognosis_over_limit = false;  // shown in red
  std::vector<ExportHost> hosts;      // in page order; hosts without traffic left out
};

// A row of the summary page that sums several users.
struct ExportSum {
  std::int64_t bytes = 0;
  std::int64_t kilobytes = 0;            // sum of the users' rounded kilobytes
  std::int64_t prognosis_kilobytes = 0;  // kilobytes x prognosis factor
};

struct ExportReport {
  std::int32_t month = 0;
  std::int32_t year = 0;
  std::int64_t limit = 0;
  std::vector<ExportUser> users;  // in the order of the summary page
  ExportSum unknown;              // users without a row
  ExportSum total;                // everyone
};

// Needs the page names, so it runs after the summary page is written.
ExportReport BuildExportReport(const UsageTables& tables, const ReportContext& context);

// Writes report.csv and/or report.json beside report.html, as configured.
void WriteExports(const UsageTables& tables, const ReportContext& context);

}  // namespace sirvane
