// The ordering of users and hosts is checked against the exchange sort itself
// in usage_tables_test, which users are visible in the report page tests.
#include "usage/post_processing.h"

#include <gtest/gtest.h>

namespace sirvane {
namespace {

TEST(ExcludeLocalTrafficTest, TakesLocalHostsOffTheTotalOnceAndKeepsThem) {
  const std::vector<std::vector<std::pair<const char*, std::int64_t>>> users = {
      {{"intra", 1}, {"x.intra.y", 2}, {"myintranet", 4}, {"intra.lan", 8}, {"public.example", 16}, {"", 32}},
  };
  UsageTables tables;
  for (const auto& hosts : users) {
    TReportRec& user = tables.Users[tables.AddUser("u" + std::to_string(tables.Users.size()))];
    for (auto [host, bytes] : hosts) {
      tables.AddHostTraffic(user, host, bytes);
      user.Traffic = SaturatingAdd(user.Traffic, bytes);
    }
  }
  tables.FinishHostLists();
  Settings settings;
  settings.LocalDomains = {"", "lan", "intra", "local"};  // an empty entry matches nothing
  ExcludeLocalTraffic(tables, settings);
  EXPECT_EQ(tables.Users[0].Traffic, 16 + 32);  // "intra.lan" holds two entries and counts once
  EXPECT_EQ(tables.Users[0].HostCount(), 6);    // the hosts themselves stay
}

}  // namespace
}  // namespace sirvane
