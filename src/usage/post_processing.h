#pragma once
// What happens to the tables after the last log file: local traffic taken off
// the users' totals, users and hosts put in descending order of traffic, and
// the visibility of each user.
#include <cstdint>

#include "config/settings.h"
#include "usage/usage_tables.h"

namespace sirvane {

// Takes the traffic of every host that contains one of the local domains as a
// substring off its user's total. The host keeps its own traffic.
void ExcludeLocalTraffic(UsageTables& tables, const Settings& settings);

// Descending order of traffic, in exactly the order a descending exchange
// sort with a strict comparison leaves them (ties included).
void SortUsers(UsageTables& tables);
void SortHosts(UsageTables& tables);

// Whether the user gets a row on the summary page and a page of their own.
bool IsVisibleUser(const TReportRec& user, const Settings& settings);

}  // namespace sirvane
