#include "usage/usage_tables.h"

#include <new>

#include "platform/in_order_tasks.h"

namespace sirvane {

namespace {

std::uint32_t NextPosition(std::size_t size) {
  // Positions are 32-bit; a table that large would not fit in memory anyway.
  if (size >= HashIndex::kNone) throw std::bad_alloc();
  return static_cast<std::uint32_t>(size);
}

}  // namespace

std::uint32_t UsageTables::FindUser(std::string_view name, std::uint64_t hash) const {
  return user_index_.Find(name, hash);
}

std::uint32_t UsageTables::AddUser(std::string_view name, std::uint64_t hash) {
  const std::uint32_t position = NextPosition(Users.size());
  Users.emplace_back();
  Users.back().UserName = arena_.Copy(name);
  user_index_.Insert(Users.back().UserName, hash, position);
  return position;
}

std::uint32_t UsageTables::Intern(Interned& table, std::string_view text, std::uint64_t hash) {
  const std::uint32_t found = table.index.Find(text, hash);
  if (found != HashIndex::kNone) return found;
  const std::uint32_t id = NextPosition(table.strings.size());
  table.strings.push_back(arena_.Copy(text));
  table.index.Insert(table.strings.back(), hash, id);
  return id;
}

void UsageTables::AddNewHost(TReportRec& user, std::uint32_t id, std::int64_t bytes) {
  THistoryRec& history = user.History;
  if (!history.Hosts.empty()) {
    ReopenHostList(user);
    AddHostTrafficById(user, id, bytes);
    return;
  }
  history.index.Insert(id, NextPosition(history.index.size()), bytes);
}

void UsageTables::ReopenHostList(TReportRec& user) {
  THistoryRec& history = user.History;
  for (std::size_t k = 0; k < history.Hosts.size(); ++k) {
    const std::string_view host = history.Hosts[k];
    history.index.Insert(Intern(hosts_, host, Hash(host)), static_cast<std::uint32_t>(k), history.HostTraffic[k]);
  }
  history.Hosts = {};
  history.HostTraffic = {};
}

template <typename F>
void UsageTables::ForEachHost(const TReportRec& user, F&& f) const {
  const THistoryRec& history = user.History;
  if (history.index.size() == 0) {
    for (std::size_t k = 0; k < history.Hosts.size(); ++k) {
      f(hosts_.index.Find(history.Hosts[k], Hash(history.Hosts[k])), history.HostTraffic[k]);
    }
    return;
  }
  std::vector<HostIndex::Entry> in_order(history.index.size());
  history.index.ForEach([&](const HostIndex::Entry& entry) { in_order[entry.position] = entry; });
  for (const HostIndex::Entry& entry : in_order) f(entry.id, entry.traffic);
}

void UsageTables::AddAddress(TReportRec& user, std::string_view address) {
  // A user's lines mostly come from one address: skip the lookups for it.
  if (user.last_address != kNoPosition && addresses_.strings[user.last_address] == address) return;
  const std::uint32_t id = Intern(addresses_, address, Hash(address));
  user.last_address = id;
  if (user.address_index.Find(id) != HashIndex::kNone) return;
  user.address_index.Insert(id, NextPosition(user.Addresses.size()));
  user.Addresses.push_back(addresses_.strings[id]);
}

void UsageTables::FinishHostLists() {
  // Each user's lists are the user's own and the run-wide host table is only
  // read: the users are finished on two threads.
  RunInIndexOrder(Users.size(), TaskThreads(), [&](unsigned, std::size_t k) {
    THistoryRec& history = Users[k].History;
    if (history.index.size() == 0) return;
    history.Hosts.resize(history.index.size());
    history.HostTraffic.resize(history.index.size());
    history.index.ForEach([&](const HostIndex::Entry& entry) {
      history.Hosts[entry.position] = hosts_.strings[entry.id];
      history.HostTraffic[entry.position] = entry.traffic;
    });
    history.index = HostIndex();
  });
}

void UsageTables::Append(UsageTables& later) {
  // Each of the later part's hosts is looked up here once, not once per user.
  std::vector<std::uint32_t> host_ids(later.hosts_.strings.size());
  for (std::size_t i = 0; i < host_ids.size(); ++i) {
    const std::string_view host = later.hosts_.strings[i];
    host_ids[i] = InternHost(host, Hash(host));
  }
  std::vector<std::uint32_t> positions(later.Users.size());
  for (std::size_t k = 0; k < later.Users.size(); ++k) {
    const TReportRec& from = later.Users[k];
    std::uint32_t position = FindUser(from.UserName);
    if (position == HashIndex::kNone) position = AddUser(from.UserName);
    positions[k] = position;
    TReportRec& user = Users[position];
    user.Traffic = SaturatingAdd(user.Traffic, from.Traffic);
    // Adding to a finished list interns its hosts again: done here, not below.
    if (!user.History.Hosts.empty() && from.History.HostCount() > 0) ReopenHostList(user);
  }
  // Each user's hosts are the user's own: the users are merged on two threads.
  RunInIndexOrder(later.Users.size(), TaskThreads(), [&](unsigned, std::size_t k) {
    TReportRec& from = later.Users[k];
    TReportRec& user = Users[positions[k]];
    later.ForEachHost(from, [&](std::uint32_t later_id, std::int64_t traffic) {
      AddHostTrafficById(user, host_ids[later_id], traffic);
    });
    from.History = THistoryRec();
  });
  for (std::size_t k = 0; k < later.Users.size(); ++k) {
    for (std::string_view address : later.Users[k].Addresses) AddAddress(Users[positions[k]], address);
  }
  later = UsageTables(later.seed_);
}

void UsageTables::ReindexUsers() {
  user_index_ = HashIndex();
  for (std::size_t i = 0; i < Users.size(); ++i) {
    user_index_.Insert(Users[i].UserName, Hash(Users[i].UserName), static_cast<std::uint32_t>(i));
  }
}

}  // namespace sirvane
