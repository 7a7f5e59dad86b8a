#pragma once
// The run's memory of what the logs said: users with their traffic, hosts and
// client addresses, and the log files read. Everything is kept in the order
// first seen; hash indexes make every lookup O(1) expected.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "usage/address_key.h"
#include "usage/hash_index.h"
#include "usage/string_arena.h"

namespace sirvane {

// One user. Hosts are run-wide ids (UsageTables::HostName), addresses keys
// (UsageTables::AddressName): a user costs a few dozen bytes, and a user with one host and
// one address allocates nothing beyond its record. The page name is kept
// apart (UsageTables::PageName): it only exists once the users are ordered.
struct TReportRec {
  CountedString UserName;
  std::int64_t Traffic = 0;
  AddressList Addresses;      // distinct, first-seen order
  // Host id and traffic; in first-seen order once FinishHostLists has run,
  // until SortHosts puts them in order of traffic.
  HostIndex Hosts;

  std::int64_t AddressCount() const { return static_cast<std::int64_t>(Addresses.size()); }
  std::int64_t HostCount() const { return Hosts.size(); }
};
// A million users are a million records: keep an eye on their size.
static_assert(sizeof(void*) != 8 || sizeof(TReportRec) == 48);

// The users in first-seen order, in blocks of fixed size that never move: the
// table grows without a copy of itself (a vector holds its old and new
// arrays at once while it doubles), references stay valid while it grows,
// and a table being appended to another gives its blocks back one by one.
class UserTable {
 public:
  static constexpr std::size_t kBlockShift = 12;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;  // 4096 users, 192 KB

  template <typename Table, typename Record>
  class Iterator {
   public:
    Iterator(Table* table, std::size_t i) : table_(table), i_(i) {}
    Record& operator*() const { return (*table_)[i_]; }
    Record* operator->() const { return &(*table_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const Iterator& other) const { return i_ == other.i_; }

   private:
    Table* table_;
    std::size_t i_;
  };

  TReportRec& operator[](std::size_t i) { return blocks_[i >> kBlockShift][i & (kBlockSize - 1)]; }
  const TReportRec& operator[](std::size_t i) const { return blocks_[i >> kBlockShift][i & (kBlockSize - 1)]; }
  TReportRec& at(std::size_t i) { return i < size_ ? (*this)[i] : throw std::out_of_range("no such user"); }
  const TReportRec& at(std::size_t i) const { return i < size_ ? (*this)[i] : throw std::out_of_range("no such user"); }
  TReportRec& front() { return (*this)[0]; }
  TReportRec& back() { return (*this)[size_ - 1]; }
  const TReportRec& front() const { return (*this)[0]; }
  const TReportRec& back() const { return (*this)[size_ - 1]; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  Iterator<UserTable, TReportRec> begin() { return {this, 0}; }
  Iterator<UserTable, TReportRec> end() { return {this, size_}; }
  Iterator<const UserTable, const TReportRec> begin() const { return {this, 0}; }
  Iterator<const UserTable, const TReportRec> end() const { return {this, size_}; }

  TReportRec& emplace_back() {
    if ((size_ & (kBlockSize - 1)) == 0) blocks_.push_back(std::make_unique<TReportRec[]>(kBlockSize));
    return (*this)[size_++];
  }
  void clear() {
    blocks_.clear();
    size_ = 0;
  }
  // Frees the users of the block that holds position i; they must not be
  // used again (a table appended to another, block by block).
  void ReleaseBlockOf(std::size_t i) { blocks_[i >> kBlockShift].reset(); }

 private:
  std::vector<std::unique_ptr<TReportRec[]>> blocks_;
  std::size_t size_ = 0;
};

// One log file read.
struct TFileAnalyzeRep {
  std::string FileName;  // as the directory search returned it, without directory
  std::int64_t RecordCount = 0;
};

// Adds without overflowing: the sum saturates at the largest 64-bit value.
inline std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

class UsageTables {
 public:
  explicit UsageTables(std::uint64_t hash_seed = 0x5157A2E5EEDull) : seed_(hash_seed) {}

  UserTable Users;
  std::vector<TFileAnalyzeRep> LogFiles;

  std::int64_t UserCount() const { return static_cast<std::int64_t>(Users.size()); }

  // Position of the user with this name, or HashIndex::kNone.
  std::uint32_t FindUser(std::string_view name) const { return FindUser(name, Hash(name)); }
  // Appends a user known to be absent; returns its position.
  std::uint32_t AddUser(std::string_view name) { return AddUser(name, Hash(name)); }

  // Adds `bytes` to the user's entry for `host`, creating it when new.
  void AddHostTraffic(TReportRec& user, std::string_view host, std::int64_t bytes) {
    AddHostTrafficById(user, InternHost(host, Hash(host)), bytes);
  }
  // Records `address` once for the user. Inline for the usual case: an IPv4
  // address, most often the user's last one.
  void AddAddress(TReportRec& user, std::string_view address) {
    const std::uint64_t ipv4 = ipv4_keys_(address);
    if (ipv4 == kNoAddress) return AddTextAddress(user, address);
    if (ipv4 != user.Addresses.last()) user.Addresses.Add(ipv4);
  }

  // The same with the text's hash already computed (Hash below).
  std::uint64_t Hash(std::string_view text) const { return HashBytes(text, seed_); }
  std::uint64_t HashSeed() const { return seed_; }
  std::uint32_t FindUser(std::string_view name, std::uint64_t hash) const {
    if (user_index_released_) ReindexUsers();
    return user_index_.Find(name, hash, [this](std::uint32_t position) { return Users[position].UserName; });
  }
  std::uint32_t AddUser(std::string_view name, std::uint64_t hash);

  // The host step by step, so that a reader can work on several lines at once
  // and have the memory of one line loaded while it works on another: the
  // host's run-wide id, then the user's entry for that id.
  void PrefetchHost(std::uint64_t hash) const { hosts_.index.Prefetch(hash); }
  void PrefetchHostName(std::uint64_t hash) const { hosts_.index.PrefetchKey(hash); }
  std::uint32_t InternHost(std::string_view host, std::uint64_t hash) { return Intern(hosts_, host, hash); }
  static void PrefetchUserHost(const TReportRec& user, std::uint32_t host_id) { user.Hosts.Prefetch(host_id); }
  void AddHostTrafficById(TReportRec& user, std::uint32_t host_id, std::int64_t bytes) {
    HostIndex::Entry* entry = user.Hosts.FindOrFree(host_id);
    if (entry != nullptr && entry->id == host_id) {
      entry->traffic = SaturatingAdd(entry->traffic, bytes);
    } else if (entry == nullptr || !user.Hosts.InsertAt(*entry, host_id, bytes)) {
      AddNewHost(user, host_id, bytes);
    }
  }

  // Puts every user's hosts in first-seen order, once the logs have been read.
  void FinishHostLists();

  // The text of a host id.
  std::string_view HostName(std::uint32_t id) const { return hosts_.strings[id]; }
  // How many distinct hosts there are: their ids are 0 to this less one.
  std::size_t HostNameCount() const { return hosts_.strings.size(); }
  // Appends the text of an address key (see address_key.h).
  void AppendAddressName(std::string& out, std::uint64_t key) const {
    if (IsIpv4Key(key)) AppendIpv4(out, key);
    else out += addresses_.strings[key].view();
  }
  std::string AddressName(std::uint64_t key) const {
    std::string name;
    AppendAddressName(name, key);
    return name;
  }

  // Takes the page names given to the users in their final order, by
  // position, and the arena that holds those that are no user's own name.
  void AdoptPageNames(std::vector<CountedString> names, StringArena& arena) {
    page_names_ = std::move(names);
    arena_.Adopt(arena);
  }
  // The page name given to the user at `position`, or "" if none.
  std::string_view PageName(std::size_t position) const {
    return position < page_names_.size() ? page_names_[position].view() : std::string_view();
  }

  // Adds the tables of a later part of the same input, as if its lines had
  // been accounted here after this table's own: users, hosts and addresses new
  // here are appended in the order `later` first saw them, sums add up
  // (saturating). Log files are not touched; `later` is emptied.
  void Append(UsageTables& later);

  // Frees the indexes that find users, hosts and addresses by name, for the
  // memory of the ordering and the pages. Each is rebuilt when it is next
  // needed: the user index by the next lookup or added user (a run that only
  // writes its pages never pays for it), the others by the next host or
  // address added.
  void ReleaseIndexes();
  // Rebuilds the user index now, from the users' names in their present order.
  void ReindexUsers() const;


 private:
  // Every distinct string of one kind once for the whole run, with its id.
  template <typename Index, typename String>
  struct Interned {
    std::vector<String> strings;  // by id
    Index index;
  };
  using HostTable = Interned<HashIndex, std::string_view>;
  // Addresses other than IPv4 (address_key.h): counted strings, a pointer each.
  using AddressTable = Interned<PositionIndex, CountedString>;
  // The id of `text` in `table`, interning a copy of it when new; with
  // `owned`, `text` itself, already in this table's arena.
  // Found inline; only a new text (or a released index) takes the call.
  std::uint32_t Intern(HostTable& table, std::string_view text, std::uint64_t hash, bool owned = false) {
    const std::uint32_t found = table.index.Find(text, hash);
    return found != HashIndex::kNone ? found : InternMissing(table, text, hash, owned);
  }
  // Intern for a text the index did not find.
  std::uint32_t InternMissing(HostTable& table, std::string_view text, std::uint64_t hash, bool owned);
  std::uint32_t Intern(AddressTable& table, std::string_view text, std::uint64_t hash);
  // The id of `text` in `table`, or PositionIndex::kNone.
  static std::uint32_t Find(const AddressTable& table, std::string_view text, std::uint64_t hash);
  // AddAddress for an address that is not IPv4: interned as text.
  void AddTextAddress(TReportRec& user, std::string_view address);
  // Frees the user index; the next lookup or added user rebuilds it.
  void ReleaseUserIndex();
  // Indexes every string of `table` again, after ReleaseIndexes.
  void Reindex(HostTable& table);
  void Reindex(AddressTable& table);
  // The host's first line for the user when the index must grow (or reopen)
  // first: out of line, as it is rare.
  void AddNewHost(TReportRec& user, std::uint32_t host_id, std::int64_t bytes);
  // Calls f(host id, traffic) for the user's hosts in first-seen order.
  template <typename F>
  static void ForEachHost(const TReportRec& user, F&& f);

  std::uint64_t seed_;
  StringArena arena_;
  // Rebuilt from Users on demand after ReleaseIndexes: a cache of the names.
  mutable PositionIndex user_index_;
  mutable bool user_index_released_ = false;
  std::vector<CountedString> page_names_;  // by user position
  HostTable hosts_;  // looked up on every line: the wider index that holds the key
  AddressTable addresses_;
  Ipv4Keys ipv4_keys_;
};

}  // namespace sirvane
