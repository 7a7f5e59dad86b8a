#include "usage/usage_tables.h"

#include <new>

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

void UsageTables::AddHostTrafficById(TReportRec& user, std::uint32_t id, std::int64_t bytes) {
  THistoryRec& history = user.History;
  if (HostIndex::Entry* entry = history.index.Find(id)) {
    entry->traffic = SaturatingAdd(entry->traffic, bytes);
    return;
  }
  const std::uint32_t position = NextPosition(history.Hosts.size());
  history.Hosts.push_back(hosts_.strings[id]);
  history.HostTraffic.push_back(bytes);
  history.index.Insert(id, position, bytes);
}

const HostIndex::Entry& UsageTables::AddHostTraffic(TReportRec& user, std::string_view host, std::uint64_t hash,
                                                    std::int64_t bytes) {
  THistoryRec& history = user.History;
  const std::uint32_t id = Intern(hosts_, host, hash);
  if (HostIndex::Entry* entry = history.index.Find(id)) {
    entry->traffic = SaturatingAdd(entry->traffic, bytes);
    return *entry;
  }
  const std::uint32_t position = NextPosition(history.Hosts.size());
  history.Hosts.push_back(hosts_.strings[id]);
  history.HostTraffic.push_back(bytes);
  return history.index.Insert(id, position, bytes);
}

void UsageTables::AddAddress(TReportRec& user, std::string_view address, std::uint64_t hash) {
  const std::uint32_t id = Intern(addresses_, address, hash);
  if (user.address_index.Find(id) != HashIndex::kNone) return;
  user.address_index.Insert(id, NextPosition(user.Addresses.size()));
  user.Addresses.push_back(addresses_.strings[id]);
}

void UsageTables::SyncHostTraffic(TReportRec& user) {
  THistoryRec& history = user.History;
  history.index.ForEach([&](std::uint32_t position, std::int64_t traffic) { history.HostTraffic[position] = traffic; });
}

void UsageTables::SyncHostTraffic() {
  for (TReportRec& user : Users) SyncHostTraffic(user);
}

void UsageTables::Append(UsageTables& later) {
  later.SyncHostTraffic();
  for (const TReportRec& from : later.Users) {
    std::uint32_t position = FindUser(from.UserName);
    if (position == HashIndex::kNone) position = AddUser(from.UserName);
    TReportRec& user = Users[position];
    user.Traffic = SaturatingAdd(user.Traffic, from.Traffic);
    const std::size_t hosts = from.History.Hosts.size();
    for (std::size_t k = 0; k < hosts; ++k) {
      AddHostTraffic(user, from.History.Hosts[k], Hash(from.History.Hosts[k]), from.History.HostTraffic[k]);
    }
    for (std::string_view address : from.Addresses) AddAddress(user, address);
  }
}

void UsageTables::ReindexUsers() {
  user_index_ = HashIndex();
  for (std::size_t i = 0; i < Users.size(); ++i) {
    user_index_.Insert(Users[i].UserName, Hash(Users[i].UserName), static_cast<std::uint32_t>(i));
  }
}

}  // namespace sirvane
