#pragma once
// A user's hosts, their traffic and addresses as plain lists, for comparing.
#include <cstdint>
#include <string_view>
#include <vector>

#include "usage/usage_tables.h"

namespace sirvane::testing {

// Only once the host lists are finished (FinishHostLists).
inline std::vector<std::string_view> HostNames(const UsageTables& tables, const TReportRec& user) {
  std::vector<std::string_view> names;
  for (const HostIndex::Entry& host : user.Hosts) names.push_back(tables.HostName(host.id));
  return names;
}

inline std::vector<std::int64_t> HostTraffic(const TReportRec& user) {
  std::vector<std::int64_t> traffic;
  for (const HostIndex::Entry& host : user.Hosts) traffic.push_back(host.traffic);
  return traffic;
}

inline std::vector<std::string_view> AddressNames(const UsageTables& tables, const TReportRec& user) {
  std::vector<std::string_view> names;
  for (std::size_t j = 0; j < user.Addresses.size(); ++j) names.push_back(tables.AddressName(user.Addresses[j]));
  return names;
}

}  // namespace sirvane::testing
