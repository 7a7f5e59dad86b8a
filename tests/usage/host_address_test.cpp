#include "usage/host_address.h"

#include <gtest/gtest.h>

#include "support/usage_lists.h"

#include <random>

#include "text/split_fields.h"

namespace sirvane {
namespace {

// The host is the second field of the URL split at slashes. It is found 64
// bytes at a time: slashes, hosts and URL ends on every side of those
// boundaries, against the full split (whose '/' cases split_fields_test checks).
TEST(HostOfUrlTest, AgreesWithTheSplitAtEveryLength) {
  std::mt19937 random(11);
  TTokenizedlogrec record;
  for (int i = 0; i < 20000; ++i) {
    const std::size_t size = random() % 200;
    std::string url(size, 'a');
    const unsigned slash_share = 1 + random() % 8;  // from mostly slashes to hardly any
    for (char& c : url) {
      if (random() % 10 < slash_share) c = random() % 3 == 0 ? '/' : 'h';
      if (random() % 50 == 0) c = '/';
    }
    SplitFields(url, '/', record, LowerCase());
    ASSERT_EQ(HostOfUrl(url), record.Field(2)) << url;
  }
}

TEST(HostTrafficTest, SumsPerHostInFirstSeenOrderAndSaturates) {
  UsageTables tables;
  TReportRec& user = tables.Users[tables.AddUser("alice")];
  for (auto [url, bytes] : std::vector<std::pair<const char*, std::int64_t>>{
           {"http://h.example/a", 100}, {"http://o.example/", 7}, {"http://h.example/b", 50},
           {"http://h.example:80/", 0}, {"h.example:443", 3}, {"-", 4}, {"http://big/", INT64_MAX},
           {"http://big/", INT64_MAX}}) {
    AddHostTraffic(tables, url, bytes, user);
  }
  tables.FinishHostLists();
  EXPECT_EQ(testing::HostNames(tables, user),
            (std::vector<std::string_view>{"h.example", "o.example", "h.example:80", "", "big"}));
  EXPECT_EQ(testing::HostTraffic(user), (std::vector<std::int64_t>{150, 7, 0, 7, INT64_MAX}));
}

TEST(AddressTest, KeepsEveryDistinctAddressUnlessNamesComeFromTheFirstField) {
  UsageTables tables;
  TReportRec& shared = tables.Users[tables.AddUser("shared")];
  for (int i = 0; i < 3000; ++i) AddAddress(tables, 3, "10.0." + std::to_string(i % 1500), shared);
  AddAddress(tables, 3, "", shared);
  ASSERT_EQ(shared.AddressCount(), 1501);  // no limit per user; repeats count once
  EXPECT_EQ(tables.AddressName(shared.Addresses[1000]), "10.0.1000");
  EXPECT_EQ(tables.AddressName(shared.Addresses[1500]), "");

  TReportRec& other = tables.Users[tables.AddUser("v")];
  AddAddress(tables, 1, "10.0.0.7", other);
  EXPECT_EQ(other.AddressCount(), 0);
}

}  // namespace
}  // namespace sirvane
