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
  return user_index_.Find(name, Hash(name));
}

std::uint32_t UsageTables::AddUser(std::string_view name) {
  const std::uint32_t position = NextPosition(Users.size());
  Users.emplace_back();
  Users.back().UserName = arena_.Copy(name);
  user_index_.Insert(Users.back().UserName, Hash(name), position);
  return position;
}

std::uint32_t UsageTables::Intern(Interned& table, std::string_view text) {
  const std::uint64_t hash = Hash(text);
  const std::uint32_t found = table.index.Find(text, hash);
  if (found != HashIndex::kNone) return found;
  const std::uint32_t id = NextPosition(table.strings.size());
  table.strings.push_back(arena_.Copy(text));
  table.index.Insert(table.strings.back(), hash, id);
  return id;
}

void UsageTables::AddHostTraffic(TReportRec& user, std::string_view host, std::int64_t bytes) {
  THistoryRec& history = user.History;
  const std::uint32_t id = Intern(hosts_, host);
  const std::uint32_t found = history.index.Find(id);
  if (found != HashIndex::kNone) {
    history.HostTraffic[found] = SaturatingAdd(history.HostTraffic[found], bytes);
    return;
  }
  history.index.Insert(id, NextPosition(history.Hosts.size()));
  history.Hosts.push_back(hosts_.strings[id]);
  history.HostTraffic.push_back(bytes);
}

void UsageTables::AddAddress(TReportRec& user, std::string_view address) {
  const std::uint32_t id = Intern(addresses_, address);
  if (user.address_index.Find(id) != HashIndex::kNone) return;
  user.address_index.Insert(id, NextPosition(user.Addresses.size()));
  user.Addresses.push_back(addresses_.strings[id]);
}

void UsageTables::ReindexUsers() {
  user_index_ = HashIndex();
  for (std::size_t i = 0; i < Users.size(); ++i) {
    user_index_.Insert(Users[i].UserName, Hash(Users[i].UserName), static_cast<std::uint32_t>(i));
  }
}

}  // namespace sirvane
