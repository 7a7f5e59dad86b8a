#include "usage/post_processing.h"

#include <gtest/gtest.h>

namespace sirvane {
namespace {

UsageTables UsersWithTraffic(const std::vector<std::pair<std::string, std::int64_t>>& users) {
  UsageTables tables;
  for (const auto& [name, traffic] : users) tables.Users[tables.AddUser(name)].Traffic = traffic;
  return tables;
}

std::vector<std::string> Names(const UsageTables& tables) {
  std::vector<std::string> names;
  for (const TReportRec& user : tables.Users) names.emplace_back(user.UserName);
  return names;
}

TEST(SortUsersTest, LeavesTheOrderOfTheExchangeSortTiesIncluded) {
  struct Case {
    std::vector<std::pair<std::string, std::int64_t>> users;
    std::vector<std::string> sorted;
  };
  const std::vector<Case> cases = {
      {{{"a", 5}, {"x", 1}, {"b", 5}, {"y", 9}}, {"y", "b", "a", "x"}},
      {{{"a", 5}, {"b", 5}, {"c", 5}}, {"a", "b", "c"}},
      {{{"a", 3}, {"b", 5}, {"c", 5}}, {"b", "c", "a"}},
      {{{"only", 1}}, {"only"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    UsageTables tables = UsersWithTraffic(c.users);
    SortUsers(tables);
    EXPECT_EQ(Names(tables), c.sorted);
  }
}

TEST(SortUsersTest, RecordsMoveWholeAndStayFindable) {
  UsageTables tables = UsersWithTraffic({{"small", 1}, {"big", 10}});
  tables.AddAddress(tables.Users[0], "10.0.0.1");
  tables.AddHostTraffic(tables.Users[0], "h", 1);
  SortUsers(tables);
  EXPECT_EQ(Names(tables), (std::vector<std::string>{"big", "small"}));
  EXPECT_EQ(tables.Users[1].Addresses, std::vector<std::string_view>{"10.0.0.1"});
  EXPECT_EQ(tables.Users[1].History.Hosts, std::vector<std::string_view>{"h"});
  EXPECT_EQ(tables.FindUser("small"), 1u);
  EXPECT_EQ(tables.FindUser("big"), 0u);
}

TEST(SortHostsTest, SortsEveryUsersHostsWithTheirTraffic) {
  UsageTables tables = UsersWithTraffic({{"u", 0}});
  TReportRec& user = tables.Users[0];
  for (auto [host, bytes] : std::vector<std::pair<const char*, std::int64_t>>{
           {"a", 5}, {"x", 1}, {"b", 5}, {"y", 9}}) {
    tables.AddHostTraffic(user, host, bytes);
  }
  SortHosts(tables);
  EXPECT_EQ(user.History.Hosts, (std::vector<std::string_view>{"y", "b", "a", "x"}));
  EXPECT_EQ(user.History.HostTraffic, (std::vector<std::int64_t>{9, 5, 5, 1}));
}

TEST(ExcludeLocalTrafficTest, TakesLocalHostsOffTheTotalButKeepsThem) {
  UsageTables tables = UsersWithTraffic({{"u", 0}, {"all-local", 0}});
  TReportRec& user = tables.Users[0];
  const std::vector<std::pair<const char*, std::int64_t>> hosts = {
      {"intra", 1}, {"x.intra.y", 2}, {"myintranet", 4}, {"intra.lan", 8}, {"public.example", 16}, {"", 32}};
  for (auto [host, bytes] : hosts) {
    tables.AddHostTraffic(user, host, bytes);
    user.Traffic += bytes;
  }
  tables.AddHostTraffic(tables.Users[1], "intranet", 7);
  tables.Users[1].Traffic = 7;
  Settings settings;
  settings.LocalDomains = {"", "lan", "intra"};  // an empty entry matches nothing
  ExcludeLocalTraffic(tables, settings);
  EXPECT_EQ(user.Traffic, 16 + 32);            // "intra.lan" holds two entries and counts once
  EXPECT_EQ(user.History.HostCount(), 6);     // the hosts themselves stay
  EXPECT_EQ(user.History.HostTraffic[0], 1);
  EXPECT_EQ(tables.Users[1].Traffic, 0);
  EXPECT_FALSE(IsVisibleUser(tables.Users[1], settings));
}

TEST(ExcludeLocalTrafficTest, NeverGoesNegativeWhenSumsSaturated) {
  UsageTables tables = UsersWithTraffic({{"u", INT64_MAX}});
  TReportRec& user = tables.Users[0];
  tables.AddHostTraffic(user, "local-a", INT64_MAX);
  tables.AddHostTraffic(user, "local-b", INT64_MAX);
  tables.AddHostTraffic(user, "public", 5);
  Settings settings;
  settings.LocalDomains = {"local"};
  ExcludeLocalTraffic(tables, settings);
  EXPECT_EQ(user.Traffic, 5);
}

TEST(IsVisibleUserTest, HidesDashEmptyZeroAndConfiguredUsers) {
  Settings settings;
  settings.InvisibleUsers = {"administrator"};
  const std::vector<std::tuple<std::string, std::int64_t, bool>> cases = {
      {"alice", 1, true},         {"-", 100, false},        {"", 100, false},
      {"guest", 0, false},        {"administrator", 5, false}, {"administrator2", 5, true},
      {"negative", -1, true},
  };
  for (const auto& [name, traffic, visible] : cases) {
    UsageTables tables = UsersWithTraffic({{name, traffic}});
    EXPECT_EQ(IsVisibleUser(tables.Users[0], settings), visible) << name;
  }
}

}  // namespace
}  // namespace sirvane
