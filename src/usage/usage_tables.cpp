#include "usage/usage_tables.h"

#include <algorithm>
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

std::uint32_t UsageTables::AddUser(std::string_view name, std::uint64_t hash) {
  if (user_index_released_) ReindexUsers();
  const std::uint32_t position = NextPosition(Users.size());
  Users.emplace_back();
  Users.back().UserName = arena_.CopyCounted(name);
  user_index_.Insert(hash, position, [this](std::uint32_t p) { return Hash(Users[p].UserName); });
  return position;
}

std::uint32_t UsageTables::InternMissing(HostTable& table, std::string_view text, std::uint64_t hash, bool owned) {
  if (table.index.size() != table.strings.size()) {  // released: index again, then look again
    Reindex(table);
    return Intern(table, text, hash, owned);
  }
  const std::uint32_t id = NextPosition(table.strings.size());
  table.strings.push_back(owned ? text : arena_.Copy(text));
  table.index.Insert(table.strings.back(), hash, id);
  return id;
}

std::uint32_t UsageTables::Find(const AddressTable& table, std::string_view text, std::uint64_t hash) {
  const std::vector<CountedString>& strings = table.strings;
  return table.index.Find(text, hash, [&strings](std::uint32_t id) { return strings[id].view(); });
}

std::uint32_t UsageTables::Intern(AddressTable& table, std::string_view text, std::uint64_t hash) {
  const std::uint32_t found = Find(table, text, hash);
  if (found != PositionIndex::kNone) return found;
  if (table.index.size() != table.strings.size()) {  // released: index again, then look again
    Reindex(table);
    return Intern(table, text, hash);
  }
  const std::uint32_t id = NextPosition(table.strings.size());
  table.strings.push_back(arena_.CopyCounted(text));
  table.index.Insert(hash, id, [this, &table](std::uint32_t k) { return Hash(table.strings[k]); });
  return id;
}

void UsageTables::AddNewHost(TReportRec& user, std::uint32_t host_id, std::int64_t bytes) {
  if (user.Hosts.finished()) {
    // The host may be in the finished list: look it up again in the index.
    user.Hosts.Reopen();
    AddHostTrafficById(user, host_id, bytes);
    return;
  }
  user.Hosts.Insert(host_id, user.Hosts.size(), bytes);
}

template <typename F>
void UsageTables::ForEachHost(const TReportRec& user, F&& f) {
  if (user.Hosts.finished() || user.Hosts.size() <= 1) {
    for (const HostIndex::Entry& entry : user.Hosts) f(entry.id, entry.traffic);
    return;
  }
  std::vector<HostIndex::Entry> in_order(user.Hosts.size());
  user.Hosts.ForEach([&](const HostIndex::Entry& entry) { in_order[entry.position] = entry; });
  for (const HostIndex::Entry& entry : in_order) f(entry.id, entry.traffic);
}

void UsageTables::AddTextAddress(TReportRec& user, std::string_view address) {
  // Most lines come from the user's last address: compared inline, as in the
  // indexes.
  const std::uint64_t last = user.Addresses.last();
  if (last < kIpv4Tag && SameText(addresses_.strings[last], address)) return;
  user.Addresses.Add(Intern(addresses_, address, Hash(address)));
}

void UsageTables::FinishHostLists() {
  // Each user's list is the user's own: the users are finished on two threads.
  RunInIndexOrder(Users.size(), TaskThreads(), [&](unsigned, std::size_t k) { Users[k].Hosts.Finish(); });
}

void UsageTables::Append(UsageTables& later) {
  // The later part's indexes are not needed to read it in order: their memory
  // goes back before this table grows.
  later.user_index_ = PositionIndex();
  later.hosts_.index = HashIndex();
  later.addresses_.index = PositionIndex();
  // Its strings become this table's as they are: none is copied.
  arena_.Adopt(later.arena_);
  // Each of the later part's hosts and addresses is looked up here once, not
  // once per user.
  std::vector<std::uint32_t> host_ids(later.hosts_.strings.size());
  for (std::size_t i = 0; i < host_ids.size(); ++i) {
    const std::string_view host = later.hosts_.strings[i];
    host_ids[i] = Intern(hosts_, host, Hash(host), true);
  }
  // The later part's names and addresses are distinct within it, so they are
  // looked up only among this table's own, and those new here are not
  // indexed while the parts are merged: an index that grew meanwhile would
  // hold its old and new slots next to the users of both parts.
  if (addresses_.index.size() != addresses_.strings.size()) Reindex(addresses_);
  const std::size_t own_users = Users.size();
  const std::size_t own_addresses = addresses_.strings.size();
  std::vector<std::uint32_t> address_ids(later.addresses_.strings.size());
  for (std::size_t i = 0; i < address_ids.size(); ++i) {
    const CountedString address = later.addresses_.strings[i];
    address_ids[i] = Find(addresses_, address, Hash(address));
    if (address_ids[i] == PositionIndex::kNone) {
      address_ids[i] = NextPosition(addresses_.strings.size());
      addresses_.strings.push_back(address);
    }
  }
  later.addresses_.strings = std::vector<CountedString>();
  // A block of the later part's users at a time, its memory freed once added.
  std::vector<std::uint32_t> positions;
  for (std::size_t begin = 0; begin < later.Users.size(); begin += UserTable::kBlockSize) {
    const std::size_t count = std::min(UserTable::kBlockSize, later.Users.size() - begin);
    positions.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
      const TReportRec& from = later.Users[begin + k];
      std::uint32_t position = FindUser(from.UserName);
      if (position == HashIndex::kNone) {
        position = NextPosition(Users.size());
        Users.emplace_back().UserName = from.UserName;
      }
      positions[k] = position;
      TReportRec& user = Users[position];
      user.Traffic = SaturatingAdd(user.Traffic, from.Traffic);
    }
    // Each user's hosts are the user's own: the users are merged on two threads.
    RunInIndexOrder(count, TaskThreads(), [&](unsigned, std::size_t k) {
      TReportRec& from = later.Users[begin + k];
      TReportRec& user = Users[positions[k]];
      ForEachHost(from, [&](std::uint32_t later_id, std::int64_t traffic) {
        AddHostTrafficById(user, host_ids[later_id], traffic);
      });
      from.Hosts = HostIndex();
    });
    for (std::size_t k = 0; k < count; ++k) {
      const AddressList& addresses = later.Users[begin + k].Addresses;
      AddressList& into = Users[positions[k]].Addresses;
      for (std::size_t j = 0; j < addresses.size(); ++j) {
        const std::uint64_t key = addresses[j];
        into.Add(IsIpv4Key(key) ? key : address_ids[key]);
      }
    }
    later.Users.ReleaseBlockOf(begin);
  }
  later = UsageTables(later.seed_);
  // The indexes lack what was new here. They are rebuilt when next needed,
  // not now: after the last part nothing is looked up by name any more, and
  // the ordering that follows needs the memory.
  if (Users.size() != own_users) ReleaseUserIndex();
  if (addresses_.strings.size() != own_addresses) addresses_.index = PositionIndex();
}

void UsageTables::Reindex(HostTable& table) {
  table.index = HashIndex();
  table.index.Reserve(table.strings.size());
  for (std::size_t id = 0; id < table.strings.size(); ++id) {
    table.index.Insert(table.strings[id], Hash(table.strings[id]), static_cast<std::uint32_t>(id));
  }
}

void UsageTables::Reindex(AddressTable& table) {
  table.index = PositionIndex();
  const auto hash_at = [this, &table](std::uint32_t id) { return Hash(table.strings[id]); };
  table.index.Reserve(table.strings.size(), hash_at);
  for (std::uint32_t id = 0; id < table.strings.size(); ++id) table.index.Insert(hash_at(id), id, hash_at);
}

void UsageTables::ReleaseUserIndex() {
  user_index_ = PositionIndex();
  user_index_released_ = true;
}

void UsageTables::ReleaseIndexes() {
  ReleaseUserIndex();
  hosts_.index = HashIndex();
  addresses_.index = PositionIndex();
}

void UsageTables::ReindexUsers() const {
  user_index_released_ = false;
  user_index_ = PositionIndex();
  const auto hash_at = [this](std::uint32_t position) { return Hash(Users[position].UserName); };
  user_index_.Reserve(Users.size(), hash_at);
  for (std::uint32_t position = 0; position < Users.size(); ++position) {
    user_index_.Insert(hash_at(position), position, hash_at);
  }
}

}  // namespace sirvane
