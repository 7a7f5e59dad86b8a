#include "usage/host_address.h"

#include <gtest/gtest.h>

#include "text/split_fields.h"

namespace sirvane {
namespace {

TEST(HostOfUrlTest, IsTheSecondFieldOfTheUrlSplitAtSlashes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://host.example/a/b", "host.example"},
      {"http://host.example", "host.example"},
      {"http://host.example:8080/x", "host.example:8080"},
      {"host.example:443", ""},
      {"/index.html", "index.html"},
      {"http:/x", "x"},
      {"http://", ""},
      {"-", ""},
      {"", ""},
      {"/", ""},
      {"//a//b", "a"},
      {"a////b/c", "b"},
      {"a/", ""},
  };
  TTokenizedlogrec record;
  for (const auto& [url, host] : cases) {
    EXPECT_EQ(HostOfUrl(url), host) << url;
    // The shortcut must agree with splitting the URL in full.
    SplitFields(url, '/', record, LowerCase());
    EXPECT_EQ(HostOfUrl(url), record.Field(2)) << url;
  }
}

TEST(HostTrafficTest, SumsPerHostInFirstSeenOrderPerUser) {
  UsageTables tables;
  TReportRec& alice = tables.Users[tables.AddUser("alice")];
  AddHostTraffic(tables, "http://host.example/a", 100, alice);
  AddHostTraffic(tables, "http://other.example/", 7, alice);
  AddHostTraffic(tables, "http://host.example/b", 50, alice);
  AddHostTraffic(tables, "http://host.example:80/", 0, alice);
  AddHostTraffic(tables, "host.example:443", 3, alice);
  AddHostTraffic(tables, "-", 4, alice);
  EXPECT_EQ(alice.History.Hosts,
            (std::vector<std::string_view>{"host.example", "other.example", "host.example:80", ""}));
  EXPECT_EQ(alice.History.HostTraffic, (std::vector<std::int64_t>{150, 7, 0, 7}));

  TReportRec& bob = tables.Users[tables.AddUser("bob")];
  AddHostTraffic(tables, "http://host.example/", 1, bob);
  EXPECT_EQ(bob.History.HostTraffic, std::vector<std::int64_t>{1});
  EXPECT_EQ(tables.Users[0].History.HostTraffic[0], 150);
}

TEST(HostTrafficTest, SumsSaturateInsteadOfOverflowing) {
  UsageTables tables;
  TReportRec& user = tables.Users[tables.AddUser("u")];
  for (int i = 0; i < 3; ++i) AddHostTraffic(tables, "http://h/", INT64_MAX, user);
  EXPECT_EQ(user.History.HostTraffic[0], INT64_MAX);
}

TEST(AddressTest, KeepsDistinctAddressesUnlessNamesComeFromTheFirstField) {
  UsageTables tables;
  TReportRec& user = tables.Users[tables.AddUser("u")];
  for (const char* address : {"10.0.0.7", "10.0.0.9", "10.0.0.7", "", ""}) AddAddress(tables, 3, address, user);
  EXPECT_EQ(user.Addresses, (std::vector<std::string_view>{"10.0.0.7", "10.0.0.9", ""}));

  TReportRec& other = tables.Users[tables.AddUser("v")];
  AddAddress(tables, 1, "10.0.0.7", other);
  EXPECT_EQ(other.AddressCount(), 0);
}

TEST(AddressTest, HasNoLimitPerUser) {
  UsageTables tables;
  TReportRec& user = tables.Users[tables.AddUser("shared")];
  for (int i = 0; i < 5000; ++i) AddAddress(tables, 3, "10.0." + std::to_string(i % 2500), user);
  for (int i = 0; i < 2000; ++i) AddAddress(tables, 3, "172.16." + std::to_string(i), user);
  ASSERT_EQ(user.AddressCount(), 4500);
  EXPECT_EQ(user.Addresses[1000], "10.0.1000");
  EXPECT_EQ(user.Addresses[4499], "172.16.1999");
}

}  // namespace
}  // namespace sirvane
