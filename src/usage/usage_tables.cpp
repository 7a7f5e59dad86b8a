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

std::uint32_t UsageTables::FindUser(std::string_view name) const {
  return user_index_.Find(name, Hash(name), [this](std::uint32_t i) { return Users[i].UserName; });
}

std::uint32_t UsageTables::AddUser(std::string_view name) {
  const std::uint32_t position = NextPosition(Users.size());
  Users.emplace_back();
  Users.back().UserName = arena_.Copy(name);
  user_index_.Insert(Hash(name), position, [this](std::uint32_t i) { return Hash(Users[i].UserName); });
  return position;
}

void UsageTables::AddHostTraffic(TReportRec& user, std::string_view host, std::int64_t bytes) {
  THistoryRec& history = user.History;
  const std::uint64_t hash = Hash(host);
  std::uint32_t found = history.index.Find(host, hash, [&](std::uint32_t i) { return history.Hosts[i]; });
  if (found != HashIndex::kNone) {
    history.HostTraffic[found] = SaturatingAdd(history.HostTraffic[found], bytes);
    return;
  }
  const std::uint32_t position = NextPosition(history.Hosts.size());
  history.Hosts.push_back(arena_.Copy(host));
  history.HostTraffic.push_back(bytes);
  history.index.Insert(hash, position, [&](std::uint32_t i) { return Hash(history.Hosts[i]); });
}

void UsageTables::AddAddress(TReportRec& user, std::string_view address) {
  const std::uint64_t hash = Hash(address);
  if (user.address_index.Find(address, hash, [&](std::uint32_t i) { return user.Addresses[i]; }) !=
      HashIndex::kNone) {
    return;
  }
  const std::uint32_t position = NextPosition(user.Addresses.size());
  user.Addresses.push_back(arena_.Copy(address));
  user.address_index.Insert(hash, position, [&](std::uint32_t i) { return Hash(user.Addresses[i]); });
}

void UsageTables::ReindexUsers() {
  user_index_ = HashIndex();
  for (std::size_t i = 0; i < Users.size(); ++i) {
    const std::uint32_t position = static_cast<std::uint32_t>(i);
    user_index_.Insert(Hash(Users[i].UserName), position,
                       [this](std::uint32_t j) { return Hash(Users[j].UserName); });
  }
}

}  // namespace sirvane
