#include "usage/post_processing.h"

#include <algorithm>
#include <span>
#include <type_traits>

#include "platform/in_order_tasks.h"
#include "usage/exchange_order.h"

namespace sirvane {

namespace {

bool IsLocalHost(std::string_view host, const std::vector<std::string>& local_domains) {
  for (const std::string& domain : local_domains) {
    if (!domain.empty() && host.find(domain) != std::string_view::npos) return true;
  }
  return false;
}

// Puts items[order[j]] at position j. Small plain values (hosts, traffic)
// are gathered into a new table, which costs a few instructions an item;
// records are moved in place: following each cycle of the permutation moves
// every record once and needs no second table of records.
template <typename Items>
void Permute(Items& items, const std::vector<std::uint32_t>& order) {
  using T = std::remove_reference_t<decltype(items[0])>;
  if constexpr (std::is_trivially_copyable_v<T> && sizeof(T) <= 16) {
    std::vector<T> ordered(order.size());
    for (std::size_t j = 0; j < ordered.size(); ++j) ordered[j] = items[order[j]];
    for (std::size_t j = 0; j < ordered.size(); ++j) items[j] = ordered[j];
    return;
  }
  std::vector<bool> placed(order.size(), false);
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (placed[start]) continue;
    T held = std::move(items[start]);
    std::size_t j = start;
    for (;;) {
      placed[j] = true;
      const std::size_t from = order[j];
      if (from == start) break;
      items[j] = std::move(items[from]);
      j = from;
    }
    items[j] = std::move(held);
  }
}

bool IsNonIncreasing(const std::vector<std::int64_t>& values) {
  return std::is_sorted(values.begin(), values.end(), [](std::int64_t a, std::int64_t b) { return a > b; });
}

}  // namespace

void ExcludeLocalTraffic(UsageTables& tables, const Settings& settings) {
  if (settings.LocalDomains.empty()) return;
  for (TReportRec& user : tables.Users) {
    bool any_local = false;
    std::int64_t remaining = 0;
    for (const HostIndex::Entry& host : user.Hosts) {
      if (IsLocalHost(tables.HostName(host.id), settings.LocalDomains)) {
        any_local = true;
      } else {
        remaining = SaturatingAdd(remaining, host.traffic);
      }
    }
    // The total is the sum of the non-local hosts; when no sum saturated this
    // is exactly the total less the local hosts' traffic.
    if (any_local) user.Traffic = remaining;
  }
}

void SortUsers(UsageTables& tables) {
  if (tables.Users.size() < 2) return;
  // Nothing is looked up by name while users are ordered or their pages
  // written: the indexes' memory serves the ordering instead, and the user
  // index is rebuilt only if a name is looked up again.
  tables.ReleaseIndexes();
  std::vector<std::int64_t> traffic;
  traffic.reserve(tables.Users.size());
  for (const TReportRec& user : tables.Users) traffic.push_back(user.Traffic);
  if (IsNonIncreasing(traffic)) return;
  Permute(tables.Users, ExchangeSortOrder(traffic));
}

void SortHosts(UsageTables& tables) {
  // Each user's hosts are ordered on their own, so users are shared out
  // between two threads when the machine has two cores.
  RunInIndexOrder(tables.Users.size(), TaskThreads(), [&tables](unsigned, std::size_t i) {
    HostIndex& hosts = tables.Users[i].Hosts;
    if (hosts.size() < 2) return;
    std::vector<std::int64_t> traffic;
    traffic.reserve(hosts.size());
    for (const HostIndex::Entry& host : hosts) traffic.push_back(host.traffic);
    if (IsNonIncreasing(traffic)) return;
    HostIndex::Entry* const entries = hosts.begin();
    Permute(entries, ExchangeSortOrder(traffic));
  });
}

bool IsVisibleUser(const TReportRec& user, const Settings& settings) {
  if (user.UserName == "-" || user.UserName.empty() || user.Traffic == 0) return false;
  for (const std::string& hidden : settings.InvisibleUsers) {
    if (user.UserName == hidden) return false;
  }
  return true;
}

}  // namespace sirvane
