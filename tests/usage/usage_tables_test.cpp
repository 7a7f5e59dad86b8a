// The usage tables and their ordering against lists searched one by one and the exchange sort itself.
#include "usage/usage_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

#include "usage/post_processing.h"

namespace sirvane {
namespace {

struct ModelUser {
  std::string name;
  std::int64_t traffic = 0;
  std::vector<std::pair<std::string, std::int64_t>> hosts;  // first-seen order
  std::vector<std::string> addresses;                       // distinct, first-seen order
  bool operator==(const ModelUser&) const = default;
};

ModelUser Listed(const UsageTables& tables, const TReportRec& user) {
  ModelUser listed{std::string(user.UserName), user.Traffic, {}, {}};
  for (const auto& host : user.Hosts) listed.hosts.emplace_back(tables.HostName(host.id), host.traffic);
  for (std::size_t j = 0; j < user.Addresses.size(); ++j)
    listed.addresses.push_back(tables.AddressName(user.Addresses[j]));
  return listed;
}

// The exchange sort on `items`, descending by traffic, with a strict comparison.
template <typename Item, typename Traffic>
void LiteralExchangeSort(std::vector<Item>& items, Traffic traffic) {
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    for (std::size_t k = i; k < items.size(); ++k)
      if (traffic(items[k]) > traffic(items[i])) std::swap(items[i], items[k]);
  }
}

// Some 11000 users in three blocks of the user table, one with thousands of hosts,
// hosts that differ only late, byte counts differing in any byte, saturating sums,
// many equal totals; a part's lists are finished before the next is appended.
TEST(UsageTablesTest, PartsAppendedListsReopenedAndOrderingKeepWhatTheLinesSaid) {
  std::mt19937_64 rng(3);
  std::map<std::string, std::size_t> positions;
  std::vector<ModelUser> model;
  UsageTables tables;
  UsageTables later(1234);  // another seed: ids and hashes differ
  for (int i = 0; i < 30000; ++i) {
    const std::uint64_t number = i < 12000 ? rng() % 9000 : 4500 + rng() % 9000;
    const bool busy = rng() % 10 == 0;  // "u0"
    const std::string user = "u" + std::to_string(busy ? 0 : number);
    const std::string host = std::string(rng() % 70, 'h') + std::to_string(busy ? rng() % 3000 : rng() % 50);
    // Text, dotted IPv4 addresses, and dotted text that is no IPv4 address
    // (a number above 255, a leading zero).
    const std::uint64_t n = rng() % 3 == 0 ? rng() % 100 : number;
    const std::string dotted =
        std::to_string(n % 7 * 50) + "." + std::to_string(n / 7 % 300) + ".0." + std::to_string(n % 2);
    const std::string address = rng() % 3 == 0 ? "a" + std::to_string(n) : (rng() % 5 == 0 ? "0" : "") + dotted;
    const std::uint64_t random_bytes = rng() % 3 == 0 ? rng() % 3 : (rng() % 256) << (rng() % 48);
    const std::int64_t bytes = rng() % 2000 == 0 ? INT64_MAX : static_cast<std::int64_t>(random_bytes);
    // The model: users, their hosts and addresses in first-seen order.
    const auto [at, added] = positions.emplace(user, model.size());
    if (added) model.push_back({user, 0, {}, {}});
    ModelUser& modeled = model[at->second];
    modeled.traffic = SaturatingAdd(modeled.traffic, bytes);
    const auto seen = std::ranges::find(modeled.hosts, host, &std::pair<std::string, std::int64_t>::first);
    if (seen == modeled.hosts.end()) modeled.hosts.emplace_back(host, bytes);
    else seen->second = SaturatingAdd(seen->second, bytes);
    if (std::ranges::count(modeled.addresses, address) == 0) modeled.addresses.push_back(address);
    if (i == 12000) tables.FinishHostLists();
    UsageTables& part = i < 12000 ? tables : later;
    std::uint32_t position = part.FindUser(user);
    if (position == HashIndex::kNone) position = part.AddUser(user);
    TReportRec& record = part.Users[position];
    record.Traffic = SaturatingAdd(record.Traffic, bytes);
    part.AddHostTraffic(record, host, bytes);
    part.AddAddress(record, address);
  }
  tables.Append(later);
  tables.FinishHostLists();
  ASSERT_EQ(tables.Users.size(), model.size());
  ASSERT_GT(tables.Users.size(), 2 * UserTable::kBlockSize);
  for (std::size_t k = 0; k < model.size(); ++k) ASSERT_TRUE(Listed(tables, tables.Users[k]) == model[k]) << k;

  // Ordered, users are moved as whole records, and the user index is rebuilt.
  SortUsers(tables);
  SortHosts(tables);
  LiteralExchangeSort(model, [](const ModelUser& user) { return user.traffic; });
  for (ModelUser& user : model) LiteralExchangeSort(user.hosts, [](auto& host) { return host.second; });
  for (std::size_t k = 0; k < model.size(); ++k) {
    ASSERT_TRUE(Listed(tables, tables.Users[k]) == model[k]) << k;
    ASSERT_EQ(tables.FindUser(model[k].name), k);
  }
}

}  // namespace
}  // namespace sirvane
