#include "usage/usage_tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/usage_lists.h"

namespace sirvane {
namespace {

// Host lists are built in each user's index and filled in by FinishHostLists;
// adding after that must reopen them without losing order or sums.
TEST(UsageTablesTest, HostListsReopenAfterFinishing) {
  UsageTables tables;
  TReportRec& user = tables.Users[tables.AddUser("alice")];
  tables.AddHostTraffic(user, "b", 1);
  tables.AddHostTraffic(user, "a", 2);
  tables.FinishHostLists();
  EXPECT_EQ(testing::HostNames(tables, user), (std::vector<std::string_view>{"b", "a"}));
  tables.AddHostTraffic(user, "a", INT64_MAX);
  tables.AddHostTraffic(user, "c", 3);
  EXPECT_FALSE(user.Hosts.finished());
  EXPECT_EQ(user.HostCount(), 3);
  tables.FinishHostLists();
  EXPECT_EQ(testing::HostNames(tables, user), (std::vector<std::string_view>{"b", "a", "c"}));
  EXPECT_EQ(testing::HostTraffic(user), (std::vector<std::int64_t>{1, INT64_MAX, 3}));
}

// A later part's users, hosts and addresses follow this table's own, whether
// either table's host lists are still open or already finished.
TEST(UsageTablesTest, AppendAddsALaterPartInItsOrder) {
  for (const int finished : {0, 1, 2, 3}) {
    const bool finish_later = (finished & 1) != 0;
    const bool finish_this = (finished & 2) != 0;
    SCOPED_TRACE(finished);
    UsageTables tables;
    TReportRec& bob = tables.Users[tables.AddUser("bob")];
    tables.AddHostTraffic(bob, "x", 5);
    tables.AddAddress(bob, "10.0.0.1");

    UsageTables later(1234);  // another seed: ids and hashes differ
    for (const char* name : {"carol", "bob"}) later.AddUser(name);
    later.AddHostTraffic(later.Users[0], "y", 1);
    later.AddHostTraffic(later.Users[1], "z", 2);
    later.AddHostTraffic(later.Users[1], "x", INT64_MAX);
    later.AddAddress(later.Users[1], "10.0.0.2");
    later.AddAddress(later.Users[1], "10.0.0.1");
    later.Users[0].Traffic = 1;
    later.Users[1].Traffic = INT64_MAX;
    if (finish_later) later.FinishHostLists();

    tables.Users[0].Traffic = 5;
    if (finish_this) tables.FinishHostLists();
    tables.Append(later);
    tables.FinishHostLists();
    ASSERT_EQ(tables.Users.size(), 2u);
    const TReportRec& merged = tables.Users[0];
    EXPECT_EQ(merged.Traffic, INT64_MAX);
    EXPECT_EQ(testing::HostNames(tables, merged), (std::vector<std::string_view>{"x", "z"}));
    EXPECT_EQ(testing::HostTraffic(merged), (std::vector<std::int64_t>{INT64_MAX, 2}));
    EXPECT_EQ(testing::AddressNames(tables, merged), (std::vector<std::string_view>{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(tables.Users[1].UserName, "carol");
    EXPECT_EQ(testing::HostNames(tables, tables.Users[1]), std::vector<std::string_view>{"y"});
    EXPECT_EQ(tables.FindUser("carol"), 1u);
  }
}

// The name indexes are freed while users are ordered; a host or address
// added afterwards must still find the one it already has, not a twin.
TEST(UsageTablesTest, HostsAndAddressesAreFoundAgainAfterTheIndexesAreFreed) {
  UsageTables tables;
  tables.AddUser("alice");
  tables.AddHostTraffic(tables.Users[0], "x", 1);
  tables.AddAddress(tables.Users[0], "10.0.0.1");
  tables.ReleaseIndexes();
  tables.ReindexUsers();
  TReportRec& bob = tables.Users[tables.AddUser("bob")];
  TReportRec& alice = tables.Users[tables.FindUser("alice")];
  tables.AddHostTraffic(bob, "x", 2);
  tables.AddHostTraffic(alice, "x", 4);
  tables.AddAddress(bob, "10.0.0.2");
  tables.AddAddress(alice, "10.0.0.2");
  tables.AddAddress(alice, "10.0.0.1");
  tables.FinishHostLists();
  EXPECT_EQ(testing::HostNames(tables, alice), std::vector<std::string_view>{"x"});
  EXPECT_EQ(testing::HostTraffic(alice), std::vector<std::int64_t>{5});
  EXPECT_EQ(alice.Hosts.begin()->id, bob.Hosts.begin()->id);
  EXPECT_EQ(testing::AddressNames(tables, alice), (std::vector<std::string_view>{"10.0.0.1", "10.0.0.2"}));
  EXPECT_EQ(tables.FindUser("bob"), 1u);
}

// Thousands of users over several blocks of the user table, half of the
// later part's users known before: appending part by part gives the tables
// of one pass over the same lines, while the later part's blocks are freed
// as they are added.
TEST(UsageTablesTest, AppendingPartsEqualsOnePassOverManyUsers) {
  struct Line {
    std::string user, host, address;
    std::int64_t bytes;
  };
  std::mt19937 rng(3);
  std::vector<Line> lines;
  for (int i = 0; i < 30000; ++i) {
    const unsigned user = i < 15000 ? rng() % 9000 : 4500 + rng() % 9000;
    lines.push_back({"u" + std::to_string(user), "h" + std::to_string(rng() % 50),
                     "a" + std::to_string(rng() % 3 == 0 ? rng() % 100 : user), static_cast<std::int64_t>(rng() % 1000)});
  }
  auto account = [](UsageTables& tables, const Line& line) {
    std::uint32_t position = tables.FindUser(line.user);
    if (position == HashIndex::kNone) position = tables.AddUser(line.user);
    TReportRec& user = tables.Users[position];
    user.Traffic = SaturatingAdd(user.Traffic, line.bytes);
    tables.AddHostTraffic(user, line.host, line.bytes);
    tables.AddAddress(user, line.address);
  };
  UsageTables whole;
  for (const Line& line : lines) account(whole, line);
  whole.FinishHostLists();

  UsageTables first;
  UsageTables later(99);
  for (std::size_t i = 0; i < lines.size(); ++i) account(i < 15000 ? first : later, lines[i]);
  first.Append(later);
  first.FinishHostLists();

  ASSERT_EQ(first.Users.size(), whole.Users.size());
  ASSERT_GT(first.Users.size(), 2 * UserTable::kBlockSize);
  for (std::size_t k = 0; k < whole.Users.size(); ++k) {
    const TReportRec& expected = whole.Users[k];
    const TReportRec& merged = first.Users[k];
    ASSERT_EQ(merged.UserName, expected.UserName) << k;
    EXPECT_EQ(merged.Traffic, expected.Traffic);
    EXPECT_EQ(testing::HostNames(first, merged), testing::HostNames(whole, expected));
    EXPECT_EQ(testing::HostTraffic(merged), testing::HostTraffic(expected));
    EXPECT_EQ(testing::AddressNames(first, merged), testing::AddressNames(whole, expected));
  }
  EXPECT_TRUE(later.Users.empty());
}

}  // namespace
}  // namespace sirvane
