// Ordering: usage_tables_test; which users are visible: the report page tests.
#include "usage/post_processing.h"

#include <gtest/gtest.h>

#include "support/golden.h"

namespace sirvane {
namespace {

TEST(ExcludeLocalTrafficTest, TakesLocalHostsOffTheTotalOnceAndKeepsThem) {
  UsageTables tables;
  testing::AddUsers(tables, {{"u", 63, {{"intra", 1}, {"x.intra.y", 2}, {"myintranet", 4}, {"intra.lan", 8},
                                        {"public.example", 16}, {"", 32}}}});
  Settings settings;
  settings.LocalDomains = {"", "lan", "intra", "local"};  // an empty entry matches nothing
  ExcludeLocalTraffic(tables, settings);
  EXPECT_EQ(tables.Users[0].Traffic, 16 + 32);  // "intra.lan" holds two entries and counts once
  EXPECT_EQ(tables.Users[0].HostCount(), 6);    // the hosts themselves stay
}

}  // namespace
}  // namespace sirvane
