#include "usage/post_processing.h"

#include <gtest/gtest.h>

#include <random>

#include "support/usage_lists.h"
#include "usage/exchange_order.h"

namespace sirvane {
namespace {

UsageTables UsersWithTraffic(const std::vector<std::pair<std::string, std::int64_t>>& users) {
  UsageTables tables;
  for (const auto& [name, traffic] : users) tables.Users[tables.AddUser(name)].Traffic = traffic;
  return tables;
}

// The order itself is checked against the literal exchange sort in exchange_order_test.
TEST(SortUsersTest, LeavesTheExchangeSortsOrderAndKeepsRecordsWhole) {
  const std::vector<std::pair<std::vector<std::pair<std::string, std::int64_t>>, std::vector<std::string>>> cases = {
      {{{"a", 5}, {"x", 1}, {"b", 5}, {"y", 9}}, {"y", "b", "a", "x"}},
      {{{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}}, {"d", "c", "b", "a"}},  // two cycles
      {{{"only", 1}}, {"only"}},
  };
  for (const auto& [users, sorted] : cases) {
    UsageTables tables = UsersWithTraffic(users);
    tables.AddHostTraffic(tables.Users.front(), "first-users-host", 1);
    tables.FinishHostLists();
    SortUsers(tables);
    std::vector<std::string> names;
    for (const TReportRec& user : tables.Users) names.emplace_back(user.UserName);
    EXPECT_EQ(names, sorted);
    const std::uint32_t first = tables.FindUser(users.front().first);  // still findable after the move
    ASSERT_NE(first, HashIndex::kNone);
    EXPECT_EQ(testing::HostNames(tables, tables.Users[first]), std::vector<std::string_view>{"first-users-host"});
  }
}

// Users are moved in place, following the cycles of the permutation, across
// the table's blocks: each position must end up holding the whole record the
// order names (a plain gather of copies is the reference).
TEST(SortUsersTest, MovesWholeRecordsInPlaceAsTheOrderSays) {
  std::mt19937 rng(5);
  for (const std::size_t count : {2u, 3u, 100u, 9000u}) {
    SCOPED_TRACE(count);
    UsageTables tables;
    std::vector<std::int64_t> traffic;
    for (std::size_t i = 0; i < count; ++i) {
      TReportRec& user = tables.Users[tables.AddUser("user" + std::to_string(i))];
      user.Traffic = static_cast<std::int64_t>(rng() % (count / 2 + 2));  // many ties
      traffic.push_back(user.Traffic);
      tables.AddHostTraffic(user, "host" + std::to_string(i % 7), static_cast<std::int64_t>(i));
      tables.AddAddress(user, "10.0." + std::to_string(i));
    }
    const std::vector<std::uint32_t> order = ExchangeSortOrder(traffic);
    tables.FinishHostLists();
    SortUsers(tables);
    ASSERT_EQ(tables.Users.size(), count);
    for (std::size_t j = 0; j < count; ++j) {
      const std::string name = "user" + std::to_string(order[j]);
      const TReportRec& user = tables.Users[j];
      ASSERT_EQ(user.UserName, name) << j;
      EXPECT_EQ(user.Traffic, traffic[order[j]]);
      EXPECT_EQ(testing::HostTraffic(user), std::vector<std::int64_t>{static_cast<std::int64_t>(order[j])});
      EXPECT_EQ(testing::AddressNames(tables, user), std::vector<std::string_view>{"10.0." + std::to_string(order[j])});
      EXPECT_EQ(tables.FindUser(name), j);
    }
  }
}

TEST(SortHostsTest, SortsEveryUsersHostsWithTheirTraffic) {
  UsageTables tables = UsersWithTraffic({{"u", 0}});
  for (auto [host, bytes] : std::vector<std::pair<const char*, std::int64_t>>{{"a", 5}, {"x", 1}, {"b", 5}, {"y", 9}}) {
    tables.AddHostTraffic(tables.Users[0], host, bytes);
  }
  tables.FinishHostLists();
  SortHosts(tables);
  EXPECT_EQ(testing::HostNames(tables, tables.Users[0]), (std::vector<std::string_view>{"y", "b", "a", "x"}));
  EXPECT_EQ(testing::HostTraffic(tables.Users[0]), (std::vector<std::int64_t>{9, 5, 5, 1}));
}

TEST(ExcludeLocalTrafficTest, TakesLocalHostsOffTheTotalOnceAndKeepsThem) {
  UsageTables tables = UsersWithTraffic({{"u", 0}, {"all-local", 7}, {"saturated", INT64_MAX}});
  TReportRec& user = tables.Users[0];
  for (auto [host, bytes] : std::vector<std::pair<const char*, std::int64_t>>{
           {"intra", 1}, {"x.intra.y", 2}, {"myintranet", 4}, {"intra.lan", 8}, {"public.example", 16}, {"", 32}}) {
    tables.AddHostTraffic(user, host, bytes);
    user.Traffic += bytes;
  }
  tables.AddHostTraffic(tables.Users[1], "intranet", 7);
  for (const char* host : {"local-a", "local-b"}) tables.AddHostTraffic(tables.Users[2], host, INT64_MAX);
  tables.AddHostTraffic(tables.Users[2], "public", 5);
  tables.FinishHostLists();
  Settings settings;
  settings.LocalDomains = {"", "lan", "intra", "local"};  // an empty entry matches nothing
  ExcludeLocalTraffic(tables, settings);
  EXPECT_EQ(user.Traffic, 16 + 32);         // "intra.lan" holds two entries and counts once
  EXPECT_EQ(user.HostCount(), 6);  // the hosts themselves stay
  EXPECT_EQ(tables.Users[1].Traffic, 0);
  EXPECT_FALSE(IsVisibleUser(tables.Users[1], settings));
  EXPECT_EQ(tables.Users[2].Traffic, 5);  // never negative, even after saturated sums
}

TEST(IsVisibleUserTest, HidesDashEmptyZeroAndConfiguredUsers) {
  Settings settings;
  settings.InvisibleUsers = {"administrator"};
  const std::vector<std::tuple<std::string, std::int64_t, bool>> cases = {
      {"alice", 1, true},          {"-", 100, false},          {"", 100, false},     {"guest", 0, false},
      {"administrator", 5, false}, {"administrator2", 5, true}, {"negative", -1, true}};
  for (const auto& [name, traffic, visible] : cases) {
    UsageTables tables = UsersWithTraffic({{name, traffic}});
    EXPECT_EQ(IsVisibleUser(tables.Users[0], settings), visible) << name;
  }
}

}  // namespace
}  // namespace sirvane
