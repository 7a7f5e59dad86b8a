#pragma once
// A user's addresses as a plain list, for comparing.
#include <string>
#include <vector>

#include "usage/usage_tables.h"

namespace sirvane::testing {

inline std::vector<std::string> AddressNames(const UsageTables& tables, const TReportRec& user) {
  std::vector<std::string> names;
  for (std::size_t j = 0; j < user.Addresses.size(); ++j) names.push_back(tables.AddressName(user.Addresses[j]));
  return names;
}

}  // namespace sirvane::testing
